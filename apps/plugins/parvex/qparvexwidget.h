#pragma once

#include <core/plugin/qabstractpagewidget.h>

#include <paramset/paramsnapshot.h>
#include <paramset/paramverify.h>

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>

class QAction;
class QCheckBox;
class QCompareDialog;
class QLabel;
class QLineEdit;
class QCSVFile;
class QMachineValue;
class QMissionFailures;
class QParamExchange;
class QParamTreeWidget;
class QParvexTreeWidget;
struct tagParamDifference;
struct tagValueGroup;

// The parameter page: the group tree and the parameter table under a tool bar
// with the commands that move whole parameter sets: upload (drive to CSV
// file), download (CSV file to drive, with a backup before and every value
// read back after) and compare (drive against a file, the defaults or a
// stored set). Above the table a search field and a filter, under it the
// help of the current parameter. Built once when the plug-in is loaded; the
// main window's tab widget owns it from then on. The views point into the
// core's machine model and are emptied before the model goes away.
class QParvexWidget : public QAbstractPageWidget
{
    Q_OBJECT
public:
    explicit QParvexWidget(QWidget *parent = nullptr);

    // Reads the drive and compares it with a stored snapshot.
    void compare_with_snapshot(qint64 id);

signals:
    // A snapshot went into the history.
    void history_changed();

public slots:
    void parvex_changed();
    void release_machine();
    void save(bool ask = true);
    void up_load();
    void down_load();
    // Downloads the parameter file at `path` into the connected drive.
    void download_file(const QString &path);
    void up_load_finish(bool success);
    void setAllToolBtn(bool bVisual);
    void compare_with_file();
    void compare_with_defaults();
    void show_history();
    void open_description();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Backup: the drive read before a download; Preview: the operator looks
    // at what the download would change.
    enum Step { Idle, Backup, Preview, Download, CompareRead, WriteSelected };

    QList<QMachineValue *> all_values() const;
    // True when it was stored; otherwise it stays queued (ParvexHistory).
    bool record(const tagParamSnapshot &snapshot, bool warn = true);
    bool start_exchange_allowed();
    // A parameter file read and its header checked; false after telling the
    // operator why it cannot be used.
    bool load_file(const QString &path, QCSVFile *table);
    void exchange_finished(bool complete);
    void backup_done(bool complete);
    // Shows what the download changes in the drive; true when the operator
    // chose to write, with m_writes cut down to the ticked rows.
    bool preview_download(const QList<tagParamDifference> &differences, int equal);
    void download_done();
    void compare_read_done(bool complete);
    void write_selected(const QList<ParamVerify::Write> &writes);
    void write_selected_done();
    // A single edit from the table: written and read back on its own run.
    void write_edit(QMachineValue *value, int raw, bool has_before, int before);
    // The write records of a run of writes, kept once its writes are
    // confirmed (or it is given up): what each parameter held before, what
    // was asked, what was read back.
    void record_writes(QParamExchange *exchange, const QString &operation, const QHash<QString, int> &before);
    void start_compare(const QList<tagParamRaw> &other, const QString &title, const QStringList &problems,
                       const QString &write_operation);
    // `skipped`: what the download left out on purpose, said after the counts.
    void show_verify_box(const QString &name, const tagVerifyReport &report, const QStringList &file_refused,
                         const QString &skipped = QString());
    void group_shown(tagValueGroup *group);
    void search(int step);
    void apply_filter(bool only_changed);

    QParvexTreeWidget *m_group_tree;
    QParamTreeWidget *m_param_tree;
    QList<QAction *> m_actions;
    QLineEdit *m_search;
    QLabel *m_search_count;
    QCheckBox *m_only_changed;
    QLabel *m_help;
    QLineEdit *m_note;
    QParamExchange *m_exchange = nullptr;
    QMissionFailures *m_upload_failures = nullptr; // of the running upload
    // Single edits under way, each on its own run, with what the model
    // held before.
    QHash<QParamExchange *, QHash<QString, int>> m_edit_runs;

    // The operation under way.
    Step m_step = Idle;
    QList<ParamVerify::Write> m_writes;
    QList<tagParamRaw> m_backup; // what the drive held right before the writes
    QStringList m_file_refused;
    QString m_download_file;
    // Of the download under way: the file's writes the drive held already,
    // and the differences the operator left unticked (neither is written).
    int m_equal_count = 0;
    int m_unticked_count = 0;
    QList<tagParamRaw> m_other;
    QString m_other_title;
    QStringList m_other_problems;
    QPointer<QCompareDialog> m_compare_dialog;
    // What the writes under way are recorded as, and what the drive held
    // before them (by code).
    QString m_write_operation;
    QHash<QString, int> m_write_before;
    // The drive's values of the comparison shown, and the record kind of
    // its 下载所选.
    QList<tagParamRaw> m_compare_drive;
    QString m_compare_operation;

    // Groups already asked for because they were shown unread.
    QSet<tagValueGroup *> m_auto_read;
    // The search: hits as (group, code), the current one.
    QList<QPair<tagValueGroup *, QString>> m_hits;
    int m_hit = -1;
};
