// The simulated drive on its own: command line, control channel, line
// timing, clean exit.

#include "drivesim.h"
#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString MACHINE = QStringLiteral(TEST_DATA_DIR "/frames-drive.xml");

} // namespace

class tst_DriveSim : public QObject
{
    Q_OBJECT
private slots:
    void bad_options_data();
    void bad_options();
    void control_channel();
    void runtime_values_move();
    void exits_cleanly_data();
    void exits_cleanly();
    void line_timing();
};

void tst_DriveSim::bad_options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");
    const QString link = QStringLiteral("/tmp/never-made-drive-tty");
    QTest::newRow("no link") << QStringList{ QStringLiteral("--machine"), MACHINE } << QStringLiteral("--link");
    QTest::newRow("station 0") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--station"), QStringLiteral("0") }
                               << QStringLiteral("--station");
    QTest::newRow("rate above 1") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--drop-rate"), QStringLiteral("1.5") }
                                  << QStringLiteral("--drop-rate");
    QTest::newRow("baud not a number") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--baud"), QStringLiteral("fast") }
                                       << QStringLiteral("--baud");
    QTest::newRow("unknown option") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--colour") }
                                    << QStringLiteral("colour");
    QTest::newRow("missing description") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--machine"), QStringLiteral("/nonexistent.xml") }
                                         << QStringLiteral("nonexistent.xml");
    QTest::newRow("broken description") << QStringList{ QStringLiteral("--link"), link, QStringLiteral("--machine"), QStringLiteral(TEST_SOURCE_DIR "/CMakeLists.txt") }
                                        << QStringLiteral("CMakeLists.txt");
}

void tst_DriveSim::bad_options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    QProcess p;
    p.start(DriveSim::program(), arguments);
    QVERIFY(p.waitForFinished(5000));
    QVERIFY(p.exitCode() != 0);
    const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    QVERIFY2(!err.contains(QLatin1Char('\n')), qPrintable(err)); // one line
    QVERIFY2(err.startsWith(QLatin1String("drive-sim: ")) && err.contains(reason), qPrintable(err));
    QVERIFY(p.readAllStandardOutput().isEmpty()); // never "ready"
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/never-made-drive-tty")));
}

void tst_DriveSim::control_channel()
{
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--version"), QStringLiteral("4321") }),
             qPrintable(sim.error_string()));
    QVERIFY(QFileInfo(sim.device()).isSymLink());
    bool ok = false;
    QCOMPARE(sim.get_one(0, &ok), 4321);
    QVERIFY(ok);
    // Defaults in display units become raw values; a two-word value is low word first.
    QCOMPARE(sim.get(0xF000, 7, &ok), (QList<int>{ 0, 5000, 3, 0, 100000 & 0xFFFF, 100000 >> 16, 100 }));
    QVERIFY(sim.set(0xF105, 0xBEEF));
    QCOMPARE(sim.get_one(0xF105), 0xBEEF);
    QVERIFY(sim.set(0xF002, 9)); // read-only for the bus, not for the test
    QCOMPARE(sim.get_one(0xF002), 9);

    const QMap<int, int> all = sim.dump(&ok);
    QVERIFY(ok);
    // Every served register, and nothing reserved: 0, 6 registers of F0
    // (0xF003 is reserved), 16 of F1, 3 runtime values.
    QCOMPARE(all.size(), 1 + 6 + 16 + 3);
    QVERIFY(!all.contains(0xF003));
    QCOMPARE(all.value(0xF105), 0xBEEF);
    QCOMPARE(all.value(0xF005), 1);

    QVERIFY(!sim.get_one(0x2000, &ok) || !ok);
    QVERIFY(sim.error_string().contains(QLatin1String("not served")));
    QVERIFY(!sim.set(0xF100, 70000));
    QVERIFY(!sim.fault(QStringLiteral("next"), QStringLiteral("meteor")));
    QVERIFY(!sim.command(QStringLiteral("fly")));
    QVERIFY(sim.command(QStringLiteral("stats")));

    QVERIFY(sim.hangup());
    QVERIFY(!QFileInfo::exists(sim.device()) && !QFileInfo(sim.device()).isSymLink());
    QVERIFY(sim.is_running()); // still answering its control channel
    QCOMPARE(sim.get_one(0xF105), 0xBEEF);
}

void tst_DriveSim::runtime_values_move()
{
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), MACHINE }), qPrintable(sim.error_string()));
    const QList<int> before = sim.get(0x1001, 3);
    QList<int> after = before;
    QElapsedTimer clock;
    clock.start();
    while (after == before && clock.elapsed() < 3000) {
        QTest::qWait(100);
        after = sim.get(0x1001, 3);
    }
    QVERIFY(after != before);
    // Around 50.00 Hz, 5.0 A and 540 V, within a few per cent.
    QVERIFY(qAbs(after.at(0) - 5000) <= 300);
    QVERIFY(qAbs(after.at(1) - 50) <= 3);
    QVERIFY(qAbs(after.at(2) - 540) <= 30);
}

void tst_DriveSim::exits_cleanly_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("SIGTERM") << QStringLiteral("term");
    QTest::newRow("quit command") << QStringLiteral("quit");
    QTest::newRow("end of stdin with --quit-on-eof") << QStringLiteral("eof");
}

void tst_DriveSim::exits_cleanly()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    QProcess p;
    p.start(DriveSim::program(), { QStringLiteral("--machine"), MACHINE, QStringLiteral("--link"), link,
                                   QStringLiteral("--quit-on-eof") });
    QVERIFY(p.waitForReadyRead(5000));
    QCOMPARE(p.readLine().trimmed(), (QStringLiteral("ready ") + link).toUtf8());
    QVERIFY(QFileInfo(link).isSymLink());
    if (how == QLatin1String("term"))
        p.terminate();
    else if (how == QLatin1String("quit"))
        p.write("quit\n");
    else
        p.closeWriteChannel();
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void tst_DriveSim::line_timing()
{
    // 9600 baud 8N1 and 20 ms turnaround: a read of 8 registers can never be
    // answered sooner than 8 + 21 characters of line time plus the turnaround.
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--baud"), QStringLiteral("9600"),
                         QStringLiteral("--turnaround"), QStringLiteral("20") }),
             qPrintable(sim.error_string()));
    QCommunicate link;
    QSignalSpy online(&link, &QCommunicate::online);
    tagSerialConfig config;
    config.baud_rate = 9600;
    config.port_name = sim.device();
    QVERIFY(link.open(config));
    QVERIFY(online.wait(5000));
    QSignalSpy done(link.mission_manager(), &QMissionManager::mission_success);
    QMission m(MISSION_READ);
    m.set_attribute(QStringLiteral("Machine.Address"), 1);
    m.set_attribute(QStringLiteral("Data.Address"), 0xF100);
    m.set_attribute(QStringLiteral("Data.Length"), 8);
    QElapsedTimer clock;
    clock.start();
    link.mission_manager()->add_mission(&m);
    QVERIFY(done.wait(5000));
    const double least_ms = (8 + 21) * 10 * 1000.0 / 9600 + 20;
    QVERIFY2(clock.elapsed() >= qint64(least_ms), qPrintable(QStringLiteral("%1 ms").arg(clock.elapsed())));
}

QTEST_GUILESS_MAIN(tst_DriveSim)
#include "tst_drivesim.moc"
