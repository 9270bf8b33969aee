#pragma once

#include <paramset/paramcompare.h>
#include <paramset/paramverify.h>

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

// The result of a comparison: one row per parameter that differs, or that
// only one side names. Rows of writable parameters whose other-side value
// the parameter takes can be ticked; "下载所选" hands their values to whoever
// writes them (the page), and the list can be saved as a CSV file. The
// values point into the machine model: the dialog must close before the model
// goes away (it is modal).
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

    // The ticked rows, as writes of the other side's values.
    QList<ParamVerify::Write> checked_writes() const;

signals:
    void download_requested(const QList<ParamVerify::Write> &writes);

private:
    void save();
    void update_buttons();

    QTreeWidget *m_table;
    QLabel *m_summary;
    QPushButton *m_download;
    QPushButton *m_save;
    QList<tagParamDifference> m_differences;
    QString m_left_title;
    QString m_right_title;
};
