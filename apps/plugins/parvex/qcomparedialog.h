#pragma once

#include <paramset/paramcompare.h>
#include <paramset/paramverify.h>

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

// The result of a comparison: one row per parameter that differs, or that
// only one side names. Rows of writable parameters whose other-side value
// the parameter takes can be ticked; "下载所选" hands their values to whoever
// writes them (the page), and the list can be saved as a CSV file. The
// values point into the machine model: the dialog must close before the model
// goes away (it is modal).
//
// The same dialog is the preview before a download (set_preview): the drive
// against the set to be written, every difference ticked, the set's rows that
// cannot be written listed apart, the target named. There "下载所选" closes
// the dialog as accepted and the caller writes checked_writes(); it is the
// one confirmation of that download.
class QCompareDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { CodeColumn = 0, NameColumn, LeftColumn, RightColumn, UnitColumn, NoteColumn, ColumnCount };

    explicit QCompareDialog(QWidget *parent = nullptr);

    // `problems`: rows of the other side that could not be read (listed
    // under the table). `can_download`: the left side is the drive.
    void set_result(const QList<tagParamDifference> &differences, const QString &left_title,
                    const QString &right_title, const QStringList &problems, bool can_download);

    // Names where 下载所选 writes (the drive on the left side); empty hides it.
    void set_target(const QString &target);

    // The preview before writing a set into the drive. `differences` are the
    // set's writes that differ from the drive (all ticked), `equal` the
    // number of its writes the drive already holds, `refused` the set's rows
    // that cannot be written, each with its reason.
    void set_preview(const QList<tagParamDifference> &differences, const QString &right_title,
                     const QString &target, const QStringList &refused, int equal);

    // The ticked rows, as writes of the other side's values.
    QList<ParamVerify::Write> checked_writes() const;

signals:
    void download_requested(const QList<ParamVerify::Write> &writes);

private:
    void save();
    void update_buttons();
    void fill_table(bool can_download, bool ticked, int *only_left, int *only_right);

    bool m_preview = false;
    QLabel *m_target;
    QTreeWidget *m_table;
    QLabel *m_summary;
    QLabel *m_refused_title;
    QListWidget *m_refused;
    QPushButton *m_download;
    QPushButton *m_save;
    QPushButton *m_close;
    QList<tagParamDifference> m_differences;
    QString m_left_title;
    QString m_right_title;
};
