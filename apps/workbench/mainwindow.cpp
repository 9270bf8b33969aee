#include "mainwindow.h"
#include "qhistorydatabasedialog.h"
#include "qcommunicatedialog.h"
#include "qdiagnosticsdialog.h"
#include "qgroupmissionprogressdialog.h"
#include "qlogdialog.h"
#include "qsearchdialog.h"
#include "workbenchresources.h"

#include <workbench/navigation/fancytabwidget.h>

#include <core/style/manhattanstyle.h>
#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <core/plugin/qabstractpagewidget.h>
#include <core/plugin/qmenuactionmap.h>
#include <core/qsoftcore.h>
#include <coredata/quilanguage.h>
#include <machine/driveprofile.h>
#include <machine/qmachine.h>

#include <paramset/linksettings.h>
#include <communicate/qcommunicate.h>
#include <communicate/services/qlinkstatistics.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/qmachine.h>

#include <QAction>
#include <QTranslator>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

#include <algorithm>

namespace {

const QString ActionConnectFast = QStringLiteral("Menu.Communation.ConnectFast");
const QString ActionDisconnect = QStringLiteral("Menu.Communation.Disconnect");
const QString ActionSearch = QStringLiteral("Menu.Communation.Search");
const QString ActionDiagnostics = QStringLiteral("Menu.Communation.Diagnostics");

QAction *menu_action(const QString &key)
{
    tagActionInfo *info = QSoftCore::get_core()->get_menu_action_map()->get_action(key);
    return info ? info->action : nullptr;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_menu_bar(new QMenuBar)
    , m_progress_dialog(nullptr)
    , m_tab_widget(nullptr)
{
    init_workbench_resources();
    QApplication::setStyle(new ManhattanStyle(QApplication::style()->name()));
    // The core reads the window back as a QObject* to parent its dialogs.
    qApp->setProperty("MainWindow", QVariant::fromValue<QObject *>(this));
    setMenuBar(m_menu_bar);
    setWindowTitle(QStringLiteral("Vantorel"));
    setWindowIcon(QIcon(QStringLiteral(":/images/workbench.png")));
    setProperty("panelWidget", true);

    register_menus();
    build_menu_bar();

    m_tab_widget = new FancyTabWidget;
    // The link's counters in one line, left of the lamp; read on a timer,
    // never per exchange.
    m_link_summary = new QLabel;
    m_link_summary->setObjectName(QStringLiteral("linkSummary"));
    m_link_summary->setStyleSheet(QStringLiteral("color:rgb(255,255,255);"));
    m_tab_widget->statusBar()->insertPermanentWidget(0, m_link_summary, 0);
    m_link_summary_timer.setInterval(LinkSummaryMs);
    connect(&m_link_summary_timer, &QTimer::timeout, this, &MainWindow::update_link_summary);
    m_link_summary_timer.start();
    update_link_summary();

    m_no_answer_timer.setSingleShot(true);
    m_no_answer_timer.setInterval(NoAnswerNoticeMs);
    // A coarse timer may fire up to 5 % early; the notice promises the time.
    m_no_answer_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_no_answer_timer, &QTimer::timeout, this, &MainWindow::no_answer);

    // The no-answer state, from the link's public reports only: an exchange
    // without an answer, or any answer at all.
    m_steady.start();
    set_clock(nullptr);
    m_answer_tick.setInterval(AnswerTickMs);
    connect(&m_answer_tick, &QTimer::timeout, this, &MainWindow::check_answers);

    QSoftCore *core = QSoftCore::get_core();
    QMissionManager *manager = core->get_communicate()->mission_manager();
    connect(manager, &QMissionManager::mission_failed, this,
            [this](QMission *, int code) { link_unanswered(code); });
    connect(manager, &QMissionManager::mission_success, this, &MainWindow::link_answered);
    connect(core, &QSoftCore::status_message, this,
            [this](const QString &text) { m_tab_widget->statusBar()->showMessage(text); });
    connect(core, &QSoftCore::parvex_changed, this, &MainWindow::update_title);
    connect(core, &QSoftCore::show_err_log, this, [] {
        QLogDialog log(nullptr);
        log.exec();
    });
    connect(core, &QSoftCore::add_sub_window, this, &MainWindow::add_sub_window);
    connect(core->get_communicate(), &QCommunicate::offline, this, &MainWindow::offline);
    connect(core->get_communicate(), &QCommunicate::online, this, &MainWindow::online);

    setCentralWidget(m_tab_widget);
    add_pages();
    m_tab_widget->setCurrentIndex(0);

    core->new_machine();
    if (!core->get_machine()) {
        const QString reason = core->machine_error();
        QMessageBox::warning(this, tr("警告"),
                             reason.isEmpty() ? tr("无法加载机型描述。") : reason,
                             QMessageBox::Ok);
        core->release_machine();
    }
}

MainWindow::~MainWindow()
{
    // Reports a group still running; the window is still whole here.
    delete m_progress_dialog;
    m_progress_dialog = nullptr;
    if (qApp && qApp->property("MainWindow").value<QObject *>() == this)
        qApp->setProperty("MainWindow", QVariant());
}

void MainWindow::register_menus()
{
    QMenuActionMap *map = QSoftCore::get_core()->get_menu_action_map();

    map->insert_group(QStringLiteral("Menu.Communation"), tr("通信"), 0);

    auto add = [map](const QString &group, const QString &key, QAction *action) {
        auto *info = new tagActionInfo;
        info->key = key;
        info->action = action;
        if (!map->insert_action(group, info, -1))
            delete info;
    };

    auto *connect_fast = new QAction(this);
    connect_fast->setText(tr("连接设备"));
    connect_fast->setIcon(QIcon(QStringLiteral(":/images/connect.png")));
    connect(connect_fast, &QAction::triggered, this, &MainWindow::serial_connect_fast);
    add(QStringLiteral("Menu.Communation"), ActionConnectFast, connect_fast);

    auto *disconnect_action = new QAction(this);
    disconnect_action->setText(tr("断开连接"));
    disconnect_action->setIcon(QIcon(QStringLiteral(":/images/disconnect.png")));
    connect(disconnect_action, &QAction::triggered, this, &MainWindow::serial_disconnect);
    add(QStringLiteral("Menu.Communation"), ActionDisconnect, disconnect_action);
    disconnect_action->setEnabled(false);

    auto *search = new QAction(this);
    search->setText(tr("搜索设备"));
    search->setIcon(QIcon(QStringLiteral(":/images/search.png")));
    connect(search, &QAction::triggered, this, &MainWindow::search_devices);
    add(QStringLiteral("Menu.Communation"), ActionSearch, search);

    auto *separator = new QAction(this);
    separator->setSeparator(true);
    add(QStringLiteral("Menu.Communation"), QStringLiteral("Menu.Communation.Separator_1"),
        separator);

    auto *diagnostics = new QAction(this);
    diagnostics->setText(tr("通信诊断"));
    connect(diagnostics, &QAction::triggered, this, &MainWindow::show_diagnostics);
    add(QStringLiteral("Menu.Communation"), ActionDiagnostics, diagnostics);

    map->insert_group(QStringLiteral("Menu.Setting"), tr("设置"), 1);
    auto *settings = new QAction(this);
    settings->setText(tr("通信设置"));
    connect(settings, &QAction::triggered, this, &MainWindow::serial_connect);
    add(QStringLiteral("Menu.Setting"), QStringLiteral("Menu.Setting.Communicate"), settings);
    add(QStringLiteral("Menu.Setting"), QStringLiteral("Menu.Setting.Language"), language_action());
    auto *history = new QAction(this);
    history->setText(tr("历史记录位置"));
    connect(history, &QAction::triggered, this, [this] {
        QHistoryDatabaseDialog dialog(this);
        dialog.exec();
    });
    add(QStringLiteral("Menu.Setting"), QStringLiteral("Menu.Setting.History"), history);
}

QAction *MainWindow::language_action()
{
    // Texts already made stay as they are: the choice is stored and takes
    // effect at the next start.
    auto *language = new QAction(tr("界面语言"), this);
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("languageMenu"));
    auto *choices = new QActionGroup(menu);
    const QUiLanguage::Language stored = QUiLanguage::from_setting(
        QSoftCore::get_core()->get_setting_value(QUiLanguage::setting_key()));
    const QList<QPair<QUiLanguage::Language, QString>> languages = {
        {QUiLanguage::Chinese, tr("中文")}, {QUiLanguage::English, QStringLiteral("English")}};
    for (const auto &entry : languages) {
        const QUiLanguage::Language choice = entry.first;
        QAction *action = menu->addAction(entry.second);
        action->setCheckable(true);
        action->setChecked(choice == stored);
        action->setData(QUiLanguage::to_setting(choice));
        choices->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice] {
            QSoftCore::get_core()->set_setting_value(QUiLanguage::setting_key(),
                                                     QUiLanguage::to_setting(choice));
            if (m_tab_widget)
                m_tab_widget->statusBar()->showMessage(
                    restart_notice(choice, QCoreApplication::applicationDirPath()));
        });
    }
    language->setMenu(menu);
    return language;
}

QString MainWindow::restart_notice(QUiLanguage::Language language, const QString &program_dir)
{
    // Said in the language chosen, which is the one its reader asked for.
    const char *notice = QT_TRANSLATE_NOOP("MainWindow", "界面语言将在程序下次启动时生效。");
    QTranslator translator;
    if (language != QUiLanguage::Chinese
        && QUiLanguage::load(&translator, language, program_dir)) {
        const QString translated = translator.translate("MainWindow", notice);
        if (!translated.isEmpty())
            return translated;
    }
    return QString::fromUtf8(notice);
}

void MainWindow::build_menu_bar()
{
    QMenuActionMap *map = QSoftCore::get_core()->get_menu_action_map();
    for (int i = 0; i < map->group_count(); ++i) {
        tagGroupInfo *group = map->get_group(i);
        QMenu *menu = m_menu_bar->addMenu(group->text);
        QList<QAction *> actions;
        for (tagActionInfo *info : std::as_const(group->actions))
            actions.append(info->action);
        menu->addActions(actions);
    }
}

void MainWindow::add_pages()
{
    const QMap<QString, QAbstractPlugin *> plugins =
        PluginLoader::get_plugin_by_type(QStringLiteral("Plugin.Page"));
    for (QAbstractPlugin *plugin : plugins) {
        if (auto *page = qobject_cast<QAbstractPage *>(plugin))
            m_pages.append(page);
    }
    std::stable_sort(m_pages.begin(), m_pages.end(), [](QAbstractPage *a, QAbstractPage *b) {
        return a->get_page_order() < b->get_page_order();
    });
    for (int i = 0; i < m_pages.count(); ++i) {
        QAbstractPage *page = m_pages.at(i);
        m_tab_widget->insertTab(i, page->get_widget(), page->get_page_icon(),
                                page->get_page_title());
        if (auto *widget = qobject_cast<QAbstractPageWidget *>(page->get_widget()))
            connect(widget, &QAbstractPageWidget::document_changed, this, &MainWindow::update_title);
    }
}

void MainWindow::read_serial_config()
{
    QSoftCore *core = QSoftCore::get_core();
    // A station that is there but no whole number in 1..247 gives station 1,
    // and the settings dialog says so.
    m_serial_config = LinkSettings::read([core](const QString &key) { return core->get_setting_value(key); },
                                         &m_bad_station);
}

void MainWindow::write_serial_config()
{
    QSoftCore *core = QSoftCore::get_core();
    LinkSettings::write([core](const QString &key, const QVariant &value) { core->set_setting_value(key, value); },
                        m_serial_config);
}

void MainWindow::paintEvent(QPaintEvent *event)
{
    // The navigation widget covers the whole window and paints itself.
    Q_UNUSED(event)
}

void MainWindow::add_sub_window(QMdiSubWindow *sub_window)
{
    // The window has no sub-window area.
    Q_UNUSED(sub_window)
}

bool MainWindow::pages_released()
{
    for (QAbstractPage *page : std::as_const(m_pages)) {
        auto *widget = qobject_cast<QAbstractPageWidget *>(page->get_widget());
        if (widget && !widget->release_document())
            return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Work not yet saved or written is asked about; the operator may stay.
    if (!pages_released()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

QString MainWindow::document_title() const
{
    for (QAbstractPage *page : m_pages) {
        auto *widget = qobject_cast<QAbstractPageWidget *>(page->get_widget());
        const QString title = widget ? widget->document_title() : QString();
        if (!title.isEmpty())
            return title;
    }
    return QString();
}

void MainWindow::serial_connect_fast()
{
    // A drive takes the pages over: what they edit without one is asked
    // about first.
    if (!pages_released())
        return;
    read_serial_config();
    if (!m_bad_station.isEmpty())
        qWarning("workbench: the stored station \"%s\" is not a whole number in 1..247; using 1",
                 qPrintable(m_bad_station));
    // Every mission the core and the pages build from now on goes to it.
    QSoftCore::get_core()->set_machine_address(m_serial_config.station);
    if (!QSoftCore::get_core()->serial_connect(m_serial_config)) {
        // The message stays as it always was; the port and the reason follow.
        const QString port = QCommunicate::port_for(m_serial_config);
        QMessageBox box(QMessageBox::Warning, tr("警告"), tr("打开串口失败！"), QMessageBox::Ok, this);
        QString reason = QSoftCore::get_core()->get_communicate()->open_error();
        if (reason.isEmpty())
            reason = tr("端口被占用或无法打开");
        box.setInformativeText(tr("端口 %1：%2").arg(port, reason));
        box.exec();
        return;
    }
    if (QAction *action = menu_action(ActionConnectFast))
        action->setEnabled(false);
    if (QAction *action = menu_action(ActionDisconnect))
        action->setEnabled(true);
    // The probe repeats without a sound until the drive answers; the
    // operator must see that it is still waiting.
    if (QSoftCore::get_core()->get_communicate()->commu_status() != 0) {
        m_tab_widget->statusBar()->showMessage(tr("正在连接…"));
        m_no_answer_timer.start();
    }
}

void MainWindow::stop_waiting_for_answer()
{
    m_no_answer_timer.stop();
    m_tab_widget->statusBar()->clearMessage();
}

void MainWindow::no_answer()
{
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_communicate()->serial_status() != 0 || core->get_communicate()->commu_status() == 0)
        return;
    // Not modal: the probe goes on behind it, and an answer closes it.
    if (m_no_answer_box)
        m_no_answer_box->close();
    auto *box = new QMessageBox(QMessageBox::Warning, tr("警告"),
                                tr("设备无应答：端口 %1，波特率 %2，站号 %3。请检查接线和通信设置。")
                                    .arg(QCommunicate::port_for(m_serial_config))
                                    .arg(m_serial_config.baud_rate)
                                    .arg(core->get_machine_address()),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    m_no_answer_box = box;
    box->show();
}

void MainWindow::serial_connect()
{
    read_serial_config();
    QCommunicateDialog dialog(m_serial_config, this);
    if (!m_bad_station.isEmpty())
        dialog.note_invalid_station(m_bad_station);
    dialog.exec();
    if (dialog.get_ret() != 1)
        return;
    m_serial_config = dialog.get_config();
    write_serial_config();
}

void MainWindow::serial_disconnect()
{
    m_closing = true;
    QSoftCore::get_core()->serial_disconnect();
    m_closing = false;
}

void MainWindow::update_title()
{
    QSoftCore *core = QSoftCore::get_core();
    QCommunicate *link = core->get_communicate();
    if (link->serial_status() != 0) {
        const QString document = document_title();
        setWindowTitle(document.isEmpty() ? QStringLiteral("Vantorel") : QStringLiteral("Vantorel - ") + document);
        return;
    }
    const QString target = core->target_text();
    setWindowTitle(QStringLiteral("Vantorel - ") + target);
    if (link->commu_status() == 0 && !m_answer_watch.silent())
        m_tab_widget->statusBar()->showMessage(tr("已连接：%1").arg(target));
}

void MainWindow::set_clock(std::function<qint64()> now)
{
    if (now)
        m_now = std::move(now);
    else
        m_now = [this] { return m_steady.elapsed(); };
}

void MainWindow::link_unanswered(int code)
{
    if (code != QMissionManager::ERR_NO_ANSWER) {
        // The drive's exception is an answer; a malformed one or a closed
        // link is not silence.
        if (code < QMissionManager::ERR_NO_ANSWER)
            link_answered();
        return;
    }
    if (m_answer_watch.unanswered(m_now()))
        show_answer_state();
}

void MainWindow::link_answered()
{
    if (m_answer_watch.answered(m_now()))
        show_answer_state();
}

void MainWindow::check_answers()
{
    if (m_answer_watch.tick(m_now()))
        show_answer_state();
}

void MainWindow::show_answer_state()
{
    QSoftCore *core = QSoftCore::get_core();
    if (core->get_communicate()->serial_status() != 0)
        return;
    m_tab_widget->set_no_answer(m_answer_watch.silent());
    if (m_answer_watch.silent()) {
        const QDateTime since = QDateTime::currentDateTime().addMSecs(m_answer_watch.since() - m_now());
        m_tab_widget->statusBar()->showMessage(
            tr("设备自 %1 起无应答：%2").arg(since.toString(QStringLiteral("HH:mm:ss")), core->target_text()));
    } else {
        m_tab_widget->statusBar()->showMessage(tr("设备恢复应答：%1").arg(core->target_text()));
    }
}

void MainWindow::online()
{
    m_answer_watch.reset(m_now());
    m_answer_tick.start();
    update_link_summary();
    stop_waiting_for_answer();
    if (m_no_answer_box)
        m_no_answer_box->close();
    if (m_link_lost_box)
        m_link_lost_box->close();
    write_serial_config();
    if (!m_progress_dialog)
        m_progress_dialog = new QGroupMissionProgressDialog(this);
    update_title();
}

void MainWindow::offline()
{
    const bool was_online = m_answer_tick.isActive();
    m_answer_tick.stop();
    m_answer_watch.reset(m_now());
    stop_waiting_for_answer();
    setWindowTitle(QStringLiteral("Vantorel"));
    // A link that went away by itself is said once; the operator's own
    // 断开连接 needs no word.
    if (was_online && !m_closing) {
        const QString when = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
        m_tab_widget->statusBar()->showMessage(tr("%1 与设备的连接已断开").arg(when));
        // Not modal: whatever the operator was doing ends with its own box.
        if (m_link_lost_box)
            m_link_lost_box->close();
        auto *box = new QMessageBox(QMessageBox::Warning, tr("警告"), tr("%1 与设备的连接已断开").arg(when),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("linkLostNotice"));
        box->setInformativeText(QSoftCore::get_core()->target_text());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        m_link_lost_box = box;
        box->show();
    }
    if (QAction *action = menu_action(ActionConnectFast))
        action->setEnabled(true);
    if (QAction *action = menu_action(ActionDisconnect))
        action->setEnabled(false);
    if (m_progress_dialog) {
        // Cleared first: the dialog's destructor may run an event loop.
        QGroupMissionProgressDialog *dialog = m_progress_dialog;
        m_progress_dialog = nullptr;
        delete dialog;
    }
}

void MainWindow::search_devices()
{
    QSoftCore *core = QSoftCore::get_core();
    // The drive described last may need a pause before each request; the
    // probes keep it (its description is still known after the disconnect).
    const int pause_ms = core->get_machine() ? core->get_machine()->profile().pause_ms : 0;
    if (core->get_communicate()->serial_status() == 0) {
        // The search needs the ports to itself.
        const QMessageBox::StandardButton answer = QMessageBox::question(
            this, tr("搜索设备"), tr("搜索设备前需要断开当前连接。是否断开并开始搜索？"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        core->serial_disconnect();
    }
    read_serial_config();
    QSearchDialog dialog(QCommunicate::port_for(m_serial_config), this);
    dialog.set_pause_ms(pause_ms);
    dialog.exec();
    if (const std::optional<tagFoundDrive> drive = dialog.chosen())
        connect_found(drive->config);
}

void MainWindow::connect_found(const tagSerialConfig &config)
{
    read_serial_config();
    m_serial_config.port_name = config.port_name;
    m_serial_config.baud_rate = config.baud_rate;
    m_serial_config.parity = config.parity;
    m_serial_config.stop = config.stop;
    m_serial_config.data_length = config.data_length;
    m_serial_config.station = config.station;
    // All of them at once, before connecting: a drive found is a setting
    // known to work.
    write_serial_config();
    serial_connect_fast();
}

void MainWindow::show_diagnostics()
{
    if (!m_diagnostics)
        m_diagnostics = new QDiagnosticsDialog(QSoftCore::get_core()->get_communicate()->statistics(), this);
    m_diagnostics->show();
    m_diagnostics->raise();
    m_diagnostics->activateWindow();
}

void MainWindow::update_link_summary()
{
    const QString text =
        QDiagnosticsDialog::summary(QSoftCore::get_core()->get_communicate()->statistics()->snapshot().connection);
    if (m_link_summary->text() != text)
        m_link_summary->setText(text);
}
