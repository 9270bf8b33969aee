#include "qparvexwidget.h"

#include "parvexhistory.h"
#include "qcomparedialog.h"
#include "qhistorydialog.h"
#include "qparamtreewidget.h"
#include "qparvextreewidget.h"

#include <paramset/paramaudit.h>
#include <paramset/paramcompare.h>
#include <paramset/paramfiledocument.h>
#include <paramset/paramsetfile.h>
#include <paramset/qmissionfailures.h>
#include <paramset/qparamexchange.h>
#include <paramset/qparamhistory.h>

#include <core/style/minisplitter.h>
#include <core/dialogs/qactiontoolbar.h>
#include <core/dialogs/qfilechooser.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>
#include <core/qsoftcore.h>
#include <core/style/styledbar.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Translated where they are used (the translator is installed after start-up).
const char *const kFileFilter = QT_TRANSLATE_NOOP("QParvexWidget", "数据文件(*.csv)");
const char *const kWarning = QT_TRANSLATE_NOOP("QParvexWidget", "警告");
const char *const kDownloadName = QT_TRANSLATE_NOOP("QParvexWidget", "下载功能参数");
// A refused row list longer than this is cut short in the message.
constexpr int kMaxListedRows = 20;


// The drive's exception 4, which it answers for a stop-only parameter while
// the motor runs.
constexpr int kExceptionDeviceFailure = 4;

QString listed_rows(const QStringList &rows)
{
    QStringList shown = rows.mid(0, kMaxListedRows);
    if (rows.size() > kMaxListedRows)
        shown.append(QParvexWidget::tr("……共 %1 行").arg(rows.size()));
    return shown.join(QLatin1Char('\n'));
}

QString code_of(QMachineValue *value)
{
    return value->get_value_property(VALUE_CODE).toString();
}

QHash<QString, int> by_code(const QList<tagParamRaw> &values)
{
    QHash<QString, int> hash;
    for (const tagParamRaw &value : values)
        hash.insert(value.code, value.raw);
    return hash;
}

// The planned writes whose value the drive does not hold already, as
// differences of the drive (left) and the file (right), in the drive's order.
QList<tagParamDifference> differing(const QList<ParamVerify::Write> &writes, const QList<tagParamRaw> &drive,
                                    QMachine *machine)
{
    QList<tagParamRaw> file;
    for (const ParamVerify::Write &write : writes)
        file.append({code_of(write.value), write.raw});
    QList<tagParamDifference> differences;
    for (const tagParamDifference &d : ParamCompare::compare(drive, file, machine)) {
        // The drive's parameters the file does not name stay as they are.
        if (d.kind != tagParamDifference::OnlyLeft && d.value)
            differences.append(d);
    }
    return differences;
}

} // namespace

QParvexWidget::QParvexWidget(QWidget *parent)
    : QAbstractPageWidget(parent)
    , m_group_tree(new QParvexTreeWidget)
    , m_param_tree(new QParamTreeWidget)
    , m_search(new QLineEdit)
    , m_search_count(new QLabel)
    , m_only_changed(new QCheckBox(tr("只看与默认值不同")))
    , m_help(new QLabel)
    , m_note(new QLineEdit)
{
    setObjectName(QStringLiteral("QParvexWidget"));

    auto *upload = new QAction(QIcon(QStringLiteral(":/images/upload.png")),
                               tr("上传参数"), this);
    upload->setObjectName(QStringLiteral("actionUpload"));
    connect(upload, &QAction::triggered, this, &QParvexWidget::up_load);
    auto *download = new QAction(QIcon(QStringLiteral(":/images/download.png")),
                                 tr("下载参数"), this);
    download->setObjectName(QStringLiteral("actionDownload"));
    connect(download, &QAction::triggered, this, &QParvexWidget::down_load);
    auto *compare = new QAction(QIcon(QStringLiteral(":/images/compare.png")), tr("比较"), this);
    compare->setObjectName(QStringLiteral("actionCompare"));
    // The other side is chosen first; the drive is read after that.
    auto *compare_menu = new QMenu(this);
    compare_menu->setObjectName(QStringLiteral("compareMenu"));
    QAction *with_file = compare_menu->addAction(tr("与参数文件比较…"));
    with_file->setObjectName(QStringLiteral("actionCompareFile"));
    connect(with_file, &QAction::triggered, this, &QParvexWidget::compare_with_file);
    QAction *with_defaults = compare_menu->addAction(tr("与默认值比较"));
    with_defaults->setObjectName(QStringLiteral("actionCompareDefaults"));
    connect(with_defaults, &QAction::triggered, this, &QParvexWidget::compare_with_defaults);
    QAction *with_history = compare_menu->addAction(tr("与历史记录比较…"));
    with_history->setObjectName(QStringLiteral("actionCompareHistory"));
    connect(with_history, &QAction::triggered, this, &QParvexWidget::show_history);
    connect(compare, &QAction::triggered, this, [this, compare_menu] {
        compare_menu->popup(QCursor::pos());
    });
    // A drive whose software version has no description of its own.
    auto *open_description = new QAction(tr("打开机型描述…"), this);
    open_description->setObjectName(QStringLiteral("openDescription"));
    connect(open_description, &QAction::triggered, this, &QParvexWidget::open_description);
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    m_actions << upload << download << compare << open_description << separator;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *bar = new StyledBar;
    auto *bar_layout = new QVBoxLayout(bar);
    bar_layout->setContentsMargins(5, 0, 5, 0);
    auto *toolbar = new QActionToolBar(Qt::AlignLeft);
    toolbar->addButtonActions(m_actions);
    bar_layout->addWidget(toolbar);
    layout->addWidget(bar);

    m_search->setObjectName(QStringLiteral("parvexSearch"));
    m_search->setPlaceholderText(tr("查找参数：代码或名称"));
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    m_search_count->setObjectName(QStringLiteral("parvexSearchCount"));
    // Room for "999/999" and "没有找到", so the field does not jump.
    m_search_count->setMinimumWidth(
        qMax(m_search_count->fontMetrics().horizontalAdvance(QStringLiteral("999/999")),
             m_search_count->fontMetrics().horizontalAdvance(tr("没有找到"))) + 6);
    m_only_changed->setObjectName(QStringLiteral("parvexOnlyChanged"));
    auto *search_row = new QHBoxLayout;
    search_row->setContentsMargins(5, 3, 5, 3);
    search_row->addWidget(m_search, 1);
    search_row->addWidget(m_search_count);
    search_row->addSpacing(12);
    search_row->addWidget(m_only_changed);
    layout->addLayout(search_row);
    // The operator's note goes with every record the page keeps from now
    // on: snapshots and writes alike.
    m_note->setObjectName(QStringLiteral("parvexNote"));
    m_note->setPlaceholderText(tr("随上传、下载和修改记录保存的备注（可空）"));
    m_note->setClearButtonEnabled(true);
    auto *note_row = new QHBoxLayout;
    note_row->setContentsMargins(5, 0, 5, 3);
    note_row->addWidget(new QLabel(tr("备注：")));
    note_row->addWidget(m_note, 1);
    layout->addLayout(note_row);
    connect(m_note, &QLineEdit::textChanged, this, [](const QString &text) { ParvexHistory::set_note(text.trimmed()); });
    connect(m_search, &QLineEdit::textChanged, this, [this] { search(0); });
    connect(m_search, &QLineEdit::returnPressed, this, [this] { search(1); });
    connect(m_only_changed, &QCheckBox::toggled, this, &QParvexWidget::apply_filter);

    // The changes kept for 写入更改, above the table while there are any.
    layout->addWidget(build_pending_bar());

    auto *splitter = new MiniSplitter;
    splitter->addWidget(m_group_tree);
    splitter->addWidget(m_param_tree);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);

    m_help->setObjectName(QStringLiteral("parvexHelpLine"));
    m_help->setContentsMargins(5, 2, 5, 2);
    m_help->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // One line: a long help text is cut, the tool tip holds all of it.
    m_help->setWordWrap(false);
    m_help->setMinimumWidth(1);
    // Beside it, with a plant's server, how many records wait for it.
    auto *help_row = new QHBoxLayout;
    help_row->setContentsMargins(0, 0, 5, 0);
    help_row->addWidget(m_help, 1);
    auto *sync_label = new QLabel;
    sync_label->setObjectName(QStringLiteral("parvexSyncStatus"));
    auto *sync_button = new QPushButton(tr("立即同步"));
    sync_button->setObjectName(QStringLiteral("parvexSyncNow"));
    sync_label->hide();
    sync_button->hide();
    help_row->addWidget(sync_label);
    help_row->addWidget(sync_button);
    layout->addLayout(help_row);
    connect(sync_button, &QPushButton::clicked, this, [] { ParvexHistory::sync_now(); });
    connect(ParvexHistory::sync_status(), &ParvexHistory::SyncStatus::changed, this,
            [sync_label, sync_button](int waiting, const QString &reason) {
                sync_label->setVisible(waiting >= 0);
                sync_button->setVisible(waiting >= 0);
                sync_label->setText(waiting > 0 ? tr("%1 条记录等待发送到服务器").arg(waiting)
                                                : tr("历史记录已在服务器上"));
                sync_label->setToolTip(reason);
            });
    connect(m_param_tree, &QParamTreeWidget::help_changed, this, [this](const QString &text) {
        const QString line = QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        m_help->setText(m_help->fontMetrics().elidedText(line, Qt::ElideRight, qMax(100, m_help->width() - 10)));
        m_help->setToolTip(text);
    });

    QSoftCore *core = QSoftCore::get_core();
    m_exchange = new QParamExchange(core->get_communicate()->mission_manager(),
                                    core->get_machine_address(), this);
    connect(m_exchange, &QParamExchange::finished, this, &QParvexWidget::exchange_finished);
    m_upload_failures = new QMissionFailures(core->get_communicate()->mission_manager(), this);

    connect(core, &QSoftCore::parvex_changed, this, &QParvexWidget::parvex_changed);
    connect(core, &QSoftCore::clear_machine_signal, this, &QParvexWidget::release_machine);
    connect(m_group_tree, &QParvexTreeWidget::select_changed, m_param_tree,
            &QParamTreeWidget::set_params);
    connect(m_group_tree, &QParvexTreeWidget::select_changed, this, &QParvexWidget::group_shown);
    connect(m_param_tree, &QParamTreeWidget::edit_committed, this, &QParvexWidget::edit_committed);
    build_edit_actions();
    setAllToolBtn(false);
    connect(core, &QSoftCore::openCom, this, &QParvexWidget::setAllToolBtn);
    // Until the drive behind a new connection answers, the table holds what
    // another drive (or an earlier connection) said: greyed, not current.
    connect(core, &QSoftCore::openCom, this, [this](bool open) {
        m_param_tree->set_stale(open && QSoftCore::get_core()->get_communicate()->commu_status() != 0);
    });
    connect(core->get_communicate(), &QCommunicate::online, this, [this] { m_param_tree->set_stale(false); });
    // The drive's first answer rebuilds the model, and the group then shown
    // is read at once (group_shown).

    // A core that already holds a model (a plug-in loaded late) is shown at once.
    parvex_changed();

    // What waited for the plant's server when the program last ended is
    // sent now.
    if (QParamHistory::is_server_location(core->get_setting_value(QStringLiteral("History.Database")).toString().trimmed()))
        ParvexHistory::sync_now();
}

void QParvexWidget::parvex_changed()
{
    m_auto_read.clear();
    m_hits.clear();
    m_hit = -1;
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (machine)
        m_group_tree->set_groups(machine->get_groups());
    else
        m_group_tree->clear_groups();
    if (machine && !m_search->text().isEmpty())
        search(0);
}

void QParvexWidget::release_machine()
{
    // A comparison result points into the model that is going away.
    if (m_compare_dialog)
        m_compare_dialog->reject();
    if (m_step == Preview) {
        // Nothing was written yet; the preview's exec() returns and sees it.
        m_writes.clear();
        m_backup.clear();
        m_step = Idle;
    }
    if (m_step != Idle) {
        // Writes already sent are recorded as far as they are known.
        if (m_step == Download || m_step == WriteSelected)
            record_writes(m_exchange, m_write_operation, m_write_before);
        m_exchange->abandon();
        m_step = Idle;
    }
    for (auto it = m_edit_runs.cbegin(); it != m_edit_runs.cend(); ++it) {
        record_writes(it.key(), ParamAudit::edit(), it.value());
        it.key()->abandon();
        it.key()->deleteLater();
    }
    m_edit_runs.clear();
    m_auto_read.clear();
    m_hits.clear();
    m_hit = -1;
    m_writes.clear();
    m_group_tree->clear_groups();
    m_param_tree->clear_params();
    m_param_tree->forget_marks();
    // Edits of the model that goes away: an open file is asked about (the
    // page's own new model for a file is not a reason), kept changes and
    // the undo list go with the model.
    if (m_document && !m_closing_document) {
        ask_about_unsaved(false);
        m_document.reset();
        m_param_tree->set_file_edit(false);
    }
    m_edit_history.clear();
    if (!m_param_tree->pending().isEmpty()) {
        emit QSoftCore::get_core()->status_message(
            tr("机型参数表已更换：%1 个暂存的修改没有写入").arg(m_param_tree->pending().size()));
        m_param_tree->forget_pending();
    }
    pending_changed();
}

void QParvexWidget::setAllToolBtn(bool bVisual)
{
    for (QAction *action : qAsConst(m_actions)) {
        if (!action->isSeparator())
            action->setEnabled(bVisual);
    }
}

QList<QMachineValue *> QParvexWidget::all_values() const
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    return machine ? machine->get_parameters() : QList<QMachineValue *>();
}

bool QParvexWidget::record(const tagParamSnapshot &snapshot, bool warn)
{
    if (ParvexHistory::record(snapshot, this, warn) == 0)
        return false;
    emit history_changed();
    return true;
}

// ---------------------------------------------------------------------------
// Finding a parameter

void QParvexWidget::group_shown(tagValueGroup *group)
{
    if (!group || m_auto_read.contains(group))
        return;
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_communicate()->commu_status() != 0)
        return;
    bool unread = false;
    for (QMachineValue *value : std::as_const(group->m_values))
        unread = unread || (value && !value->has_value());
    if (!unread)
        return;
    m_auto_read.insert(group);
    core->update_group(group->m_name);
}

void QParvexWidget::search(int step)
{
    const QString text = m_search->text().trimmed();
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (step == 0) {
        m_hits.clear();
        m_hit = -1;
        if (!text.isEmpty() && machine) {
            const QList<tagValueGroup *> groups = machine->get_groups();
            for (tagValueGroup *group : groups) {
                for (QMachineValue *value : std::as_const(group->m_values)) {
                    if (!value || !m_param_tree->passes_filter(value))
                        continue;
                    const QString code = code_of(value);
                    if (code.contains(text, Qt::CaseInsensitive)
                        || value->get_value_property(VALUE_NAME).toString().contains(text, Qt::CaseInsensitive)
                        || value->display_name().contains(text, Qt::CaseInsensitive))
                        m_hits.append({group, code});
                }
            }
        }
    }
    if (m_hits.isEmpty()) {
        m_search_count->setText(text.isEmpty() ? QString() : tr("没有找到"));
        return;
    }
    m_hit = m_hit < 0 ? 0 : int((m_hit + step + m_hits.size()) % m_hits.size());
    const QPair<tagValueGroup *, QString> hit = m_hits.at(m_hit);
    if (m_group_tree->current_group() != hit.first)
        m_group_tree->select_group(hit.first);
    m_param_tree->select_code(hit.second);
    m_search_count->setText(QStringLiteral("%1/%2").arg(m_hit + 1).arg(m_hits.size()));
}

void QParvexWidget::apply_filter(bool only_changed)
{
    m_param_tree->set_only_changed(only_changed);
    if (!m_search->text().trimmed().isEmpty())
        search(0);
}

bool QParvexWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            search(key == Qt::Key_Down ? 1 : -1);
            return true;
        }
    }
    return QAbstractPageWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Upload

void QParvexWidget::up_load()
{
    QSoftCore *core = QSoftCore::get_core();
    QMachine *machine = core->get_machine();
    if (!machine) {
        QMessageBox::warning(this, tr(kWarning), tr("还没有读到设备的参数表，无法上传！"));
        return;
    }

    QList<QMission *> missions;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (tagValueGroup *group : groups)
        missions.append(core->make_mission(group->m_values));
    for (QMission *mission : qAsConst(missions)) {
        mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
        mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
    }

    // Unique: a second upload started before the first one ended must not
    // save the file twice.
    connect(core, &QSoftCore::mission_group_done, this, &QParvexWidget::up_load_finish,
            Qt::UniqueConnection);
    m_upload_failures->begin(missions);
    core->get_communicate()->mission_manager()->add_mission_group(missions, QString());
    qDeleteAll(missions);
}

void QParvexWidget::up_load_finish(bool success)
{
    disconnect(QSoftCore::get_core(), &QSoftCore::mission_group_done, this,
               &QParvexWidget::up_load_finish);
    if (success) {
        // Recorded whether or not the operator saves a file.
        record(ParvexHistory::snapshot_now(QSoftCore::get_core()->get_machine(), ParamSnapshot::upload()));
        save(false);
    } else {
        // Which parameter could not be read, and why. From the event loop:
        // a link that went away reports its missions' failures after the
        // group's end.
        QMetaObject::invokeMethod(this, [this] {
            QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("上传参数失败！"), QMessageBox::Ok, this);
            box.setObjectName(QStringLiteral("parvexUploadFailed"));
            box.setInformativeText(m_upload_failures->text(QSoftCore::get_core()->get_machine()));
            box.exec();
        }, Qt::QueuedConnection);
    }
}

void QParvexWidget::save(bool)
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (!machine)
        return;

    QList<QMachineValue *> values;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (tagValueGroup *group : groups)
        values.append(group->m_values);

    const QString path = QFileChooser::get_save_file_name(this, tr("保存"),
                                                          QString(), tr(kFileFilter));
    if (path.isEmpty())
        return;

    const QByteArray bytes = QLocalCodec::encode(ParamSetFile::build_table(values).save());
    // The previous backup survives a failed write: the file is replaced only
    // once the new one is complete.
    QString reason;
    if (!QSafeFile::write(path, bytes, &reason)) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("参数文件 %1 保存失败：%2")
                                 .arg(QDir::toNativeSeparators(path), reason));
    }
}

// ---------------------------------------------------------------------------
// Download: backup, writes, read-back

bool QParvexWidget::start_exchange_allowed()
{
    if (m_step == Idle && !m_exchange->is_running())
        return true;
    QMessageBox::warning(this, tr(kWarning), tr("上一个操作还没有结束，请稍候。"));
    return false;
}

bool QParvexWidget::load_file(const QString &path, QCSVFile *table)
{
    // Larger than this description can need: refused before it takes memory.
    const ParamSetFile::FileLoad load =
        ParamSetFile::load_file(path, table, ParamSetFile::row_limit(QSoftCore::get_core()->get_machine()));
    if (load.kind == ParamSetFile::FileLoad::Unreadable) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("无法打开参数文件 %1：%2")
                                 .arg(QDir::toNativeSeparators(path), load.reason));
    } else if (load.kind == ParamSetFile::FileLoad::BadHeader) {
        QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("文件错误，无法加载！"),
                        QMessageBox::Ok, this);
        box.setInformativeText(load.reason);
        box.exec();
    }
    return load.ok();
}

void QParvexWidget::down_load()
{
    QSoftCore *core = QSoftCore::get_core();
    core->clearErrLog();
    core->m_show_err_log = true;
    const QString path = QFileChooser::get_open_file_name(this, tr("打开"),
                                                          QString(), tr(kFileFilter));
    if (!path.isEmpty())
        download_file(path);
}

void QParvexWidget::download_file(const QString &path)
{
    QSoftCore *core = QSoftCore::get_core();
    // Without a drive every row would look unknown; say what is missing.
    if (!core->get_machine() || core->get_communicate()->commu_status() != 0) {
        QMessageBox::warning(this, tr(kWarning), tr("设备未连接，无法下载！"));
        return;
    }
    if (!start_exchange_allowed())
        return;
    core->m_show_err_log = true;

    QCSVFile table;
    if (!load_file(path, &table))
        return;

    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, core->get_machine());
    const QStringList &refused = plan.refused;
    if (plan.writes.isEmpty()) {
        QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("没有可以下载的参数！"),
                        QMessageBox::Ok, this);
        if (!refused.isEmpty())
            box.setDetailedText(refused.join(QLatin1Char('\n')));
        box.exec();
        return;
    }
    m_writes.clear();
    for (const ParamSetFile::DownloadPlan::Write &write : plan.writes)
        m_writes.append({write.value, write.raw});
    m_file_refused = refused;
    m_download_file = path;
    m_equal_count = 0;
    m_unticked_count = 0;

    // First the drive's values as they are: the preview shows what differs
    // from them, and they are the backup the download can be undone from.
    m_step = Backup;
    m_exchange->set_station(core->get_machine_address());
    m_exchange->read(all_values());
}

void QParvexWidget::exchange_finished(bool complete)
{
    const Step step = m_step;
    m_step = Idle;
    switch (step) {
    case Backup:
        backup_done(complete);
        break;
    case Download:
        record_writes(m_exchange, m_write_operation, m_write_before);
        download_done();
        break;
    case CompareRead:
        compare_read_done(complete);
        break;
    case WriteSelected:
        record_writes(m_exchange, m_write_operation, m_write_before);
        write_selected_done();
        break;
    case Preview:
    case Idle:
        break;
    }
}

void QParvexWidget::backup_done(bool complete)
{
    QSoftCore *core = QSoftCore::get_core();
    QMachine *machine = core->get_machine();
    if (!complete || !machine) {
        m_writes.clear();
        core->m_show_err_log = false;
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr(kDownloadName) + tr("失败！"),
                        QMessageBox::Ok, this);
        box.setInformativeText(tr("读取设备当前参数失败，没有写入任何参数。") + QLatin1Char('\n')
                               + m_exchange->failure_text());
        box.exec();
        return;
    }

    // What the drive answered to the backup's own reads, not the model
    // (which an edit may change meanwhile).
    tagParamSnapshot backup = ParvexHistory::snapshot_now(machine, ParamSnapshot::backup());
    backup.values = m_exchange->values_in(all_values());
    backup.value_count = int(backup.values.size());
    m_backup = backup.values;

    const QList<tagParamDifference> differences = differing(m_writes, m_backup, machine);
    const int equal = int(m_writes.size() - differences.size());
    if (differences.isEmpty()) {
        m_writes.clear();
        m_backup.clear();
        core->m_show_err_log = false;
        // Rows the file holds wrong still want the operator's eye.
        const bool faulty = !m_file_refused.isEmpty();
        QMessageBox box(faulty ? QMessageBox::Warning : QMessageBox::Information, faulty ? tr(kWarning) : tr("提示"),
                        tr("设备中的参数与文件相同，没有写入任何参数。"), QMessageBox::Ok, this);
        QString counts = tr("文件中的 %1 个参数都与设备相同。").arg(equal);
        if (!m_file_refused.isEmpty()) {
            counts += tr("文件中有误 %1 个（未写入）。").arg(m_file_refused.size());
            box.setDetailedText(m_file_refused.join(QLatin1Char('\n')));
        }
        box.setInformativeText(counts);
        box.exec();
        return;
    }
    if (!preview_download(differences, equal)) {
        m_writes.clear();
        m_backup.clear();
        core->m_show_err_log = false;
        return;
    }
    machine = core->get_machine();

    if (!record(backup, false)) {
        // The undo point the download promises does not exist: the
        // operator decides, and the safe answer is the default.
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("下载前备份没有存入历史记录。"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setObjectName(QStringLiteral("noBackupQuestion"));
        box.setInformativeText(tr("%1\n没有备份，这次下载无法从历史记录撤销。仍然下载吗？")
                                   .arg(ParvexHistory::error_string()));
        box.setDefaultButton(QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(tr("是"));
        box.button(QMessageBox::No)->setText(tr("否"));
        if (box.exec() != QMessageBox::Yes || core->get_machine() != machine) {
            m_writes.clear();
            m_backup.clear();
            core->m_show_err_log = false;
            return;
        }
    }

    // Shown at once; the read-back then shows what the drive really took.
    for (const ParamVerify::Write &write : std::as_const(m_writes))
        write.value->set_base_value(write.raw);
    m_step = Download;
    m_write_operation = ParamAudit::download();
    m_write_before = by_code(m_backup);
    m_exchange->write_and_verify(m_writes);
}

bool QParvexWidget::preview_download(const QList<tagParamDifference> &differences, int equal)
{
    QCompareDialog dialog(this);
    dialog.set_preview(differences, tr("文件"), QSoftCore::get_core()->target_text(), m_file_refused, equal);
    if (!m_download_file.isEmpty())
        dialog.setWindowTitle(tr("下载预览：%1").arg(QDir::toNativeSeparators(m_download_file)));
    m_compare_dialog = &dialog;
    // Nothing else starts on the link while the operator decides; a model
    // that goes away meanwhile closes the dialog and ends the download.
    m_step = Preview;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_compare_dialog = nullptr;
    if (m_step != Preview)
        return false;
    m_step = Idle;
    if (!accepted)
        return false;
    const QList<ParamVerify::Write> ticked = dialog.checked_writes();
    m_equal_count = equal;
    m_unticked_count = int(differences.size() - ticked.size());
    m_writes = ticked;
    return !m_writes.isEmpty();
}

void QParvexWidget::download_done()
{
    QSoftCore *core = QSoftCore::get_core();
    const bool show_log = core->m_show_err_log;
    core->m_show_err_log = false;
    const tagVerifyReport report = m_exchange->report();
    if (QMachine *machine = core->get_machine()) {
        // Only what is known: a written value that was not read back is
        // marked unknown, not taken from the model (which shows the wish).
        tagParamSnapshot snapshot = ParvexHistory::snapshot_now(machine, ParamSnapshot::download());
        QList<QMachineValue *> written;
        for (const ParamVerify::Write &write : std::as_const(m_writes))
            written.append(write.value);
        ParamSnapshot::set_download_values(&snapshot, machine, m_backup, written, m_exchange->values());
        record(snapshot);
    }
    m_writes.clear();
    m_backup.clear();
    if (m_exchange->link_lost()) {
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr(kDownloadName) + tr("失败！"),
                        QMessageBox::Ok, this);
        box.setInformativeText(tr("连接已断开：写入 %1 个参数，核对一致 %2 个。")
                                   .arg(report.written).arg(report.verified)
                               + QLatin1Char('\n') + m_exchange->failure_text());
        box.exec();
        return;
    }
    QString skipped;
    if (m_equal_count > 0)
        skipped += tr("与设备相同 %1 个（未写入）。").arg(m_equal_count);
    if (m_unticked_count > 0)
        skipped += tr("未勾选 %1 个（未写入）。").arg(m_unticked_count);
    show_verify_box(tr(kDownloadName), report, m_file_refused, skipped);
    // The log of the download's failed exchanges follows the summary (a
    // lost link says all there is in its own box).
    if (show_log && !core->getErrlogs().isEmpty())
        emit core->show_err_log();
}

void QParvexWidget::show_verify_box(const QString &name, const tagVerifyReport &report,
                                    const QStringList &file_refused, const QString &skipped)
{
    // What the drive refused and what the file held wrong are two things:
    // the second never reached the drive.
    QString counts = tr("写入 %1 个参数，核对一致 %2 个，与要求不同 %3 个，被拒绝 %4 个。")
                         .arg(report.written).arg(report.verified)
                         .arg(report.different.size() + report.unread.size()).arg(report.refused.size());
    if (!file_refused.isEmpty())
        counts += tr("文件中有误 %1 个（未写入）。").arg(file_refused.size());
    counts += skipped;
    const bool stop_only = std::any_of(report.refused.cbegin(), report.refused.cend(),
                                       [](const tagVerifyReport::Row &row) {
        return row.error == kExceptionDeviceFailure && row.value
            && row.value->get_value_property(VALUE_ACCESS).toString().trimmed() == QLatin1String("stop");
    });
    if (stop_only)
        counts += tr("有的参数只能在停机时修改：请先停止驱动器，再下载一次。");
    if (report.all_verified()) {
        QMessageBox box(QMessageBox::Information, tr("提示"), name + tr("成功"),
                        QMessageBox::Ok, this);
        box.setInformativeText(counts);
        if (!file_refused.isEmpty())
            box.setDetailedText(file_refused.join(QLatin1Char('\n')));
        box.exec();
        return;
    }
    QStringList lines = ParamVerify::lines(report);
    lines.append(file_refused);
    QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("%1完成，但有参数与要求不同！").arg(name),
                    QMessageBox::Ok, this);
    box.setInformativeText(counts + QLatin1Char('\n') + listed_rows(ParamVerify::lines(report)));
    box.setDetailedText(lines.join(QLatin1Char('\n')));
    box.exec();
}

// ---------------------------------------------------------------------------
// Compare

void QParvexWidget::compare_with_file()
{
    QSoftCore *core = QSoftCore::get_core();
    const QString path = QFileChooser::get_open_file_name(this, tr("打开"),
                                                          QString(), tr(kFileFilter));
    if (path.isEmpty())
        return;
    QCSVFile table;
    if (!load_file(path, &table))
        return;
    QStringList problems;
    const QList<tagParamRaw> other = ParamSetFile::raw_values(table, core->get_machine(), &problems);
    start_compare(other, tr("文件"), problems, ParamAudit::compare());
}

void QParvexWidget::compare_with_defaults()
{
    QStringList problems;
    const QList<tagParamRaw> other = ParamCompare::defaults_of(QSoftCore::get_core()->get_machine(), &problems);
    start_compare(other, tr("默认值"), problems, ParamAudit::compare());
}

void QParvexWidget::compare_with_snapshot(qint64 id)
{
    QParamHistory *history = ParvexHistory::database(this);
    tagParamSnapshot snapshot;
    if (!history || !history->load(id, &snapshot)) {
        QMessageBox::warning(this, tr(kWarning), tr("无法读取历史记录：%1")
                                                 .arg(history ? history->error_string() : QString()));
        return;
    }
    start_compare(snapshot.values,
                  tr("记录 %1").arg(snapshot.time.toLocalTime().toString(QStringLiteral("MM-dd HH:mm:ss"))),
                  QStringList(), ParamAudit::history());
}

void QParvexWidget::start_compare(const QList<tagParamRaw> &other, const QString &title,
                                  const QStringList &problems, const QString &write_operation)
{
    QSoftCore *core = QSoftCore::get_core();
    if (!core->get_machine() || core->get_communicate()->commu_status() != 0) {
        QMessageBox::warning(this, tr(kWarning), tr("设备未连接，无法比较！"));
        return;
    }
    if (!start_exchange_allowed())
        return;
    m_other = other;
    m_other_title = title;
    m_other_problems = problems;
    m_compare_operation = write_operation;
    m_step = CompareRead;
    m_exchange->set_station(core->get_machine_address());
    m_exchange->read(all_values());
}

void QParvexWidget::compare_read_done(bool complete)
{
    QSoftCore *core = QSoftCore::get_core();
    QMachine *machine = core->get_machine();
    if (!complete || !machine) {
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("读取设备参数失败，无法比较！"), QMessageBox::Ok,
                        this);
        box.setInformativeText(m_exchange->failure_text());
        box.exec();
        return;
    }
    tagParamSnapshot drive = ParvexHistory::snapshot_now(machine, ParamSnapshot::compare());
    drive.values = m_exchange->values_in(all_values());
    drive.value_count = int(drive.values.size());
    record(drive);
    m_compare_drive = drive.values;

    QCompareDialog dialog(this);
    m_compare_dialog = &dialog;
    dialog.set_result(ParamCompare::compare(drive.values, m_other, machine), tr("设备"), m_other_title,
                      m_other_problems, true);
    // The operator ticks what goes into the drive, with the drive named:
    // 下载所选 is the one confirmation of those writes.
    dialog.set_target(core->target_text());
    connect(&dialog, &QCompareDialog::download_requested, this, &QParvexWidget::write_selected);
    dialog.exec();
    m_compare_dialog = nullptr;
}

void QParvexWidget::write_selected(const QList<ParamVerify::Write> &writes)
{
    if (!start_exchange_allowed())
        return;
    QSoftCore::get_core()->clearErrLog();
    for (const ParamVerify::Write &write : writes)
        write.value->set_base_value(write.raw);
    m_step = WriteSelected;
    m_write_operation = m_compare_operation;
    // Before the first 下载所选 of this comparison the drive held what the
    // comparison read; after that, what the last one read back.
    m_write_before = by_code(m_compare_drive);
    m_exchange->set_station(QSoftCore::get_core()->get_machine_address());
    m_exchange->write_and_verify(writes);
}

void QParvexWidget::record_writes(QParamExchange *exchange, const QString &operation,
                                  const QHash<QString, int> &before)
{
    QList<QPair<QMachineValue *, int>> asked;
    const QList<ParamVerify::Write> writes = exchange->writes();
    for (const ParamVerify::Write &write : writes)
        asked.append({write.value, write.raw});
    if (asked.isEmpty())
        return;
    const QList<tagWriteRecord> records =
        ParamAudit::records_of(QSoftCore::get_core()->get_machine(), operation, asked, before,
                               exchange->values(), exchange->write_errors());
    ParvexHistory::record_writes(records, this);
    // A later 下载所选 of the same comparison starts from what this one left.
    QHash<QString, int> read_back;
    for (const tagWriteRecord &record : records) {
        if (record.has_read_back)
            read_back.insert(record.code, record.read_back);
    }
    for (tagParamRaw &held : m_compare_drive)
        held.raw = read_back.value(held.code, held.raw);
    emit history_changed();
}

void QParvexWidget::write_selected_done()
{
    QWidget *parent = m_compare_dialog ? static_cast<QWidget *>(m_compare_dialog.data()) : this;
    const tagVerifyReport report = m_exchange->report();
    if (m_exchange->link_lost()) {
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("下载所选参数失败！"), QMessageBox::Ok, parent);
        box.setInformativeText(m_exchange->failure_text());
        box.exec();
        return;
    }
    if (report.all_verified()) {
        QMessageBox::information(parent, tr("提示"),
                                 tr("下载所选参数成功：写入并核对 %1 个参数。").arg(report.verified));
        return;
    }
    QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("下载所选参数完成，但有参数与要求不同！"),
                    QMessageBox::Ok, parent);
    box.setInformativeText(listed_rows(ParamVerify::lines(report)));
    box.exec();
}

// ---------------------------------------------------------------------------
// History

void QParvexWidget::open_description()
{
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_machine_version() < 0) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("没有连接设备：机型描述按设备的软件版本记住，请先连接。"));
        return;
    }
    if (!start_exchange_allowed())
        return;
    const QString path = QFileChooser::get_open_file_name(this, tr("打开机型描述"), QString(),
                                                          tr("机型描述 (*.xml)"));
    if (path.isEmpty())
        return;
    // A new model drops the changes kept for the old one.
    if (!ask_about_unsaved(true))
        return;
    QString error;
    if (!core->use_description(path, &error))
        QMessageBox::warning(this, tr(kWarning), error);
}

void QParvexWidget::show_history()
{
    QHistoryDialog dialog(this);
    connect(&dialog, &QHistoryDialog::compare_with_drive, this, &QParvexWidget::compare_with_snapshot);
    connect(this, &QParvexWidget::history_changed, &dialog, &QHistoryDialog::reload);
    dialog.exec();
}
