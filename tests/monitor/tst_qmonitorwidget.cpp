// The monitoring page as the workbench loads it (through the plug-in list,
// beside the parameter page), driven against the simulated drive with the
// full runtime description: selection, polling, priority, link loss and
// recording.

#include "drivesim.h"

#include <workbench/navigation/fancytabwidget.h>
#include <workbench/mainwindow.h>

#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <core/dialogs/qfilechooser.h>
#include <coredata/qlocalcodec.h>
#include <core/dialogs/qparamdialog.h>
#include <core/dialogs/qparampicktreeview.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/tagserialconfig.h>

#include <QTextCodec>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QTreeWidget>
#include <QWheelEvent>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kMachines = QStringLiteral(TEST_SOURCE_DIR "/machines");
const QString kDescription = kMachines + QStringLiteral("/default.xml");
constexpr int kFirstRuntime = 0x1000;

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

struct Exchange
{
    int type;
    int level;
    int address;
};

} // namespace

class tst_QMonitorWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loads_beside_parameter_page();
    void selection_holds_across_restart();
    void polls_drive_values_and_edit_overtakes();
    void refused_value_logged_once();
    void recording_survives_reconnect_with_gap();
    void write_failure_stops_recording();
    void picture_of_live_trend();

private:
    bool connect_drive(const QStringList &extra = QStringList());
    QTreeWidgetItem *row(const QString &code) const;
    QString value_text(const QString &code) const;
    void set_as_fast_as_possible();
    QStringList recorded_lines(const QString &path) const;
    int polls_since(int index) const;
    void answer_modals();

    QTemporaryDir m_dir;
    DriveSim m_sim;
    QWidget *m_page = nullptr;
    QTreeWidget *m_table = nullptr;
    QAction *m_record = nullptr;
    QList<Exchange> m_exchanges;
    QStringList m_boxes;
    bool m_edit_armed = false;
    int m_edit_at = -1;
    int m_edit_behind = -1; // missions already handed to the link when the edit came
    // What the pick dialog does when it opens: tick these codes and confirm.
    QStringList m_pick;
    QTimer m_modal_timer;
};

void tst_QMonitorWidget::initTestCase()
{
    QVERIFY(QLocalCodec::install());
    QVERIFY(m_dir.isValid());
    QSettingManager::set_default_file(m_dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(kMachines);
    // A period no operator could choose, left in the settings: refused.
    QSoftCore::get_core()->set_setting_value(QStringLiteral("Monitor.Period"), QVariant(123));

    const QString relative = QDir(QCoreApplication::applicationDirPath())
                                 .relativeFilePath(QStringLiteral(TEST_APP_DIR "/plugins"));
    QFile list(m_dir.filePath(QStringLiteral("plugins.xml")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QStringLiteral("<Plugin><Item path=\"%1\"/></Plugin>\n").arg(relative).toUtf8());
    list.close();
    PluginLoader::load_plugin(list.fileName());
    auto *monitor = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Monitor")));
    QVERIFY2(monitor, "the monitoring page plug-in did not load");
    m_page = monitor->get_widget();
    QVERIFY(m_page);
    m_table = m_page->findChild<QTreeWidget *>(QStringLiteral("monitorTable"));
    m_record = m_page->findChild<QAction *>(QStringLiteral("actionRecord"));
    QVERIFY(m_table && m_record);

    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    connect(manager, &QMissionManager::mission_success, this, [this](QMission *m) {
        const Exchange e{m->get_attribute(MissionKey::type()).toInt(),
                         m->get_attribute(MissionKey::level()).toInt(),
                         m->get_attribute(MissionKey::address()).toInt()};
        m_exchanges.append(e);
        if (m_edit_armed && e.level == MissionLevel::Monitoring && e.address == kFirstRuntime) {
            m_edit_armed = false;
            m_edit_at = int(m_exchanges.size());
            m_edit_behind = QSoftCore::get_core()->get_communicate()->mission_manager()->in_flight_count();
            QMission write(MISSION_WRITE); // F0-07, the set frequency: 30.00 Hz
            write.set_attribute(MissionKey::station(), QVariant(1));
            write.set_attribute(MissionKey::address(), QVariant(0xF007));
            write.set_attribute(MissionKey::length(), QVariant(1));
            write.set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
            write.set_attribute(MissionKey::write_data(), QVariant(3000));
            write.update_send_buffer();
            QSoftCore::get_core()->get_communicate()->mission_manager()->add_mission(&write);
        }
    });
    m_modal_timer.setInterval(20);
    connect(&m_modal_timer, &QTimer::timeout, this, &tst_QMonitorWidget::answer_modals);
    m_modal_timer.start();
}

void tst_QMonitorWidget::answer_modals()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        m_boxes << box->text();
        box->done(QMessageBox::Ok);
    } else if (auto *dialog = qobject_cast<QParamDialog *>(modal)) {
        auto *tree = dialog->findChild<QParamPickTreeView *>();
        tree->unselect_all();
        for (QMachineValue *value : QSoftCore::get_core()->get_machine()->get_all_runtimes()) {
            if (m_pick.contains(value->get_value_property(VALUE_CODE).toString()))
                tree->set_checked(value, true);
        }
        dialog->findChild<QPushButton *>(QStringLiteral("okBtn"))->click();
    }
}

void tst_QMonitorWidget::init()
{
    m_exchanges.clear();
    m_boxes.clear();
    QSoftCore::get_core()->clearErrLog();
    // Every runtime value of the description is monitored, unless a test
    // chooses otherwise.
    QStringList every;
    for (int i = 0; i < 30; ++i)
        every.append(QStringLiteral("U0-%1").arg(i, 2, 10, QLatin1Char('0')));
    QSoftCore::get_core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(every.join(QLatin1Char('.'))));
    QSoftCore::get_core()->new_machine();
}

void tst_QMonitorWidget::cleanup()
{
    QFileChooser::set_answerer(nullptr);
    if (m_record && m_record->text() == s("停止记录"))
        m_record->trigger();
    QSoftCore::get_core()->serial_disconnect();
    m_sim.stop();
}

bool tst_QMonitorWidget::connect_drive(const QStringList &extra)
{
    const QStringList args = extra.contains(QStringLiteral("--machine"))
        ? extra
        : QStringList{QStringLiteral("--machine"), kDescription} + extra;
    if (!m_sim.start(args)) {
        qWarning("%s", qPrintable(m_sim.error_string()));
        return false;
    }
    tagSerialConfig config;
    config.port_name = m_sim.device();
    if (!QSoftCore::get_core()->serial_connect(config))
        return false;
    m_page->resize(1000, 700);
    m_page->show();
    return QTest::qWaitFor([this] { return !value_text(QStringLiteral("U0-23")).isEmpty(); }, 60000);
}

QTreeWidgetItem *tst_QMonitorWidget::row(const QString &code) const
{
    return m_table->findItems(code, Qt::MatchExactly, 0).value(0);
}

QString tst_QMonitorWidget::value_text(const QString &code) const
{
    QTreeWidgetItem *item = row(code);
    return item ? item->text(2) : QString();
}

void tst_QMonitorWidget::set_as_fast_as_possible()
{
    auto *box = m_page->findChild<QComboBox *>(QStringLiteral("periodBox"));
    QVERIFY(box);
    const int index = box->findData(0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QStringList tst_QMonitorWidget::recorded_lines(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QLocalCodec::codec()->toUnicode(file.readAll()).split(QStringLiteral("\r\n"));
}

int tst_QMonitorWidget::polls_since(int index) const
{
    int n = 0;
    for (int i = index; i < m_exchanges.size(); ++i)
        n += m_exchanges.at(i).level == MissionLevel::Monitoring ? 1 : 0;
    return n;
}

void tst_QMonitorWidget::loads_beside_parameter_page()
{
    const auto pages = PluginLoader::get_plugin_by_type(QStringLiteral("Plugin.Page"));
    auto *parvex = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Parvex")));
    auto *monitor = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Monitor")));
    QVERIFY(parvex && monitor);
    QCOMPARE(pages.size(), 2);
    QCOMPARE(monitor->get_page_title(), s("运行监视"));
    QVERIFY(monitor->get_page_order() > parvex->get_page_order());
    QVERIFY(!monitor->get_page_icon().isNull());

    QCOMPARE(monitor->get_widget(), m_page);
    // Nothing chosen (a first start): the default set the description marks.
    QSoftCore::get_core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(QString()));
    QSoftCore::get_core()->new_machine();
    QStringList shown;
    for (int i = 0; i < m_table->topLevelItemCount(); ++i)
        shown.append(m_table->topLevelItem(i)->text(0));
    QCOMPARE(shown, (QStringList{QStringLiteral("U0-00"), QStringLiteral("U0-02"), QStringLiteral("U0-04"),
                                 QStringLiteral("U0-22"), QStringLiteral("U0-23")}));
    QCOMPARE(m_page->findChild<QComboBox *>(QStringLiteral("periodBox"))->currentData().toInt(), 500);
}

void tst_QMonitorWidget::selection_holds_across_restart()
{
    QVERIFY(m_page);
    m_pick = QStringList{QStringLiteral("U0-23"), QStringLiteral("U0-00")};
    m_page->findChild<QAction *>(QStringLiteral("actionSelectValues"))->trigger();
    QCOMPARE(m_table->topLevelItemCount(), 2);
    QCOMPARE(m_table->topLevelItem(0)->text(0), QStringLiteral("U0-00"));

    // What the next start of the program reads from the file.
    QSettingManager stored(QSettingManager::default_file());
    stored.load();
    QCOMPARE(stored.get_value(QStringLiteral("Runtime.0")).toString(), QStringLiteral("U0-00.U0-23"));
    QSoftCore::get_core()->new_machine();
    QCOMPARE(m_table->topLevelItemCount(), 2);
    QCOMPARE(m_table->topLevelItem(1)->text(0), QStringLiteral("U0-23"));
}

void tst_QMonitorWidget::polls_drive_values_and_edit_overtakes()
{
    QVERIFY(connect_drive());
    set_as_fast_as_possible();

    auto *state = m_page->findChild<QLabel *>(QStringLiteral("driveState"));
    QVERIFY(state);
    QTRY_COMPARE(state->text(), s("停止"));
    QVERIFY(m_sim.command(QStringLiteral("fault-code 7")));
    QTRY_COMPARE_WITH_TIMEOUT(value_text(QStringLiteral("U0-22")), QStringLiteral("7"), 5000);
    QTRY_COMPARE(value_text(QStringLiteral("U0-23")), QStringLiteral("4"));
    QCOMPARE(m_sim.get(0x1016, 2), (QList<int>{7, 4}));
    // The trip in words, with the fault's name from the description.
    QTRY_COMPARE(state->text(), s("故障：恒速过电压"));
    QVERIFY(m_sim.command(QStringLiteral("fault-code 0")));
    QVERIFY(m_sim.command(QStringLiteral("run")));
    QTRY_COMPARE(value_text(QStringLiteral("U0-23")), QStringLiteral("1"));
    QTRY_COMPARE(state->text(), s("运行"));
    QTRY_VERIFY(value_text(QStringLiteral("U0-00")).toDouble() > 0);
    QCOMPARE(row(QStringLiteral("U0-00"))->text(3), QStringLiteral("Hz"));
    QVERIFY(row(QStringLiteral("U0-00"))->text(5).toDouble() >= value_text(QStringLiteral("U0-00")).toDouble() - 5);

    // An edit of the parameter page (a write at the page's level) made while
    // a poll cycle runs as fast as it can (right after its first read came
    // back): it goes to the drive before anything still queued.
    // Exchanges already handed to the link cannot be overtaken, and on a busy
    // machine the test hears an answer late, when more of them may be
    // finished: the write comes right after those, before anything queued.
    QVERIFY(QSoftCore::get_core()->get_machine()->get_value(QStringLiteral("F0-07")));
    QVERIFY(m_sim.fault(QStringLiteral("turnaround"), QStringLiteral("200")));
    m_edit_at = -1;
    m_edit_armed = true;
    QTRY_VERIFY(m_edit_at >= 0);
    const int edit_at = m_edit_at;
    QTRY_VERIFY(m_sim.get_one(0xF007) == 3000);
    QTRY_VERIFY_WITH_TIMEOUT(m_exchanges.size() > edit_at + 10, 60000);

    int written = -1;
    for (int i = edit_at; i < m_exchanges.size() && written < 0; ++i) {
        if (m_exchanges.at(i).type == MISSION_WRITE)
            written = i;
    }
    QVERIFY(written >= 0);
    QVERIFY2(written - edit_at <= m_edit_behind,
             qPrintable(QStringLiteral("write after %1 exchanges, %2 were handed over before it")
                            .arg(written - edit_at).arg(m_edit_behind)));
    QVERIFY(m_sim.fault(QStringLiteral("turnaround"), QStringLiteral("0")));
    QTRY_COMPARE(value_text(QStringLiteral("U0-01")), QStringLiteral("30.00"));
}

void tst_QMonitorWidget::refused_value_logged_once()
{
    // A drive that does not know the last runtime value of the description.
    QFile full(kDescription);
    QVERIFY(full.open(QIODevice::ReadOnly));
    QByteArray text = full.readAll();
    const int at = int(text.indexOf("<Param code=\"U0-29\""));
    QVERIFY(at > 0);
    text.remove(at, text.indexOf('\n', at) - at);
    QFile partial(m_dir.filePath(QStringLiteral("without-u0-29.xml")));
    QVERIFY(partial.open(QIODevice::WriteOnly));
    partial.write(text);
    partial.close();

    QVERIFY(connect_drive({QStringLiteral("--machine"), partial.fileName()}));
    set_as_fast_as_possible();
    QTRY_COMPARE(value_text(QStringLiteral("U0-29")), s("读取失败"));
    const int from = m_exchanges.size();
    QTRY_VERIFY_WITH_TIMEOUT(polls_since(from) > 40, 60000); // ten cycles and more
    QVERIFY(!value_text(QStringLiteral("U0-28")).isEmpty());
    QCOMPARE(value_text(QStringLiteral("U0-28")) == s("读取失败"), false);

    int refused = 0;
    for (const tagErrLog &entry : QSoftCore::get_core()->getErrlogs()) {
        if (entry.text.contains(QLatin1String("0x1020")))
            ++refused;
    }
    QCOMPARE(refused, 1);
}

void tst_QMonitorWidget::recording_survives_reconnect_with_gap()
{
    const QString path = m_dir.filePath(s("记录.csv"));
    QFileChooser::set_answerer([path](QWidget *, QFileChooser::Mode, const QString &, const QString &) {
        return path;
    });
    QVERIFY(connect_drive());
    set_as_fast_as_possible();
    m_record->trigger();
    QCOMPARE(m_record->text(), s("停止记录"));
    QVERIFY(m_record->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(recorded_lines(path).size() > 6, 60000); // flushed every second
    // Beside the buttons: the file, the time and the rows written so far.
    auto *status = m_page->findChild<QLabel *>(QStringLiteral("recordStatus"));
    QVERIFY(status);
    QTRY_VERIFY2(status->text().startsWith(s("● 记录中：记录.csv  00:00:0")) && !status->text().endsWith(s(" 0 行")),
                 qPrintable(status->text()));

    QSignalSpy offline(QSoftCore::get_core()->get_communicate(), &QCommunicate::offline);
    QVERIFY(m_sim.hangup());
    QTRY_COMPARE(offline.count(), 1);
    QTest::qWait(100);
    const int after_loss = m_exchanges.size();
    QTest::qWait(500);
    QCOMPARE(m_exchanges.size(), after_loss); // no polling while offline
    m_sim.stop();

    QVERIFY(connect_drive());
    const int resumed = m_exchanges.size();
    QTRY_VERIFY_WITH_TIMEOUT(polls_since(resumed) > 10, 60000); // two cycles and more
    m_record->trigger();
    QCOMPARE(m_record->text(), s("开始记录"));
    QVERIFY(!m_record->isChecked());
    // Stopped: the line says where the file is.
    QVERIFY2(status->text().endsWith(QDir::toNativeSeparators(path)), qPrintable(status->text()));

    const QStringList lines = recorded_lines(path);
    QVERIFY(lines.size() > 8);
    QVERIFY(lines.at(0).startsWith(s("时间,毫秒,U0-00,U0-01")));
    QVERIFY(lines.at(1).contains(s("运行频率")));
    QVERIFY(lines.at(2).contains(QLatin1String(",Hz,")));
    const int gap = int(lines.indexOf(QString(), 3));
    QVERIFY2(gap > 3 && gap < lines.size() - 2, qPrintable(QStringLiteral("gap %1 of %2").arg(gap).arg(lines.size()))); // samples before and after
    QCOMPARE(lines.count(QString()), 2); // the gap, and the end of the last row
    const QStringList before = lines.at(gap - 1).split(QLatin1Char(','));
    const QStringList after = lines.at(gap + 1).split(QLatin1Char(','));
    QCOMPARE(before.size(), 2 + 30);
    QVERIFY(after.at(1).toLongLong() > before.at(1).toLongLong());
    QCOMPARE(after.at(2 + 23), QStringLiteral("0")); // the state word: stopped, no fault
}

void tst_QMonitorWidget::write_failure_stops_recording()
{
    const QString path = m_dir.filePath(QStringLiteral("full.csv"));
    QFileChooser::set_answerer([path](QWidget *, QFileChooser::Mode, const QString &, const QString &) {
        return path;
    });
    QVERIFY(connect_drive());
    set_as_fast_as_possible();

    // The file may not grow past a few rows: the write fails as on a full disk.
    rlimit old_limit{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old_limit) == 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old_limit;
    small.rlim_cur = 3000;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    m_record->trigger();
    const bool warned = QTest::qWaitFor([this] { return !m_boxes.isEmpty(); }, 60000);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    QVERIFY(warned);
    QVERIFY(m_boxes.first().contains(QDir::toNativeSeparators(path)));
    QVERIFY(m_boxes.first().contains(s("记录已停止")));
    QCOMPARE(m_record->text(), s("开始记录"));
}

// The page in the program's window while the motor starts: the README's picture.
void tst_QMonitorWidget::picture_of_live_trend()
{
    // The default set, as a first start shows it.
    QSoftCore::get_core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(QString()));
    QSoftCore::get_core()->new_machine();
    // Lives on: it has taken the page, which the plug-in registry keeps.
    auto *window = new MainWindow;
    window->resize(1280, 820);
    window->show();
    window->tab_widget()->setCurrentIndex(1);
    QVERIFY(connect_drive());
    QCOMPARE(m_table->topLevelItemCount(), 5);
    auto *box = m_page->findChild<QComboBox *>(QStringLiteral("periodBox"));
    const int index = box->findData(100);
    box->setCurrentIndex(index);
    emit box->activated(index);
    QVERIFY(m_sim.set(0xF010, 40)); // acceleration time 4.0 s
    QVERIFY(m_sim.set(0xF011, 20)); // deceleration time 2.0 s
    QVERIFY(m_sim.command(QStringLiteral("run")));
    QTest::qWait(7000);
    QVERIFY(m_sim.command(QStringLiteral("stop")));
    // The motor ramps down in 2 s; the page shows it stopped when a poll
    // has read it, however busy the machine is.
    QTRY_VERIFY_WITH_TIMEOUT(value_text(QStringLiteral("U0-23")) == QStringLiteral("0"), 60000);
    QTest::qWait(1000); // a last second of the trend at 0 Hz, for the picture

    auto *chart = m_page->findChild<QWidget *>(QStringLiteral("trendChart"));
    QVERIFY(chart);
    auto *area = qobject_cast<QAbstractScrollArea *>(chart);
    QVERIFY(area);
    QWidget *view = area->viewport();
    // Five steps of the wheel: the last 20 seconds in view.
    const QPointF middle(view->width() / 2.0, view->height() / 2.0);
    for (int step = 0; step < 5; ++step) {
        QWheelEvent wheel(middle, view->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
    }
    QTest::mouseMove(view, QPoint(view->width() * 62 / 100, view->height() / 2));
    QTRY_VERIFY(m_page->findChild<QWidget *>(QStringLiteral("trendCursor"))->isVisible());
    QVERIFY(QDir().mkpath(QStringLiteral(PICTURE_DIR)));
    QVERIFY(window->grab().save(QDir(QStringLiteral(PICTURE_DIR)).filePath(QStringLiteral("monitor.png"))));
    QSoftCore::get_core()->serial_disconnect();
    window->hide();
}

QTEST_MAIN(tst_QMonitorWidget)
#include "tst_qmonitorwidget.moc"
