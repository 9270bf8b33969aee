#include "testenv.h"

#include "drivesim.h"

#include <workbench/navigation/fancytabbar.h>
#include <workbench/navigation/fancytabwidget.h>
#include <workbench/mainwindow.h>
#include <workbench/qcommunicatedialog.h>
#include <workbench/qlogtreewidget.h>

#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <coredata/quilanguage.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTranslator>
#include <QTreeWidget>

// The program in English: the built translation and the English names of
// the default description, with the program's own page plug-ins, connected
// to the simulated drive.
class tst_English : public QObject
{
    Q_OBJECT

private slots:
    void missing_or_broken_translation_keeps_source_texts();
    void initTestCase();
    void cleanupTestCase();
    void window_and_page_headers();
    void parameter_names();
    void dialog();

private:
    static bool has_chinese(const QString &text)
    {
        static const QRegularExpression han(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
        return han.match(text).hasMatch();
    }
    // Texts of a widget and its children that the operator reads.
    static QStringList visible_texts(QWidget *root);
    static QString picture_path(const QString &name)
    {
        const QString dir = QStringLiteral(TEST_APP_DIR "/../pictures");
        QDir().mkpath(dir);
        return QDir(dir).filePath(name);
    }

    QTranslator m_translator;
    DriveSim m_sim;
    MainWindow *m_window = nullptr;
};

QStringList tst_English::visible_texts(QWidget *root)
{
    QStringList texts{root->windowTitle()};
    for (QLabel *label : root->findChildren<QLabel *>())
        texts << label->text();
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>())
        texts << button->text();
    for (QComboBox *combo : root->findChildren<QComboBox *>()) {
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    }
    for (QHeaderView *header : root->findChildren<QHeaderView *>()) {
        for (int i = 0; header->model() && i < header->count(); ++i)
            texts << header->model()->headerData(i, header->orientation()).toString();
    }
    return texts;
}

void tst_English::missing_or_broken_translation_keeps_source_texts()
{
    QTemporaryDir dir;
    QTranslator translator;
    QString reason;
    QVERIFY(!QUiLanguage::load(&translator, QUiLanguage::English, dir.path(), &reason));
    QVERIFY(reason.contains(QStringLiteral("missing")));

    QDir(dir.path()).mkpath(QStringLiteral("translations"));
    QFile broken(QUiLanguage::translation_file(QUiLanguage::English, dir.path()));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a translation");
    broken.close();
    QVERIFY(!QUiLanguage::load(&translator, QUiLanguage::English, dir.path(), &reason));
    QVERIFY(reason.contains(QStringLiteral("not a translation")));
    QVERIFY(translator.isEmpty());
    QCOMPARE(QUiLanguage::from_setting(QVariant()), QUiLanguage::Chinese);
    QCOMPARE(QUiLanguage::from_setting(QUiLanguage::to_setting(QUiLanguage::English)), QUiLanguage::English);
}

void tst_English::initTestCase()
{
    QVERIFY(TestEnv::prepare());
    QString reason;
    QVERIFY2(QUiLanguage::load(&m_translator, QUiLanguage::English, QStringLiteral(TEST_APP_DIR), &reason),
             qPrintable(reason));
    QCoreApplication::installTranslator(&m_translator);
    QMachineValue::set_english(true);
    QVERIFY2(m_sim.start(), qPrintable(m_sim.error_string()));

    const QString list = TestEnv::temp_dir().filePath(QStringLiteral("plugins.xml"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString plugins = QDir(QCoreApplication::applicationDirPath())
                                .relativeFilePath(QStringLiteral(TEST_APP_DIR "/plugins"));
    file.write("<Plugin><Plugins path=\"" + plugins.toLatin1() + "\"/></Plugin>");
    file.close();
    PluginLoader::load_plugin(list);

    m_window = new MainWindow;
    m_window->resize(1100, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    QSoftCore *core = QSoftCore::get_core();
    core->set_setting_value(QStringLiteral("Communicate.PortName"), m_sim.device());
    QSignalSpy online(core->get_communicate(), &QCommunicate::online);
    TestEnv::menu_action(QStringLiteral("Menu.Communation.ConnectFast"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(online.count(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(core->get_communicate()->mission_manager()->pending_count() == 0, 10000);
}

void tst_English::cleanupTestCase()
{
    delete m_window;
    m_sim.stop();
    QMachineValue::set_english(false);
}

void tst_English::window_and_page_headers()
{
    const QList<QAction *> menus = m_window->menuBar()->actions();
    QCOMPARE(menus.at(0)->text(), QStringLiteral("Communication"));
    QCOMPARE(menus.at(1)->text(), QStringLiteral("Settings"));
    QCOMPARE(TestEnv::menu_action(QStringLiteral("Menu.Communation.ConnectFast"))->text(),
             QStringLiteral("Connect device"));
    QCOMPARE(m_window->tab_widget()->findChild<QLabel *>(QStringLiteral("linkText"))->text(),
             QStringLiteral("Online"));

    // Every page: its title and its table headers.
    FancyTabWidget *tabs = m_window->tab_widget();
    // The parameter page and the monitoring page.
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabBar()->tabText(0), QStringLiteral("Parameters"));
    QCOMPARE(tabs->tabBar()->tabText(1), QStringLiteral("Monitor"));
    const QMap<QString, QAbstractPlugin *> pages = PluginLoader::get_plugin_by_type(QStringLiteral("Plugin.Page"));
    for (int i = 0; i < tabs->count(); ++i)
        QVERIFY2(!has_chinese(tabs->tabBar()->tabText(i)), qPrintable(tabs->tabBar()->tabText(i)));
    for (QAbstractPlugin *plugin : pages) {
        auto *page_plugin = qobject_cast<QAbstractPage *>(plugin);
        QVERIFY(page_plugin && page_plugin->get_widget());
        QWidget *page = page_plugin->get_widget();
        for (QHeaderView *header : page->findChildren<QHeaderView *>()) {
            for (int i = 0; header->model() && i < header->count(); ++i) {
                const QString text = header->model()->headerData(i, header->orientation()).toString();
                QVERIFY2(!has_chinese(text), qPrintable(text));
            }
        }
    }
    auto *params = m_window->findChild<QTreeWidget *>(QStringLiteral("parvexParamTree"));
    QVERIFY(params);
    QCOMPARE(params->headerItem()->text(1), QStringLiteral("Name"));
    QCOMPARE(params->headerItem()->text(2), QStringLiteral("Value"));

    tabs->setCurrentIndex(1);
    QTest::qWait(1500); // a few polls of the monitored values
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("monitor-en.png"))));
    tabs->setCurrentIndex(0);
}

void tst_English::parameter_names()
{
    auto *groups = m_window->findChild<QTreeWidget *>(QStringLiteral("parvexGroupTree"));
    auto *params = m_window->findChild<QTreeWidget *>(QStringLiteral("parvexParamTree"));
    QVERIFY(groups && params && groups->topLevelItemCount() > 0);
    emit groups->itemDoubleClicked(groups->topLevelItem(0), 0);
    QTRY_VERIFY(params->topLevelItemCount() > 0);
    QTreeWidgetItem *first = params->topLevelItem(0);
    QCOMPARE(first->text(0), QStringLiteral("F0-00"));
    QCOMPARE(first->text(1), QStringLiteral("Control mode"));
    // The value read from the drive is shown by its English choice text.
    QTRY_COMPARE(first->text(2), QStringLiteral("V/F control"));
    // The help line under the table is the description's English help, and
    // the names have the room they need.
    params->setCurrentItem(params->topLevelItem(1));
    params->setCurrentItem(first);
    auto *help = m_window->findChild<QLabel *>(QStringLiteral("parvexHelpLine"));
    QVERIFY(help);
    QVERIFY2(help->toolTip().startsWith(QStringLiteral("F0-00 Control mode: Chooses how the motor is controlled")),
             qPrintable(help->toolTip()));
    for (int i = 0; i < params->topLevelItemCount(); ++i) {
        const QString name = params->topLevelItem(i)->text(1);
        QVERIFY2(params->fontMetrics().horizontalAdvance(name) < params->columnWidth(1), qPrintable(name));
    }
    // The machine's own name (the history's machine column) in English too.
    QCOMPARE(QSoftCore::get_core()->get_machine()->display_name(), QStringLiteral("General-purpose drive"));
    // And in the line that names the drive the link talks to (status line, titles).
    QVERIFY2(QSoftCore::get_core()->target_text().contains(QStringLiteral(", General-purpose drive, ")),
             qPrintable(QSoftCore::get_core()->target_text()));
    // The notice after changing the language speaks the language chosen.
    QCOMPARE(MainWindow::restart_notice(QUiLanguage::English, QStringLiteral(TEST_APP_DIR)),
             QStringLiteral("The interface language takes effect at the next start of the program."));
    QCOMPARE(MainWindow::restart_notice(QUiLanguage::Chinese, QStringLiteral(TEST_APP_DIR)), QStringLiteral("界面语言将在程序下次启动时生效。"));
    QTest::qWait(200);
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("workbench-en.png"))));
}

void tst_English::dialog()
{
    QCommunicateDialog dialog(m_window->serial_config(), m_window);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial communication"));
    const QStringList texts = visible_texts(&dialog);
    for (const QString &text : texts)
        QVERIFY2(!has_chinese(text), qPrintable(text));
    QVERIFY(texts.contains(QStringLiteral("Baud rate:")));
    QVERIFY(dialog.grab().save(picture_path(QStringLiteral("communication-en.png"))));

    // The error log in English still explains its codes.
    QSoftCore::get_core()->clearErrLog();
    TestEnv::add_error_log(0xF000, 2);
    const QString text = QSoftCore::get_core()->getErrlogs().value(0).text;
    QVERIFY2(text.contains(QStringLiteral("error code [2]")), qPrintable(text));
    QVERIFY(QLogTreeWidget::with_meaning(text).contains(QStringLiteral("Illegal data address")));
}

QTEST_MAIN(tst_English)
#include "tst_english.moc"
