// The parameter page's editing beside the single write: a parameter file
// edited without a drive, changes kept until 写入更改, and undo and redo of
// every edit.

#include "qparvexwidget.h"

#include "qparamtreewidget.h"

#include <paramset/paramaudit.h>
#include <paramset/paramfiledocument.h>
#include <paramset/qparamexchange.h>

#include <core/dialogs/qfilechooser.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char *const kFileFilter = QT_TRANSLATE_NOOP("QParvexWidget", "数据文件(*.csv)");
const char *const kWarning = QT_TRANSLATE_NOOP("QParvexWidget", "警告");
// A list of refused writes longer than this is cut short in the message.
constexpr int kMaxListedWrites = 20;

QString code_text(QMachineValue *value)
{
    return value->get_value_property(VALUE_CODE).toString();
}

bool online()
{
    return QSoftCore::get_core()->get_communicate()->commu_status() == 0;
}

} // namespace

QParvexWidget::~QParvexWidget() = default;

QString QParvexWidget::keep_changes_key()
{
    return QStringLiteral("Parameter.KeepChanges");
}

void QParvexWidget::build_edit_actions()
{
    auto *open = new QAction(tr("打开参数文件…"), this);
    open->setObjectName(QStringLiteral("actionOpenFile"));
    connect(open, &QAction::triggered, this, &QParvexWidget::open_file);
    m_save_action = new QAction(tr("保存"), this);
    m_save_action->setObjectName(QStringLiteral("actionSaveFile"));
    m_save_action->setShortcut(QKeySequence::Save);
    m_save_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_save_action, &QAction::triggered, this, &QParvexWidget::save_file);
    m_save_as_action = new QAction(tr("另存为…"), this);
    m_save_as_action->setObjectName(QStringLiteral("actionSaveFileAs"));
    connect(m_save_as_action, &QAction::triggered, this, &QParvexWidget::save_file_as);

    // Only while the page has the focus: the search field and an open
    // editor keep their own undo.
    m_undo_action = new QAction(tr("撤销"), this);
    m_undo_action->setObjectName(QStringLiteral("actionUndo"));
    m_undo_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_undo_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_undo_action, &QAction::triggered, this, &QParvexWidget::undo);
    m_redo_action = new QAction(tr("重做"), this);
    m_redo_action->setObjectName(QStringLiteral("actionRedo"));
    m_redo_action->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    m_redo_action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_redo_action, &QAction::triggered, this, &QParvexWidget::redo);

    // How an edit reaches the drive; kept in the settings.
    auto *mode = new QAction(tr("修改方式"), this);
    mode->setObjectName(QStringLiteral("actionEditMode"));
    auto *mode_menu = new QMenu(this);
    auto *choices = new QActionGroup(mode_menu);
    auto *immediate = mode_menu->addAction(tr("立即写入"));
    immediate->setObjectName(QStringLiteral("actionWriteAtOnce"));
    m_keep_action = mode_menu->addAction(tr("暂存修改"));
    m_keep_action->setObjectName(QStringLiteral("actionKeepChanges"));
    for (QAction *choice : {immediate, m_keep_action}) {
        choice->setCheckable(true);
        choices->addAction(choice);
    }
    const bool keep = QSoftCore::get_core()->get_setting_value(keep_changes_key()).toInt() == 1;
    (keep ? m_keep_action : immediate)->setChecked(true);
    connect(m_keep_action, &QAction::toggled, this, [](bool kept) {
        QSoftCore::get_core()->set_setting_value(keep_changes_key(), kept ? 1 : 0);
    });
    mode->setMenu(mode_menu);

    auto *separator = new QAction(this);
    separator->setSeparator(true);
    auto *separator2 = new QAction(this);
    separator2->setSeparator(true);
    m_edit_actions << separator << open << m_save_action << m_save_as_action << separator2
                   << m_undo_action << m_redo_action << mode;
    addActions({m_save_action, m_undo_action, m_redo_action});

    // A drive that connects takes the page over: an open file is closed
    // (the window asked about it before connecting; a connection made
    // another way is asked about here, without a way back).
    QSoftCore *core = QSoftCore::get_core();
    connect(core, &QSoftCore::openCom, this, [this](bool open) {
        if (open && m_document) {
            ask_about_unsaved(false);
            close_document();
        }
    });
    document_state_changed();
}

QWidget *QParvexWidget::build_pending_bar()
{
    m_pending_bar = new QWidget;
    m_pending_bar->setObjectName(QStringLiteral("parvexPendingBar"));
    m_pending_label = new QLabel;
    m_pending_label->setObjectName(QStringLiteral("parvexPendingCount"));
    auto *write = new QPushButton(tr("写入更改"));
    write->setObjectName(QStringLiteral("parvexWritePending"));
    auto *discard = new QPushButton(tr("放弃"));
    discard->setObjectName(QStringLiteral("parvexDiscardPending"));
    auto *row = new QHBoxLayout(m_pending_bar);
    row->setContentsMargins(5, 2, 5, 2);
    row->addWidget(m_pending_label, 1);
    row->addWidget(write);
    row->addWidget(discard);
    connect(write, &QPushButton::clicked, this, &QParvexWidget::write_pending);
    connect(discard, &QPushButton::clicked, this, &QParvexWidget::discard_pending);
    m_pending_bar->hide();
    return m_pending_bar;
}

bool QParvexWidget::keep_changes() const
{
    return m_keep_action && m_keep_action->isChecked();
}

// ---------------------------------------------------------------------------
// An edit from the table

void QParvexWidget::edit_committed(QMachineValue *value, int raw, bool has_before, int before)
{
    const QString code = code_text(value);
    if (m_document) {
        m_edit_history.push({ParamEditStep::File, {{code, has_before, before, raw}}});
        value->set_base_value(raw);
        m_document->set_raw(value, raw);
        document_state_changed();
        return;
    }
    if (keep_changes()) {
        int kept = 0;
        const bool had = m_param_tree->pending().contains(code);
        if (had)
            kept = m_param_tree->pending().value(code);
        m_edit_history.push({ParamEditStep::Pending, {{code, had, kept, raw}}});
        keep_change(value, true, raw);
        return;
    }
    // Written at once, as it always was; a change kept for this parameter
    // is overtaken by it.
    keep_change(value, false, 0);
    if (has_before)
        m_edit_history.push({ParamEditStep::Written, {{code, true, before, raw}}});
    write_changes({{value, raw}});
    document_state_changed();
}

void QParvexWidget::keep_change(QMachineValue *value, bool keep, int raw)
{
    // A change back to what the drive holds is no change.
    const bool same = value->has_value() && value->get_base_value() == raw;
    m_param_tree->set_pending(code_text(value), keep && !same, raw);
    pending_changed();
}

void QParvexWidget::pending_changed()
{
    const int count = int(m_param_tree->pending().size());
    m_pending_label->setText(tr("%1 个修改暂存，尚未写入设备").arg(count));
    m_pending_bar->setVisible(count > 0);
    document_state_changed();
}

// ---------------------------------------------------------------------------
// Kept changes

void QParvexWidget::write_pending()
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    const QMap<QString, int> pending = m_param_tree->pending();
    if (pending.isEmpty())
        return;
    if (!machine || !online()) {
        QMessageBox::warning(this, tr(kWarning), tr("设备未连接，暂存的修改没有写入！"));
        return;
    }
    QList<ParamVerify::Write> writes;
    ParamEditStep step{ParamEditStep::Written, {}};
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        QMachineValue *value = machine->get_value(it.key());
        if (!value)
            continue;
        writes.append({value, it.value()});
        if (value->has_value())
            step.changes.append({it.key(), true, value->get_base_value(), it.value()});
    }
    // Written now, so no longer kept: one step takes them all back.
    m_edit_history.remove(ParamEditStep::Pending);
    m_edit_history.push(step);
    m_param_tree->forget_pending();
    pending_changed();
    write_changes(writes);
}

void QParvexWidget::discard_pending()
{
    const int count = int(m_param_tree->pending().size());
    if (count == 0)
        return;
    m_edit_history.remove(ParamEditStep::Pending);
    m_param_tree->forget_pending();
    pending_changed();
    emit QSoftCore::get_core()->status_message(tr("已放弃 %1 个暂存的修改").arg(count));
}

void QParvexWidget::write_changes(const QList<ParamVerify::Write> &writes)
{
    if (writes.isEmpty())
        return;
    QSoftCore *core = QSoftCore::get_core();
    auto *run = new QParamExchange(core->get_communicate()->mission_manager(), core->get_machine_address(), this);
    run->set_grouped(false);
    // What the drive held, for the write records; then the values are
    // shown at once and the read-back shows what the drive really took.
    QHash<QString, int> held;
    for (const ParamVerify::Write &write : writes) {
        if (write.value->has_value())
            held.insert(code_text(write.value), write.value->get_base_value());
    }
    for (const ParamVerify::Write &write : writes)
        write.value->set_base_value(write.raw);
    m_edit_runs.insert(run, held);
    connect(run, &QParamExchange::finished, this, [this, run] {
        const QHash<QMachineValue *, int> read = run->values();
        const QList<ParamVerify::Write> done = run->writes();
        for (const ParamVerify::Write &write : done) {
            m_param_tree->edit_finished(write.value, write.raw, run->write_errors().value(write.value, 0),
                                        read.contains(write.value), read.value(write.value, 0),
                                        run->first_failure_code());
        }
        record_writes(run, ParamAudit::edit(), m_edit_runs.take(run));
        const tagVerifyReport report = run->report();
        run->deleteLater();
        if (done.size() < 2)
            return;
        const QString counts = tr("写入 %1 个参数，核对一致 %2 个，与要求不同 %3 个，被拒绝 %4 个。")
                                   .arg(report.written).arg(report.verified)
                                   .arg(report.different.size() + report.unread.size())
                                   .arg(report.refused.size());
        emit QSoftCore::get_core()->status_message(counts);
        if (report.all_verified())
            return;
        const QStringList lines = ParamVerify::lines(report);
        QMessageBox box(QMessageBox::Warning, tr(kWarning), tr("写入更改完成，但有参数与要求不同！"),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("parvexWriteChangesReport"));
        box.setInformativeText(counts + QLatin1Char('\n') + lines.mid(0, kMaxListedWrites).join(QLatin1Char('\n')));
        box.setDetailedText(lines.join(QLatin1Char('\n')));
        box.exec();
    });
    run->write_and_verify(writes);
}

// ---------------------------------------------------------------------------
// Undo and redo

void QParvexWidget::undo()
{
    const ParamEditStep *next = m_edit_history.next_undo();
    if (!next)
        return;
    if (next->kind == ParamEditStep::Written && !online()) {
        QMessageBox::warning(this, tr(kWarning), tr("设备未连接：已写入的修改要写回原值才能撤销。"));
        return;
    }
    ParamEditStep step;
    m_edit_history.undo(&step);
    apply_step(step, false);
}

void QParvexWidget::redo()
{
    const ParamEditStep *next = m_edit_history.next_redo();
    if (!next)
        return;
    if (next->kind == ParamEditStep::Written && !online()) {
        QMessageBox::warning(this, tr(kWarning), tr("设备未连接：无法重做已写入的修改。"));
        return;
    }
    ParamEditStep step;
    m_edit_history.redo(&step);
    apply_step(step, true);
}

void QParvexWidget::apply_step(const ParamEditStep &step, bool forward)
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (!machine)
        return;
    QList<ParamVerify::Write> writes;
    QStringList said;
    for (const ParamEditChange &change : step.changes) {
        QMachineValue *value = machine->get_value(change.code);
        if (!value)
            continue;
        const bool has = forward || change.has_before;
        const int raw = forward ? change.after : change.before;
        said << (has ? QStringLiteral("%1 = %2").arg(change.code, value->text_of_raw(raw))
                     : tr("%1 回到文件中没有的状态").arg(change.code));
        switch (step.kind) {
        case ParamEditStep::File:
            if (!m_document)
                break;
            if (has) {
                value->set_base_value(raw);
                m_document->set_raw(value, raw);
            } else {
                value->forget_value();
                m_document->revert(change.code);
            }
            break;
        case ParamEditStep::Pending:
            keep_change(value, has, raw);
            break;
        case ParamEditStep::Written:
            if (has)
                writes.append({value, raw});
            break;
        }
    }
    write_changes(writes);
    document_state_changed();
    emit QSoftCore::get_core()->status_message((forward ? tr("重做：%1") : tr("撤销：%1"))
                                                   .arg(said.join(QStringLiteral("，"))));
}

// ---------------------------------------------------------------------------
// A parameter file edited without a drive

void QParvexWidget::open_file()
{
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_communicate()->serial_status() == 0) {
        QMessageBox::warning(this, tr(kWarning), tr("设备已连接：请先断开连接，再离线编辑参数文件。"));
        return;
    }
    const QString path = QFileChooser::get_open_file_name(this, tr("打开参数文件"), QString(), tr(kFileFilter));
    if (path.isEmpty())
        return;
    if (m_document) {
        if (!ask_about_unsaved(true))
            return;
        close_document();
    }

    // The description: the one of the model shown (a fresh model of it, so
    // that nothing a drive said stays beside the file's values), or one the
    // operator chooses when there is none.
    QString error;
    if (core->get_machine()) {
        m_closing_document = true;
        core->new_machine();
        m_closing_document = false;
    }
    if (!core->get_machine()) {
        const QString description = QFileChooser::get_open_file_name(this, tr("选择参数文件的机型描述"), QString(),
                                                                     tr("机型描述 (*.xml)"));
        if (description.isEmpty())
            return;
        if (!core->use_offline_description(description, &error)) {
            QMessageBox::warning(this, tr(kWarning), error);
            return;
        }
    }
    QMachine *machine = core->get_machine();
    auto document = std::make_unique<ParamFileDocument>();
    if (!document->load(path, machine, &error)) {
        QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("文件错误，无法加载！"), QMessageBox::Ok, this);
        box.setInformativeText(QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), error));
        box.exec();
        return;
    }
    const QList<tagParamRaw> values = document->values();
    for (const tagParamRaw &entry : values) {
        if (QMachineValue *value = machine->get_value(entry.code))
            value->set_base_value(entry.raw);
    }
    m_document = std::move(document);
    m_edit_history.clear();
    m_param_tree->forget_marks();
    m_param_tree->forget_pending();
    m_param_tree->set_file_edit(true);
    pending_changed();

    const int missing = int(machine->get_parameters().size()) - int(values.size());
    emit core->status_message(tr("离线编辑 %1（机型描述 %2）：文件中 %3 个参数，文件没有的参数 %4 个")
                                  .arg(QFileInfo(path).fileName(), machine->get_name())
                                  .arg(values.size())
                                  .arg(qMax(0, missing)));
    const QStringList problems = m_document->problems();
    if (!problems.isEmpty()) {
        // Kept in the file as they are; a download would not write them.
        QMessageBox box(QMessageBox::Warning, tr(kWarning),
                        tr("文件中有 %1 行不能用于机型描述 %2，保存时原样保留，下载时不会写入。")
                            .arg(problems.size())
                            .arg(machine->get_name()),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("parvexFileProblems"));
        box.setInformativeText(problems.mid(0, kMaxListedWrites).join(QLatin1Char('\n')));
        box.setDetailedText(problems.join(QLatin1Char('\n')));
        box.exec();
    }
}

bool QParvexWidget::save_file()
{
    if (!m_document)
        return false;
    QString error;
    if (!m_document->save(m_document->path(), QSoftCore::get_core()->get_machine(), &error)) {
        QMessageBox::warning(this, tr(kWarning), tr("参数文件 %1 保存失败：%2")
                                                     .arg(QDir::toNativeSeparators(m_document->path()), error));
        return false;
    }
    emit QSoftCore::get_core()->status_message(tr("已保存 %1").arg(QDir::toNativeSeparators(m_document->path())));
    document_state_changed();
    return true;
}

bool QParvexWidget::save_file_as()
{
    if (!m_document)
        return false;
    const QString path = QFileChooser::get_save_file_name(this, tr("另存为"), QString(), tr(kFileFilter));
    if (path.isEmpty())
        return false;
    QString error;
    if (!m_document->save(path, QSoftCore::get_core()->get_machine(), &error)) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("参数文件 %1 保存失败：%2").arg(QDir::toNativeSeparators(path), error));
        return false;
    }
    emit QSoftCore::get_core()->status_message(tr("已保存 %1").arg(QDir::toNativeSeparators(path)));
    document_state_changed();
    return true;
}

bool QParvexWidget::ask_about_unsaved(bool can_cancel)
{
    if (m_document && m_document->is_modified()) {
        QMessageBox box(QMessageBox::Question, tr("参数文件"),
                        tr("参数文件 %1 的修改还没有保存（%2 个参数）。")
                            .arg(QFileInfo(m_document->path()).fileName())
                            .arg(m_document->change_count()),
                        QMessageBox::Save | QMessageBox::Discard
                            | (can_cancel ? QMessageBox::Cancel : QMessageBox::NoButton),
                        this);
        box.setObjectName(QStringLiteral("parvexUnsavedFile"));
        box.button(QMessageBox::Save)->setText(tr("保存"));
        box.button(QMessageBox::Discard)->setText(tr("不保存"));
        if (can_cancel)
            box.button(QMessageBox::Cancel)->setText(tr("取消"));
        box.setDefaultButton(QMessageBox::Save);
        const int answer = box.exec();
        if (answer == QMessageBox::Save) {
            // A save that fails keeps the file open where it may.
            if (!save_file() && can_cancel)
                return false;
        } else if (answer != QMessageBox::Discard && can_cancel) {
            return false;
        } else if (answer != QMessageBox::Discard) {
            // No way back and no answer: the changes are not dropped unsaved.
            save_file();
        }
    }
    const int kept = int(m_param_tree->pending().size());
    if (kept > 0 && can_cancel) {
        QMessageBox box(QMessageBox::Question, tr("暂存修改"), tr("有 %1 个暂存的修改还没有写入设备。").arg(kept),
                        QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setObjectName(QStringLiteral("parvexUnwrittenChanges"));
        box.button(QMessageBox::Discard)->setText(tr("放弃修改"));
        box.button(QMessageBox::Cancel)->setText(tr("取消"));
        box.setDefaultButton(QMessageBox::Cancel);
        if (box.exec() != QMessageBox::Discard)
            return false;
        discard_pending();
    }
    return true;
}

bool QParvexWidget::release_document()
{
    return ask_about_unsaved(true);
}

void QParvexWidget::close_document()
{
    if (!m_document)
        return;
    m_document.reset();
    m_edit_history.clear();
    m_param_tree->set_file_edit(false);
    // The file's values leave with it: a fresh model of the description.
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_machine()) {
        m_closing_document = true;
        core->new_machine();
        m_closing_document = false;
    }
    document_state_changed();
}

QString QParvexWidget::document_title() const
{
    if (!m_document)
        return QString();
    return QFileInfo(m_document->path()).fileName() + (m_document->is_modified() ? QStringLiteral(" *") : QString())
        + tr("（离线）");
}

void QParvexWidget::document_state_changed()
{
    // The rows changed since the file was saved are marked.
    QMap<QString, QString> unsaved;
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (m_document && machine) {
        const QStringList codes = m_document->changed_codes();
        for (const QString &code : codes) {
            int raw = 0;
            QMachineValue *value = machine->get_value(code);
            unsaved.insert(code, value && m_document->file_raw(code, &raw) ? value->text_of_raw(raw) : QString());
        }
    }
    m_param_tree->set_unsaved(unsaved);
    if (m_save_action) {
        m_save_action->setEnabled(m_document != nullptr);
        m_save_as_action->setEnabled(m_document != nullptr);
        m_undo_action->setEnabled(m_edit_history.can_undo());
        m_redo_action->setEnabled(m_edit_history.can_redo());
    }
    emit document_changed();
}
