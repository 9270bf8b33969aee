#include "testenv.h"

#include "drivesim.h"

#include <workbench/navigation/fancytabwidget.h>
#include <workbench/mainwindow.h>
#include <workbench/qgroupmissionprogressdialog.h>
#include <workbench/qdiagnosticsdialog.h>
#include <workbench/qsearchdialog.h>

#include <core/plugin/pluginloader.h>
#include <core/plugin/qmenuactionmap.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>
#include <QTableWidget>

#include <communicate/services/qlinkstatistics.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/tagvaluegroup.h>
#include <communicate/missions/missionvocabulary.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <utility>

// The main window against the simulated drive: connecting and disconnecting
// through the menu actions, with the page plug-in of the program loaded.
class tst_MainWindowLink : public QObject
{
    Q_OBJECT

private:
    QSoftCore *core() { return QSoftCore::get_core(); }
    QAction *action(const QString &key) { return TestEnv::menu_action(key); }
    QString link_text()
    {
        return m_window->tab_widget()->findChild<QLabel *>(QStringLiteral("linkText"))->text();
    }

    DriveSim m_sim;
    MainWindow *m_window = nullptr;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void connect_and_disconnect();
    void link_lost_while_connected();
    void drive_that_never_answers();
    void drive_stops_answering();
    void search_and_connect_to_a_station();
};

void tst_MainWindowLink::initTestCase()
{
    QVERIFY(TestEnv::prepare());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.error_string()));

    // The program's own page plug-in, seen from the test program's directory.
    const QString list = TestEnv::temp_dir().filePath(QStringLiteral("plugins.xml"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString plugins = QDir(QCoreApplication::applicationDirPath())
                                .relativeFilePath(QStringLiteral(TEST_APP_DIR "/plugins"));
    file.write("<Plugin><Plugins path=\"" + plugins.toLatin1() + "\"/></Plugin>");
    file.close();
    PluginLoader::load_plugin(list);

    TestEnv::ModalCatcher catcher;
    m_window = new MainWindow;
    m_window->resize(1100, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QCOMPARE(catcher.boxes.size(), 0);
    QVERIFY(core()->get_machine());
}

void tst_MainWindowLink::cleanupTestCase()
{
    delete m_window;
    m_sim.stop();
}

void tst_MainWindowLink::connect_and_disconnect()
{
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), m_sim.device());
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QAction *disconnect = action(QStringLiteral("Menu.Communation.Disconnect"));
    QSignalSpy online(core()->get_communicate(), &QCommunicate::online);

    TestEnv::ModalCatcher catcher;
    connectFast->trigger();
    QCOMPARE(catcher.boxes.size(), 0);
    QVERIFY(!connectFast->isEnabled());
    QVERIFY(disconnect->isEnabled());

    QTRY_COMPARE_WITH_TIMEOUT(online.count(), 1, 10000);
    QCOMPARE(link_text(), QStringLiteral("在线"));
    QVERIFY(m_window->progress_dialog());
    // The settings that worked are remembered, defaults included.
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.BaudRate")).toInt(), 19200);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.DataLength")).toInt(), 8);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.Parity")).toInt(), int('n'));
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.SerialNumber")).toInt(), 1);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.Stop")).toInt(), 1);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.PortName")).toString(),
             m_sim.device());

    // Let the connect-time reads fill the page before the picture.
    QTRY_VERIFY_WITH_TIMEOUT(core()->get_communicate()->mission_manager()->pending_count() == 0, 10000);
    QTest::qWait(300);
    const QString path = QDir(QStringLiteral(TEST_APP_DIR "/..")).absoluteFilePath(
        QStringLiteral("mainwindow-online.png"));
    QVERIFY(m_window->grab().save(path));

    QPointer<QGroupMissionProgressDialog> dialog = m_window->progress_dialog();
    disconnect->trigger();
    QTRY_VERIFY(connectFast->isEnabled());
    QVERIFY(!disconnect->isEnabled());
    QCOMPARE(link_text(), QStringLiteral("离线"));
    QVERIFY(dialog.isNull());
    QCOMPARE(catcher.boxes.size(), 0);
}

void tst_MainWindowLink::link_lost_while_connected()
{
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), m_sim.device());
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QSignalSpy online(core()->get_communicate(), &QCommunicate::online);
    connectFast->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(online.count(), 1, 10000);
    QVERIFY(m_window->progress_dialog());

    // The adapter is pulled: the window goes offline by itself, and says so
    // once, naming the drive.
    TestEnv::ModalCatcher catcher;
    QVERIFY(m_sim.hangup());
    QTRY_VERIFY_WITH_TIMEOUT(connectFast->isEnabled(), 10000);
    QVERIFY(!action(QStringLiteral("Menu.Communation.Disconnect"))->isEnabled());
    QCOMPARE(link_text(), QStringLiteral("离线"));
    QVERIFY(!m_window->progress_dialog());
    QTRY_COMPARE(catcher.boxes.size(), 1);
    QVERIFY2(catcher.boxes.first().text.endsWith(QStringLiteral("与设备的连接已断开")),
             qPrintable(catcher.boxes.first().text));
    QVERIFY2(catcher.boxes.first().informative.contains(QStringLiteral("站号 1")),
             qPrintable(catcher.boxes.first().informative));
    QTest::qWait(200);
    QCOMPARE(catcher.boxes.size(), 1);
}

void tst_MainWindowLink::drive_that_never_answers()
{
    // A drive on another station: the line is there, nobody answers station 1.
    DriveSim silent;
    QVERIFY2(silent.start({QStringLiteral("--station"), QStringLiteral("2")}),
             qPrintable(silent.error_string()));
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), silent.device());
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QStatusBar *status = m_window->tab_widget()->statusBar();

    TestEnv::ModalCatcher catcher;
    QElapsedTimer clock;
    clock.start();
    connectFast->trigger();
    QVERIFY(!connectFast->isEnabled());
    QCOMPARE(status->currentMessage(), QStringLiteral("正在连接…"));
    QTRY_COMPARE_WITH_TIMEOUT(catcher.boxes.size(), 1, MainWindow::NoAnswerNoticeMs + 3000);
    QVERIFY(clock.elapsed() >= MainWindow::NoAnswerNoticeMs - 100);
    QCOMPARE(catcher.boxes.at(0).text,
             QStringLiteral("设备无应答：端口 %1，波特率 19200，站号 1。请检查接线和通信设置。")
                 .arg(silent.device()));

    // Still probing, still saying so, and told only once.
    QTest::qWait(1500);
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(status->currentMessage(), QStringLiteral("正在连接…"));
    QCOMPARE(link_text(), QStringLiteral("离线"));
    QVERIFY(!connectFast->isEnabled());

    action(QStringLiteral("Menu.Communation.Disconnect"))->trigger();
    QTRY_VERIFY(connectFast->isEnabled());
    QCOMPARE(status->currentMessage(), QString());

    // An attempt the operator ends before the notice is due gets none.
    connectFast->trigger();
    QCOMPARE(status->currentMessage(), QStringLiteral("正在连接…"));
    QTest::qWait(MainWindow::NoAnswerNoticeMs / 3);
    action(QStringLiteral("Menu.Communation.Disconnect"))->trigger();
    QTRY_VERIFY(connectFast->isEnabled());
    QTest::qWait(MainWindow::NoAnswerNoticeMs);
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(status->currentMessage(), QString());
}

void tst_MainWindowLink::drive_stops_answering()
{
    // A new line: the adapter was pulled before.
    m_sim.stop();
    QVERIFY2(m_sim.start(), qPrintable(m_sim.error_string()));
    // The window judges the silence on this clock; the link runs for real.
    qint64 now = 0;
    m_window->set_clock([&now] { return now; });
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), m_sim.device());
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QSignalSpy online(core()->get_communicate(), &QCommunicate::online);
    QStatusBar *status = m_window->tab_widget()->statusBar();
    connectFast->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(online.count(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(core()->get_communicate()->mission_manager()->pending_count() == 0, 10000);
    // The window names the drive it talks to.
    QVERIFY2(m_window->windowTitle().contains(m_sim.device())
                 && m_window->windowTitle().contains(QStringLiteral("站号 1")),
             qPrintable(m_window->windowTitle()));

    QMissionManager *manager = core()->get_communicate()->mission_manager();
    // One read at a time: three unanswered in a row would end the link. The
    // monitoring page polls in the background from the connection on: its
    // polls are stopped and the line left idle first.
    QObject *poller = nullptr;
    const QList<QObject *> objects = m_window->findChildren<QObject *>();
    for (QObject *object : objects) {
        if (qstrcmp(object->metaObject()->className(), "QMonitorPoller") == 0)
            poller = object;
    }
    QVERIFY(poller);
    QVERIFY(QMetaObject::invokeMethod(poller, "stop"));
    QTRY_VERIFY_WITH_TIMEOUT(manager->pending_count() == 0 && manager->in_flight_count() == 0, 10000);
    QMachineValue *value = core()->get_machine()->get_value(QStringLiteral("F0-07"));
    QVERIFY(value);
    const auto read_one = [this, manager, value] {
        const QList<QMission *> missions = core()->make_mission({value});
        for (QMission *mission : missions) {
            mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::Refresh));
            mission->set_attribute(MissionKey::type(), QVariant(int(MISSION_READ_BACK)));
            manager->add_mission(mission);
        }
        qDeleteAll(missions);
    };
    QSignalSpy failed(manager, &QMissionManager::mission_failed);
    QVERIFY(m_sim.command(QStringLiteral("fault drop-rate 1")));
    read_one();
    QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 30000);
    QCOMPARE(failed.first().at(1).toInt(), int(QMissionManager::ERR_NO_ANSWER));
    QCOMPARE(link_text(), QStringLiteral("在线"));
    now = 2999;
    m_window->check_answers();
    QCOMPARE(link_text(), QStringLiteral("在线"));
    now = 3000;
    m_window->check_answers();
    QCOMPARE(link_text(), QStringLiteral("无应答"));
    QVERIFY2(status->currentMessage().contains(QStringLiteral("起无应答")), qPrintable(status->currentMessage()));
    const QString path = QDir(QStringLiteral(TEST_APP_DIR "/..")).absoluteFilePath(
        QStringLiteral("mainwindow-no-answer.png"));
    QVERIFY(m_window->grab().save(path));

    // The next answer turns it green again.
    QVERIFY(m_sim.command(QStringLiteral("fault drop-rate 0")));
    read_one();
    QTRY_COMPARE_WITH_TIMEOUT(link_text(), QStringLiteral("在线"), 10000);
    QVERIFY2(status->currentMessage().contains(QStringLiteral("恢复应答")), qPrintable(status->currentMessage()));

    action(QStringLiteral("Menu.Communation.Disconnect"))->trigger();
    QTRY_VERIFY(connectFast->isEnabled());
    QCOMPARE(link_text(), QStringLiteral("离线"));
    m_window->set_clock(nullptr);
}

void tst_MainWindowLink::search_and_connect_to_a_station()
{
    // Three drives on one line; station 3 holds a value of its own.
    DriveSim bus;
    QVERIFY2(bus.start({ QStringLiteral("--station"), QStringLiteral("1,3,17") }), qPrintable(bus.error_string()));
    QVERIFY(bus.command(QStringLiteral("station 3")));
    QVERIFY(bus.set(0xF002, 7));
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QVERIFY(connectFast->isEnabled());

    // Every mission's station; the monitoring page's polls are counted apart,
    // since they come and go on their own.
    QList<int> stations;
    int polls = 0;
    int refreshed = 0;
    QMissionManager *manager = core()->get_communicate()->mission_manager();
    const auto record = [&](QMission *m) {
        stations.append(m->get_attribute(MissionKey::station()).toInt());
        if (m->get_attribute(MissionKey::level()).toInt() == MissionLevel::Monitoring)
            ++polls;
        if (m->get_attribute(QStringLiteral("test.refresh")).toBool())
            ++refreshed;
    };
    connect(manager, &QMissionManager::mission_success, this, record);
    connect(manager, &QMissionManager::mission_failed, this, record);

    bool chosen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QSearchDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        tagSearchPlan plan;
        plan.ports = { bus.device() };
        plan.baud_rates = { 19200 };
        plan.framings = { { 'n', 1 } };
        plan.first_station = 1;
        plan.last_station = 20;
        plan.wait_ms = 20;
        dialog->set_plan(plan);
        dialog->start_search();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->search()->is_running(), 10000);
        const QList<tagFoundDrive> found = dialog->search()->found_drives();
        QCOMPARE(found.size(), 3);
        QCOMPARE(found.at(1).station, 3);
        QVERIFY(dialog->grab().save(QDir(QStringLiteral(TEST_APP_DIR "/..")).absoluteFilePath(
            QStringLiteral("search-dialog.png"))));
        chosen = dialog->choose(1);
    });
    QSignalSpy online(core()->get_communicate(), &QCommunicate::online);
    action(QStringLiteral("Menu.Communation.Search"))->trigger();
    QVERIFY(chosen);
    QTRY_COMPARE_WITH_TIMEOUT(online.count(), 1, 10000);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.Station")).toInt(), 3);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.PortName")).toString(), bus.device());
    QCOMPARE(core()->get_machine_address(), 3);

    // The probe and the connect-time reads went to station 3, and the
    // model holds station 3's own value.
    QTRY_VERIFY_WITH_TIMEOUT(core()->get_machine() && core()->get_machine()->get_value(0xF002)
                                 && core()->get_machine()->get_value(0xF002)->has_value(),
                             10000);
    QTRY_COMPARE_WITH_TIMEOUT(manager->pending_count(), 0, 10000);
    QCOMPARE(core()->get_machine()->get_value(0xF002)->get_base_value(), 7);
    QVERIFY(stations.size() > 1);
    QCOMPARE(stations.count(3), stations.size());

    // A refresh over a line that loses one answer and garbles another: the
    // diagnostics show what happened.
    // Missions already handed to the line (the page's read of its shown
    // group among them) still answer after the queue is empty: the count
    // starts once the line is quiet.
    int settled = -1;
    QTRY_VERIFY_WITH_TIMEOUT(std::exchange(settled, int(stations.size()) - polls) == int(stations.size()) - polls, 10000);
    QVERIFY(bus.fault(QStringLiteral("next"), QStringLiteral("drop")));
    QVERIFY(bus.fault(QStringLiteral("next"), QStringLiteral("corrupt")));
    // The refresh's own reads are marked, so that a page read still on its
    // way on a busy machine is not taken for one of them.
    const QList<QMission *> reads = core()->make_mission(core()->get_machine()->get_groups().first()->m_values);
    for (QMission *m : reads) {
        m->set_attribute(QStringLiteral("test.refresh"), true);
        manager->add_mission(m);
    }
    qDeleteAll(reads);
    QTRY_COMPARE_WITH_TIMEOUT(refreshed, int(reads.size()), 10000);
    QCOMPARE(stations.count(3), stations.size());
    action(QStringLiteral("Menu.Communation.Diagnostics"))->trigger();
    QDiagnosticsDialog *diagnostics = m_window->diagnostics_dialog();
    QVERIFY(diagnostics && diagnostics->isVisible());
    QLinkStatistics *statistics = core()->get_communicate()->statistics();
    const tagLinkCounters counted = statistics->snapshot().connection;
    // The dropped answer and the garbled one; a machine under load may add
    // a late answer of its own, and the line may go on with page reads.
    QVERIFY(counted.timeouts >= 1);
    QCOMPARE(counted.bad_crc, 1);
    // A retry is a request sent again after a failed try, nothing else: the
    // two faults' retries, and no more than failed tries (the retry of a page
    // read's failed try may still be on its way).
    QVERIFY2(counted.retries >= 2 && counted.retries <= counted.timeouts + counted.bad_crc + counted.malformed,
             qPrintable(QStringLiteral("%1 retries, %2 time-outs, %3 bad, %4 malformed")
                            .arg(counted.retries).arg(counted.timeouts).arg(counted.bad_crc).arg(counted.malformed)));
    auto *table = diagnostics->findChild<QTableWidget *>(QStringLiteral("counters"));
    QTRY_VERIFY(table->item(0, 0)->text().toInt() >= counted.requests
                && table->item(0, 0)->text().toInt() <= statistics->snapshot().connection.requests);
    QVERIFY(diagnostics->grab().save(QDir(QStringLiteral(TEST_APP_DIR "/..")).absoluteFilePath(
        QStringLiteral("diagnostics-dialog.png"))));
    diagnostics->close();

    // Searching while connected asks first; declined, the link stays.
    {
        TestEnv::ModalCatcher catcher;
        action(QStringLiteral("Menu.Communation.Search"))->trigger();
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes.first().icon, QMessageBox::Question);
        QCOMPARE(core()->get_communicate()->commu_status(), 0);
    }

    action(QStringLiteral("Menu.Communation.Disconnect"))->trigger();
    QTRY_VERIFY(connectFast->isEnabled());
    core()->set_setting_value(QStringLiteral("Communicate.Station"), QVariant());
    core()->set_machine_address(1);
}

QTEST_MAIN(tst_MainWindowLink)
#include "tst_mainwindow_link.moc"
