// The central object against the simulated drive over a pseudo-terminal: the
// connection sequence, the connect-time reads, and every way the port closes.

#include "drivesim.h"

#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/tagserialconfig.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kDescription = QStringLiteral(TEST_DATA_DIR "/core-machine/default.xml");

} // namespace

class tst_QSoftCoreLink : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectionSequence();
    void repeatedConnectDeliversOnce();
    void failingOpenChangesNothing();
    void hangUpAnnouncesClosedPortOnce();

private:
    tagSerialConfig config() const
    {
        tagSerialConfig c;
        c.port_name = m_sim.device();
        return c;
    }
    QSoftCore *core() { return QSoftCore::get_core(); }

    QTemporaryDir m_dir;
    DriveSim m_sim;
};

void tst_QSoftCoreLink::initTestCase()
{
    QVERIFY(QLocalCodec::install());
    QVERIFY(m_dir.isValid());
    QSettingManager::set_default_file(m_dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(QStringLiteral(TEST_DATA_DIR "/core-machine"));
}

void tst_QSoftCoreLink::init()
{
    QVERIFY2(m_sim.start({QStringLiteral("--machine"), kDescription}), qPrintable(m_sim.error_string()));
    core()->new_machine();
    QVERIFY(core()->get_machine());
}

void tst_QSoftCoreLink::cleanup()
{
    QSoftCore::release_core();
    m_sim.stop();
}

void tst_QSoftCoreLink::connectionSequence()
{
    // What the drive holds before anyone asks.
    QVERIFY(m_sim.set(0xF000, 2));
    QVERIFY(m_sim.set(0xF002, 0x5678));
    QVERIFY(m_sim.set(0xF003, 0x1234));
    QVERIFY(m_sim.set(0xF005, 123));

    QStringList order;
    QSoftCore *c = core();
    connect(c, &QSoftCore::clear_machine_signal, this, [&] { order << QStringLiteral("clear"); });
    connect(c, &QSoftCore::parvex_changed, this,
            [&] { order << (c->get_machine() ? QStringLiteral("groups") : QStringLiteral("none")); });
    connect(c, &QSoftCore::new_machine_signal, this, [&] { order << QStringLiteral("new"); });
    connect(c, &QSoftCore::start_runtime, this, [&] { order << QStringLiteral("runtime"); });
    QSignalSpy opened(c, &QSoftCore::openCom);
    QSignalSpy online(c->get_communicate(), &QCommunicate::online);
    QSignalSpy offline(c->get_communicate(), &QCommunicate::offline);

    QVERIFY(c->serial_connect(config()));
    QCOMPARE(opened.count(), 1);
    QCOMPARE(opened.first().first().toBool(), true);
    QCOMPARE(c->get_communicate()->serial_status(), 0);

    QTRY_COMPARE(order.size(), 5);
    QCOMPARE(order, (QStringList{QStringLiteral("clear"), QStringLiteral("none"),
                                 QStringLiteral("groups"), QStringLiteral("new"),
                                 QStringLiteral("runtime")}));
    QCOMPARE(online.count(), 1);
    // The serial number the description names registers for, read after the probe.
    QTRY_COMPARE(c->get_drive_serial(), QStringLiteral("SIM-0001"));

    // The start list (F0-00, F0-02, F0-05 and the runtime frequency) is read
    // into the new model; values outside it stay unread.
    QMachine *machine = c->get_machine();
    QVERIFY(machine);
    QTRY_COMPARE(machine->get_value(QStringLiteral("F0-05"))->get_base_value(), 123);
    QCOMPARE(machine->get_value(QStringLiteral("F0-00"))->get_base_value(), 2);
    QCOMPARE(machine->get_value(QStringLiteral("F0-02"))->get_base_value(), 0x12345678);
    QCOMPARE(machine->get_value(QStringLiteral("F0-00"))->get_true_value_string(),
             QStringLiteral("有速度传感器矢量控制"));
    QVERIFY(machine->get_value(QStringLiteral("F1-00"))->get_true_value_string().isEmpty());
    QTRY_VERIFY(machine->get_value(QStringLiteral("U0-00"))->has_value());
    QVERIFY(c->getErrlogs().isEmpty());

    c->serial_disconnect();
    QCOMPARE(opened.count(), 2);
    QCOMPARE(opened.last().first().toBool(), false);
    QTRY_COMPARE(offline.count(), 1);
    QVERIFY(c->get_communicate()->serial_status() != 0);
    c->serial_disconnect(); // already closed: nothing more
    QTest::qWait(50);
    QCOMPARE(opened.count(), 2);
}

void tst_QSoftCoreLink::repeatedConnectDeliversOnce()
{
    QSoftCore *c = core();
    QSignalSpy runtime(c, &QSoftCore::start_runtime);
    QVERIFY(c->serial_connect(config()));
    QVERIFY(c->serial_connect(config()));
    QTRY_VERIFY(runtime.count() >= 1);
    QTest::qWait(100);
    const int builds = runtime.count();

    // One refresh of a one-run group decodes into each value exactly once.
    QMachineValue *value = c->get_machine()->get_value(QStringLiteral("F1-01"));
    QSignalSpy changed(value, &QMachineValue::value_changed);
    QVERIFY(m_sim.set(0xF101, 400));
    c->update_group(QStringLiteral("F1 电机参数"));
    QTRY_COMPARE(changed.count(), 1);
    QTest::qWait(100);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(value->get_base_value(), 400);
    QCOMPARE(runtime.count(), builds);
}

void tst_QSoftCoreLink::failingOpenChangesNothing()
{
    QSoftCore *c = core();
    QSignalSpy opened(c, &QSoftCore::openCom);
    tagSerialConfig missing;
    missing.port_name = m_dir.filePath(QStringLiteral("no-such-port"));
    QVERIFY(!c->serial_connect(missing));
    QCOMPARE(opened.count(), 0);
    QVERIFY(c->get_communicate()->serial_status() != 0);
    QVERIFY(c->get_machine()); // the model stays
}

void tst_QSoftCoreLink::hangUpAnnouncesClosedPortOnce()
{
    QSoftCore *c = core();
    QSignalSpy opened(c, &QSoftCore::openCom);
    QSignalSpy runtime(c, &QSoftCore::start_runtime);
    QVERIFY(c->serial_connect(config()));
    QTRY_COMPARE(runtime.count(), 1);

    QVERIFY(m_sim.hangup());
    QTRY_COMPARE(opened.count(), 2);
    QCOMPARE(opened.last().first().toBool(), false);
    QVERIFY(c->get_communicate()->serial_status() != 0);

    c->serial_disconnect(); // the port is already gone
    QTest::qWait(100);
    QCOMPARE(opened.count(), 2);
}

QTEST_MAIN(tst_QSoftCoreLink)
#include "tst_qsoftcore_link.moc"
