#include "qparvexwidget.h"

#include "paramsetfile.h"
#include "parvexmissions.h"
#include "qparamtreewidget.h"
#include "qparvextreewidget.h"

#include "minisplitter.h"
#include "qactiontoolbar.h"
#include "qfilechooser.h"
#include "qlocalcodec.h"
#include "qsafefile.h"
#include "qsoftcore.h"
#include "styledbar.h"

#include "qcommunicate.h"
#include "qmachine.h"
#include "qmachinevalue.h"
#include "qmission.h"
#include "qmissionmanager.h"
#include "tagvaluegroup.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

// Translated where they are used (the translator is installed after start-up).
const char *const kFileFilter = QT_TRANSLATE_NOOP("QParvexWidget", "数据文件(*.csv)");
const char *const kWarning = QT_TRANSLATE_NOOP("QParvexWidget", "警告");
// A refused row list longer than this is cut short in the message.
constexpr int kMaxListedRows = 20;


QString listed_rows(const QStringList &rows)
{
    QStringList shown = rows.mid(0, kMaxListedRows);
    if (rows.size() > kMaxListedRows)
        shown.append(QParvexWidget::tr("……共 %1 行").arg(rows.size()));
    return shown.join(QLatin1Char('\n'));
}

} // namespace

QParvexWidget::QParvexWidget(QWidget *parent)
    : QAbstractPageWidget(parent)
    , m_group_tree(new QParvexTreeWidget)
    , m_param_tree(new QParamTreeWidget)
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
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    m_actions << upload << download << separator;

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

    auto *splitter = new MiniSplitter;
    splitter->addWidget(m_group_tree);
    splitter->addWidget(m_param_tree);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);

    QSoftCore *core = QSoftCore::get_core();
    connect(core, &QSoftCore::parvex_changed, this, &QParvexWidget::parvex_changed);
    connect(core, &QSoftCore::clear_machine_signal, this, &QParvexWidget::release_machine);
    connect(m_group_tree, &QParvexTreeWidget::select_changed, m_param_tree,
            &QParamTreeWidget::set_params);
    setAllToolBtn(false);
    connect(core, &QSoftCore::openCom, this, &QParvexWidget::setAllToolBtn);

    // A core that already holds a model (a plug-in loaded late) is shown at once.
    parvex_changed();
}

void QParvexWidget::parvex_changed()
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (machine)
        m_group_tree->set_groups(machine->get_groups());
    else
        m_group_tree->clear_groups();
}

void QParvexWidget::release_machine()
{
    m_group_tree->clear_groups();
    m_param_tree->clear_params();
}

void QParvexWidget::setAllToolBtn(bool bVisual)
{
    for (QAction *action : qAsConst(m_actions)) {
        if (!action->isSeparator())
            action->setEnabled(bVisual);
    }
}

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
    core->get_communicate()->mission_manager()->add_mission_group(missions, QString());
    qDeleteAll(missions);
}

void QParvexWidget::up_load_finish(bool success)
{
    disconnect(QSoftCore::get_core(), &QSoftCore::mission_group_done, this,
               &QParvexWidget::up_load_finish);
    if (success)
        save(false);
    else
        QMessageBox::critical(this, tr(kWarning), tr("上传参数失败！"), QMessageBox::Ok);
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

void QParvexWidget::down_load()
{
    QSoftCore *core = QSoftCore::get_core();
    core->clearErrLog();
    core->m_show_err_log = true;

    const QString path = QFileChooser::get_open_file_name(this, tr("打开"),
                                                          QString(), tr(kFileFilter));
    if (path.isEmpty())
        return;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("无法打开参数文件 %1：%2")
                                 .arg(QDir::toNativeSeparators(path), file.errorString()));
        return;
    }
    const QString text = QLocalCodec::decode(file.readAll());
    file.close();

    QCSVFile table;
    table.load(text);
    const QString header_error = ParamSetFile::check_header(table);
    if (!header_error.isEmpty()) {
        QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("文件错误，无法加载！"),
                        QMessageBox::Ok, this);
        box.setInformativeText(header_error);
        box.exec();
        return;
    }

    const int station = core->get_machine_address();
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, core->get_machine());
    const QStringList &refused = plan.refused;
    QList<QMission *> missions;
    for (const ParamSetFile::DownloadPlan::Write &write : plan.writes) {
        missions.append(ParvexMissions::write_missions(write.value, write.raw, station));
        write.value->set_base_value(write.raw);
    }

    if (missions.isEmpty()) {
        QMessageBox box(QMessageBox::Critical, tr(kWarning), tr("没有可以下载的参数！"),
                        QMessageBox::Ok, this);
        if (!refused.isEmpty())
            box.setDetailedText(refused.join(QLatin1Char('\n')));
        box.exec();
        return;
    }
    if (!refused.isEmpty()) {
        QMessageBox::warning(this, tr(kWarning),
                             tr("以下参数行有误，没有下载：\n%1").arg(listed_rows(refused)));
    }

    core->get_communicate()->mission_manager()->add_mission_group(missions,
                                                                   tr("下载功能参数"));
    qDeleteAll(missions);
}
