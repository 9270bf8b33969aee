// The device search against the simulated drive serving several stations
// on one pseudo-terminal.

#include "drivesim.h"
#include <communicate/services/qdevicesearch.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString MACHINE = QStringLiteral(TEST_DATA_DIR "/frames-drive.xml");

QList<int> stations_of(const QList<tagFoundDrive> &drives)
{
    QList<int> stations;
    for (const tagFoundDrive &d : drives)
        stations.append(d.station);
    return stations;
}

} // namespace

class tst_QDeviceSearch : public QObject
{
    Q_OBJECT
private slots:
    void finds_exactly_the_served_stations();
    void stop_ends_at_once();
    void a_port_that_vanishes_or_never_was();
    void keeps_a_slow_drives_pause();
    void refuses_a_plan_it_cannot_search();
};

void tst_QDeviceSearch::finds_exactly_the_served_stations()
{
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--station"), QStringLiteral("1,3,17"),
                         QStringLiteral("--version"), QStringLiteral("321") }),
             qPrintable(sim.error_string()));
    QDeviceSearch search;
    QSignalSpy found(&search, &QDeviceSearch::found);
    QSignalSpy finished(&search, &QDeviceSearch::finished);
    QSignalSpy progress(&search, &QDeviceSearch::progress);
    tagSearchPlan plan;
    plan.ports = { sim.device() };
    // The drive's own setting in the middle: the wrong ones before and
    // after it must not find it.
    plan.baud_rates = { 9600, 19200, 38400 };
    plan.framings = { { 'n', 2 }, { 'n', 1 } };
    plan.first_station = 1;
    plan.last_station = 20;
    plan.wait_ms = 15;
    QVERIFY2(search.start(plan), qPrintable(search.error()));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.first().first().toBool(), false);
    const QList<tagFoundDrive> drives = search.found_drives();
    QCOMPARE(stations_of(drives), (QList<int>{ 1, 3, 17 }));
    QCOMPARE(found.count(), 3);
    for (const tagFoundDrive &d : drives) {
        QCOMPARE(d.config.port_name, sim.device());
        QCOMPARE(d.config.baud_rate, 19200);
        QCOMPARE(d.config.parity, 'n');
        QCOMPARE(d.config.stop, 1);
        QCOMPARE(d.value, 321);
        QVERIFY(d.response_ms > 0);
    }
    QCOMPARE(progress.last().at(0).toInt(), 6 * 20);
    QCOMPARE(progress.last().at(1).toInt(), 6 * 20);

    // Parity the pseudo-terminal cannot report: the drive is told what the
    // master uses.
    QVERIFY(sim.command(QStringLiteral("line 19200 8E1")));
    plan.baud_rates = { 19200 };
    plan.framings = { { 'n', 1 } };
    finished.clear();
    QVERIFY(search.start(plan));
    QVERIFY(finished.wait(10000));
    QVERIFY(search.found_drives().isEmpty());
}

void tst_QDeviceSearch::stop_ends_at_once()
{
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--station"), QStringLiteral("200") }),
             qPrintable(sim.error_string()));
    QDeviceSearch search;
    QSignalSpy finished(&search, &QDeviceSearch::finished);
    QSignalSpy progress(&search, &QDeviceSearch::progress);
    tagSearchPlan plan;
    plan.ports = { sim.device() };
    plan.baud_rates = { 19200 };
    plan.framings = { { 'n', 1 } };
    // A probe waits a minute: Stop must not wait for it.
    plan.wait_ms = 60000;
    QVERIFY(search.start(plan));
    // The first probe goes out from the event loop and waits.
    QTest::qWait(200);
    QElapsedTimer clock;
    clock.start();
    search.stop();
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!search.is_running());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    const int seen = int(progress.count());
    QTest::qWait(1200);
    QCOMPARE(progress.count(), seen);
    QVERIFY(search.found_drives().isEmpty());
    // The port is free again: the search can start anew on it.
    QVERIFY(search.start(plan));
    search.stop();
}

void tst_QDeviceSearch::a_port_that_vanishes_or_never_was()
{
    DriveSim gone;
    DriveSim kept;
    QVERIFY2(gone.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--station"), QStringLiteral("30") }),
             qPrintable(gone.error_string()));
    QVERIFY2(kept.start({ QStringLiteral("--machine"), MACHINE, QStringLiteral("--station"), QStringLiteral("5") }),
             qPrintable(kept.error_string()));
    QDeviceSearch search;
    QSignalSpy failed(&search, &QDeviceSearch::setting_failed);
    QSignalSpy finished(&search, &QDeviceSearch::finished);
    bool pulled = false;
    connect(&search, &QDeviceSearch::progress, this, [&](int done) {
        // The missing device counts as its 2 x 10 probes; then 3 on the
        // device that goes.
        if (done == 23 && !pulled) {
            pulled = true;
            gone.hangup();
        }
    });
    tagSearchPlan plan;
    const QString missing = gone.device() + QStringLiteral(".missing");
    plan.ports = { missing, gone.device(), kept.device() };
    plan.baud_rates = { 19200, 9600 };
    plan.framings = { { 'n', 1 } };
    plan.first_station = 1;
    plan.last_station = 10;
    plan.wait_ms = 20;
    QVERIFY(search.start(plan));
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(pulled);
    // One report for the missing device, one for the one pulled; neither
    // is tried at its other baud rate.
    QCOMPARE(failed.count(), 2);
    QCOMPARE(failed.at(0).first().value<tagSerialConfig>().port_name, missing);
    QCOMPARE(failed.at(1).first().value<tagSerialConfig>().port_name, gone.device());
    QCOMPARE(stations_of(search.found_drives()), QList<int>{ 5 });
}

void tst_QDeviceSearch::keeps_a_slow_drives_pause()
{
    // Drives that hear nothing sooner than 300 ms after the last answer on
    // the line: a search that keeps that pause before each probe finds them
    // all, not only the first.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("slow.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Machine name=\"slow\">\n"
               "<Protocol pause-ms=\"300\"/>\n<Group name=\"P0\">\n"
               "<Param code=\"P0-00\" address=\"0x10\" default=\"1\" min=\"0\" max=\"100\"/>\n"
               "</Group>\n</Machine>\n");
    file.close();
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), path, QStringLiteral("--station"), QStringLiteral("1,2,3") }),
             qPrintable(sim.error_string()));
    QDeviceSearch search;
    QSignalSpy finished(&search, &QDeviceSearch::finished);
    tagSearchPlan plan;
    plan.ports = { sim.device() };
    plan.baud_rates = { 19200 };
    plan.framings = { { 'n', 1 } };
    plan.first_station = 1;
    plan.last_station = 3;
    plan.wait_ms = 100;
    plan.pause_ms = 300;
    QVERIFY2(search.start(plan), qPrintable(search.error()));
    QVERIFY(finished.wait(30000));
    QCOMPARE(stations_of(search.found_drives()), (QList<int>{ 1, 2, 3 }));
}

void tst_QDeviceSearch::refuses_a_plan_it_cannot_search()
{
    QDeviceSearch search;
    QSignalSpy finished(&search, &QDeviceSearch::finished);
    tagSearchPlan plan;
    plan.ports = { QStringLiteral("/dev/null") };
    plan.baud_rates = tagSearchPlan::standard_baud_rates();
    plan.framings = tagSearchPlan::standard_framings();
    for (const auto &range : { std::pair{ 0, 10 }, std::pair{ 1, 248 }, std::pair{ 9, 8 } }) {
        plan.first_station = range.first;
        plan.last_station = range.second;
        QVERIFY(!search.start(plan));
        QVERIFY(!search.error().isEmpty());
    }
    plan.first_station = 1;
    plan.last_station = 247;
    plan.baud_rates = { 19200, 0 };
    QVERIFY(!search.start(plan));
    plan.baud_rates = { 19200 };
    plan.pause_ms = 10001;
    QVERIFY(!search.start(plan));
    plan.pause_ms = 0;
    tagFraming f;
    QVERIFY(tagFraming::from_name(QStringLiteral("8o2"), &f) && f.parity == 'o' && f.stop == 2);
    QCOMPARE(f.name(), QStringLiteral("8O2"));
    QVERIFY(!tagFraming::from_name(QStringLiteral("7E1"), &f) && !tagFraming::from_name(QStringLiteral("8X1"), &f));
    QVERIFY(!search.is_running());
    QTest::qWait(20);
    QCOMPARE(finished.count(), 0);
}

QTEST_GUILESS_MAIN(tst_QDeviceSearch)
#include "tst_qdevicesearch.moc"
