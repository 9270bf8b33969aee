#include "testenv.h"

#include <workbench/navigation/fancyactionbar.h>
#include <workbench/navigation/fancytabbar.h>
#include <workbench/navigation/fancytabwidget.h>
#include <workbench/mainwindow.h>
#include <workbench/qcommunicatedialog.h>
#include <workbench/qgroupmissionprogressdialog.h>

#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <core/plugin/qmenuactionmap.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSpinBox>

// The main window without a drive: start-up with an empty settings store and
// no usable machine description, the menus, the pages in sort order, the
// settings read and written around connecting, and the link state.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    QSoftCore *core() { return QSoftCore::get_core(); }
    QAction *action(const QString &key) { return TestEnv::menu_action(key); }
    void clear_settings();

    QTemporaryDir m_machines;   // holds no description
    MainWindow *m_window = nullptr;
    QList<TestEnv::ModalCatcher::Box> m_startup_boxes;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startup();
    void menus();
    void pages_in_sort_order();
    void failing_port_warns_data();
    void failing_port_warns();
    void settings_dialog_stores_on_ok_only();
    void station_setting();
    void online_offline_switch_state();
    void picture_offline();
};

void tst_MainWindow::clear_settings()
{
    for (const char *key : {"BaudRate", "DataLength", "Parity", "SerialNumber", "Stop", "PortName", "Station"})
        core()->set_setting_value(QStringLiteral("Communicate.") + QLatin1String(key), QVariant());
}

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_machines.isValid());
    QVERIFY(TestEnv::prepare(m_machines.path()));

    // The three test pages, listed in an order unlike their sort order.
    const QString list = TestEnv::temp_dir().filePath(QStringLiteral("plugins.xml"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<Plugin><Plugins path=\"tstplugins/pages\"/></Plugin>");
    file.close();
    PluginLoader::load_plugin(list);
    QCOMPARE(PluginLoader::get_plugin_by_type(QStringLiteral("Plugin.Page")).size(), 3);

    TestEnv::ModalCatcher catcher;
    m_window = new MainWindow;
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_startup_boxes = catcher.boxes;
}

void tst_MainWindow::cleanupTestCase()
{
    delete m_window;
    PluginLoader::release_plugin();
}

void tst_MainWindow::init()
{
    clear_settings();
    if (!core()->get_communicate()->serial_status())
        core()->serial_disconnect();
}

void tst_MainWindow::startup()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Vantorel"));
    QCOMPARE(qApp->property("MainWindow").value<QObject *>(), m_window);
    QVERIFY(m_window->property("panelWidget").toBool());
    QCOMPARE(m_window->centralWidget(), m_window->tab_widget());
    QVERIFY(QApplication::style()->inherits("ManhattanStyle"));

    // No description could be loaded: the operator is told why, once.
    QVERIFY(!core()->get_machine());
    QCOMPARE(m_startup_boxes.size(), 1);
    QCOMPARE(m_startup_boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(m_startup_boxes.first().title, QStringLiteral("警告"));
    QVERIFY(!core()->machine_error().isEmpty());
    QCOMPARE(m_startup_boxes.first().text, core()->machine_error());

    QVERIFY(!m_window->progress_dialog());
    QCOMPARE(core()->get_communicate()->serial_status() == 0, false);
}

void tst_MainWindow::menus()
{
    const QList<QAction *> menus = m_window->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus.at(0)->text(), QStringLiteral("通信"));
    QCOMPARE(menus.at(1)->text(), QStringLiteral("设置"));

    const QList<QAction *> link = menus.at(0)->menu()->actions();
    QCOMPARE(link.size(), 5);
    QCOMPARE(link.at(0), action(QStringLiteral("Menu.Communation.ConnectFast")));
    QCOMPARE(link.at(0)->text(), QStringLiteral("连接设备"));
    QVERIFY(!link.at(0)->icon().isNull());
    QCOMPARE(link.at(1), action(QStringLiteral("Menu.Communation.Disconnect")));
    QCOMPARE(link.at(1)->text(), QStringLiteral("断开连接"));
    QCOMPARE(link.at(2), action(QStringLiteral("Menu.Communation.Search")));
    QCOMPARE(link.at(2)->text(), QStringLiteral("搜索设备"));
    QVERIFY(!link.at(2)->icon().isNull());
    QVERIFY(link.at(3)->isSeparator());
    QCOMPARE(link.at(4), action(QStringLiteral("Menu.Communation.Diagnostics")));
    QCOMPARE(link.at(4)->text(), QStringLiteral("通信诊断"));
    QVERIFY(link.at(0)->isEnabled());
    QVERIFY(!link.at(1)->isEnabled());
    QVERIFY(link.at(2)->isEnabled());

    const QList<QAction *> settings = menus.at(1)->menu()->actions();
    QCOMPARE(settings.size(), 3);
    QCOMPARE(settings.at(0)->text(), QStringLiteral("通信设置"));
    QCOMPARE(settings.at(1)->text(), QStringLiteral("界面语言"));
    QCOMPARE(settings.at(2)->text(), QStringLiteral("历史记录位置"));
    // The language is stored for the next start; the texts stay as they are.
    const QList<QAction *> languages = settings.at(1)->menu()->actions();
    QCOMPARE(languages.size(), 2);
    QVERIFY(languages.at(0)->isChecked());
    languages.at(1)->trigger();
    QCOMPARE(core()->get_setting_value(QStringLiteral("UI.Language")).toString(), QStringLiteral("en"));
    QVERIFY(languages.at(1)->isChecked() && !languages.at(0)->isChecked());
    QCOMPARE(menus.at(0)->text(), QStringLiteral("通信"));
    languages.at(0)->trigger();
    QCOMPARE(core()->get_setting_value(QStringLiteral("UI.Language")).toString(), QStringLiteral("zh_CN"));

    // The navigation widget took the three link actions as buttons.
    QCOMPARE(m_window->tab_widget()->actionBar()->buttonCount(), 3);
}

void tst_MainWindow::pages_in_sort_order()
{
    FancyTabWidget *tabs = m_window->tab_widget();
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabBar()->tabText(0), QStringLiteral("First"));
    QCOMPARE(tabs->tabBar()->tabText(1), QStringLiteral("Second"));
    QCOMPARE(tabs->tabBar()->tabText(2), QStringLiteral("Third"));
    QCOMPARE(tabs->currentIndex(), 0);
    auto *first = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Test.Page.Zeta")));
    QVERIFY(first && first->get_widget());
    QVERIFY(first->get_widget()->isVisible());
}

void tst_MainWindow::failing_port_warns_data()
{
    QTest::addColumn<QVariantList>("stored");   // baud, data, parity, port, stop
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("data");
    QTest::addColumn<char>("parity");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("stop");

    QTest::newRow("empty store") << QVariantList() << 19200 << 8 << 'n' << 1 << 1;
    QTest::newRow("zeros replaced") << QVariantList{0, 0, 0, 0, 0} << 19200 << 8 << 'n' << 1 << 1;
    QTest::newRow("stored values") << QVariantList{38400, 7, 111, 3, 2} << 38400 << 7 << 'o' << 3 << 2;
    QTest::newRow("even parity") << QVariantList{9600, 8, 101, 2, 1} << 9600 << 8 << 'e' << 2 << 1;
}

void tst_MainWindow::failing_port_warns()
{
    QFETCH(QVariantList, stored);
    const char *keys[] = {"BaudRate", "DataLength", "Parity", "SerialNumber", "Stop"};
    for (int i = 0; i < stored.size(); ++i)
        core()->set_setting_value(QStringLiteral("Communicate.") + QLatin1String(keys[i]), stored.at(i));
    const QString device = TestEnv::temp_dir().filePath(QStringLiteral("no-such-tty"));
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), device);

    TestEnv::ModalCatcher catcher;
    action(QStringLiteral("Menu.Communation.ConnectFast"))->trigger();
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(catcher.boxes.first().title, QStringLiteral("警告"));
    QCOMPARE(catcher.boxes.first().text, QStringLiteral("打开串口失败！"));

    const tagSerialConfig used = m_window->serial_config();
    QTEST(used.baud_rate, "baud");
    QTEST(used.data_length, "data");
    QTEST(used.parity, "parity");
    QTEST(used.serial_number, "port");
    QTEST(used.stop, "stop");
    QCOMPARE(used.port_name, device);

    // Nothing changed: actions as before, nothing written back.
    QVERIFY(action(QStringLiteral("Menu.Communation.ConnectFast"))->isEnabled());
    QVERIFY(!action(QStringLiteral("Menu.Communation.Disconnect"))->isEnabled());
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.BaudRate")).isValid(),
             !stored.isEmpty());
}

void tst_MainWindow::settings_dialog_stores_on_ok_only()
{
    core()->set_setting_value(QStringLiteral("Communicate.BaudRate"), 9600);
    for (const bool ok : {false, true}) {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QCommunicateDialog *>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                seen = true;
                QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("rate"))->currentText(),
                         QStringLiteral("9600"));
                dialog->findChild<QComboBox *>(QStringLiteral("rate"))->setCurrentIndex(3);
                dialog->findChild<QComboBox *>(QStringLiteral("parity"))->setCurrentIndex(2);
                dialog->findChild<QSpinBox *>(QStringLiteral("serial_nummber"))->setValue(4);
                dialog->findChild<QComboBox *>(QStringLiteral("port_name"))
                    ->setEditText(QStringLiteral("/dev/ttyTEST"));
                dialog->findChild<QPushButton *>(ok ? QStringLiteral("okBtn") : QStringLiteral("cancelBtn"))
                    ->click();
            }
        });
        action(QStringLiteral("Menu.Setting.Communicate"))->trigger();
        QVERIFY(seen);
        auto value = [this](const char *key) {
            return core()->get_setting_value(QStringLiteral("Communicate.") + QLatin1String(key));
        };
        if (!ok) {
            QCOMPARE(value("BaudRate").toInt(), 9600);
            QVERIFY(!value("Parity").isValid());
            QVERIFY(!value("PortName").isValid());
        } else {
            QCOMPARE(value("BaudRate").toInt(), 38400);
            QCOMPARE(value("DataLength").toInt(), 8);
            QCOMPARE(value("Parity").toInt(), int('e'));
            QCOMPARE(value("SerialNumber").toInt(), 4);
            QCOMPARE(value("Stop").toInt(), 1);
            QCOMPARE(value("PortName").toString(), QStringLiteral("/dev/ttyTEST"));
        }
    }
    // Choosing settings does not open the port.
    QVERIFY(core()->get_communicate()->serial_status() != 0);
}

void tst_MainWindow::station_setting()
{
    // A stored station that is no whole number in 1..247 is used as 1, and
    // the settings dialog says so; OK stores the station chosen there.
    for (const QString &stored : {QStringLiteral("3.5"), QStringLiteral("0"), QStringLiteral("248")}) {
        core()->set_setting_value(QStringLiteral("Communicate.Station"), stored);
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QCommunicateDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            auto *note = dialog->findChild<QLabel *>(QStringLiteral("stationNote"));
            QVERIFY(note && note->isVisible());
            QVERIFY(note->text().contains(stored));
            auto *station = dialog->findChild<QSpinBox *>(QStringLiteral("station"));
            QCOMPARE(station->value(), 1);
            station->setValue(17);
            dialog->findChild<QPushButton *>(QStringLiteral("okBtn"))->click();
        });
        action(QStringLiteral("Menu.Setting.Communicate"))->trigger();
        QVERIFY(seen);
        QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.Station")).toInt(), 17);
    }
    // The station goes to the core with the connection (the port fails to
    // open here; the warning is answered).
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), QStringLiteral("/nonexistent/tty"));
    TestEnv::ModalCatcher catcher;
    action(QStringLiteral("Menu.Communation.ConnectFast"))->trigger();
    QCOMPARE(core()->get_machine_address(), 17);
    core()->set_machine_address(1);
}

void tst_MainWindow::online_offline_switch_state()
{
    QCommunicate *link = core()->get_communicate();
    QAction *connectFast = action(QStringLiteral("Menu.Communation.ConnectFast"));
    QAction *disconnect = action(QStringLiteral("Menu.Communation.Disconnect"));

    // offline() without a dialog only switches the actions.
    connectFast->setEnabled(false);
    disconnect->setEnabled(true);
    emit link->offline();
    QVERIFY(connectFast->isEnabled());
    QVERIFY(!disconnect->isEnabled());
    QVERIFY(!m_window->progress_dialog());

    // online() remembers the settings and creates one hidden dialog.
    core()->set_setting_value(QStringLiteral("Communicate.Parity"), 111);
    core()->set_setting_value(QStringLiteral("Communicate.PortName"),
                              TestEnv::temp_dir().filePath(QStringLiteral("no-such-tty")));
    {
        TestEnv::ModalCatcher catcher;
        connectFast->trigger(); // reads the settings, then fails to open
        QCOMPARE(catcher.boxes.size(), 1);
    }
    clear_settings();
    emit link->online();
    QPointer<QGroupMissionProgressDialog> dialog = m_window->progress_dialog();
    QVERIFY(dialog);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->parent(), m_window);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.Parity")).toInt(), 111);
    QCOMPARE(core()->get_setting_value(QStringLiteral("Communicate.BaudRate")).toInt(), 19200);
    emit link->online();
    QCOMPARE(m_window->progress_dialog(), dialog.data());

    emit link->offline();
    QVERIFY(dialog.isNull());
    QVERIFY(!m_window->progress_dialog());
}

void tst_MainWindow::picture_offline()
{
    const QString path = QDir(QStringLiteral(TEST_APP_DIR "/..")).absoluteFilePath(
        QStringLiteral("mainwindow-offline.png"));
    QVERIFY(m_window->grab().save(path));
    QCOMPARE(m_window->tab_widget()->findChild<QLabel *>(QStringLiteral("linkText"))->text(),
             QStringLiteral("离线"));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
