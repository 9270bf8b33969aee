#pragma once

#include <core/plugin/qabstractpagewidget.h>

#include <paramset/paramsnapshot.h>
#include <paramset/paramverify.h>
#include <paramset/paramedithistory.h>

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>

class QAction;
class QCheckBox;
class QCompareDialog;
class QLabel;
class QLineEdit;
class QCSVFile;
class QMachineValue;
class QMissionFailures;
class QParamExchange;
class ParamFileDocument;
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
    ~QParvexWidget() override;

    // Reads the drive and compares it with a stored snapshot.
    void compare_with_snapshot(qint64 id);

    // Editing: an open parameter file (offline), the changes kept for a
    // later write, undo and redo (parvexedits.cpp).
    QString document_title() const override;
    bool release_document() override;
    // The commands of the 参数 menu: open, save, save as; undo, redo; the
    // two ways an edit goes to the drive.
    QList<QAction *> edit_actions() const { return m_edit_actions; }
    // The preference: edits are kept until 写入更改 (else written at once).
    static QString keep_changes_key();

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
    void open_file();
    bool save_file();
    bool save_file_as();
    void undo();
    void redo();
    void write_pending();
    void discard_pending();

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

    void build_edit_actions();
    QWidget *build_pending_bar();
    void edit_committed(QMachineValue *value, int raw, bool has_before, int before);
    bool keep_changes() const;
    // A kept change of `value` set to `raw` (none when the drive holds it).
    void keep_change(QMachineValue *value, bool keep, int raw);
    void apply_step(const ParamEditStep &step, bool forward);
    // Writes values on a run of their own (a single edit from the table, or
    // the kept changes), each read back and recorded as an edit; the rows
    // say how each ended.
    void write_changes(const QList<ParamVerify::Write> &writes);
    // Asks about unsaved work; `can_cancel` false when it goes anyway.
    bool ask_about_unsaved(bool can_cancel);
    void close_document();
    void document_state_changed();
    void pending_changed();

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

    // What is edited besides the drive, the undo list, the kept changes'
    // bar and the commands of the 参数 menu.
    std::unique_ptr<ParamFileDocument> m_document;
    ParamEditHistory m_edit_history;
    QWidget *m_pending_bar = nullptr;
    QLabel *m_pending_label = nullptr;
    QList<QAction *> m_edit_actions;
    QAction *m_save_action = nullptr;
    QAction *m_save_as_action = nullptr;
    QAction *m_undo_action = nullptr;
    QAction *m_redo_action = nullptr;
    QAction *m_keep_action = nullptr;
    bool m_closing_document = false;

    // Groups already asked for because they were shown unread.
    QSet<tagValueGroup *> m_auto_read;
    // The search: hits as (group, code), the current one.
    QList<QPair<tagValueGroup *, QString>> m_hits;
    int m_hit = -1;
};
