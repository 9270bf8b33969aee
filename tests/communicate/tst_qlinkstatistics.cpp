// The link's counters: their arithmetic, and that they agree with what the
// simulated drive saw and did under injected faults.

#include "drivesim.h"
#include "linkmissions.h"
#include <communicate/qcommunicate.h>
#include <communicate/services/qlinkstatistics.h>
#include <communicate/missions/qmissionmanager.h>

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

class tst_QLinkStatistics : public QObject
{
    Q_OBJECT
private slots:
    void response_times_connection_and_total();
    void counters_agree_with_the_drive();
};

void tst_QLinkStatistics::response_times_connection_and_total()
{
    QLinkStatistics s;
    QCOMPARE(s.snapshot().total.response_p95_ms(), 0.0);
    for (int ms = 1; ms <= 100; ++ms)
        s.note_answer(qint64(ms) * 1000000);
    s.note_exception(2, 1000000);
    s.note_exception(2, 1000000);
    s.note_exception(0x0B, 1000000);
    const tagLinkCounters t = s.snapshot().total;
    QCOMPARE(t.answers, 103);
    QCOMPARE(t.exceptions.value(2), 2);
    QCOMPARE(t.exceptions.value(0x0B), 1);
    QCOMPARE(t.exception_total(), 3);
    QCOMPARE(t.response_max_ms(), 100.0);
    // 95 % of 103 answers are 98 answers: those up to 95 ms. The buckets
    // are 5 % wide; never above the largest time seen.
    QVERIFY2(t.response_p95_ms() >= 95.0 && t.response_p95_ms() <= 95.0 * 1.05, qPrintable(QString::number(t.response_p95_ms())));
    QVERIFY(qAbs(t.response_mean_ms() - (5050.0 + 3.0) / 103.0) < 1e-9);
    s.note_answer(qint64(500) * 1000000);
    QCOMPARE(s.snapshot().total.response_p95_ms() <= 500.0, true);

    s.begin_connection();
    s.note_sent(8, QLinkStatistics::RetrySend);
    s.note_timeout();
    const QLinkStatistics::Snapshot after = s.snapshot();
    QCOMPARE(after.connection.requests, 1);
    QCOMPARE(after.connection.retries, 1);
    QCOMPARE(after.connection.answers, 0);
    QCOMPARE(after.total.answers, 104);
    QCOMPARE(after.total.timeouts, 1);
    s.reset();
    QCOMPARE(s.snapshot().total.requests, 0);
}

void tst_QLinkStatistics::counters_agree_with_the_drive()
{
    DriveSim sim;
    QVERIFY2(sim.start({ QStringLiteral("--machine"), QStringLiteral(TEST_DATA_DIR "/frames-drive.xml"),
                         QStringLiteral("--drop-rate"), QStringLiteral("0.15"), QStringLiteral("--corrupt-rate"),
                         QStringLiteral("0.15"), QStringLiteral("--seed"), QStringLiteral("5") }),
             qPrintable(sim.error_string()));
    QCommunicate link;
    // Time enough for every answer the drive sends, however busy the
    // machine: a time-out then means a dropped answer.
    link.set_timeout(400);
    link.set_retries(2);
    QSignalSpy online(&link, &QCommunicate::online);
    tagSerialConfig config;
    config.port_name = sim.device();
    QVERIFY(link.open(config));
    QVERIFY(online.wait(5000));

    QMissionManager *manager = link.mission_manager();
    int finished = 0;
    int refused = 0;
    connect(manager, &QMissionManager::mission_success, this, [&] { ++finished; });
    connect(manager, &QMissionManager::mission_failed, this, [&](QMission *, int code) {
        ++finished;
        refused += code == 2 ? 1 : 0;
    });
    const int reads = 30;
    const int unserved = 4;
    for (int i = 0; i < reads; ++i) {
        QMission *m = LinkMissions::mission(MISSION_READ, 0xF000, 1);
        manager->add_mission(m);
        delete m;
    }
    for (int i = 0; i < unserved; ++i) {
        QMission *m = LinkMissions::mission(MISSION_READ, 0x9000, 1);
        manager->add_mission(m);
        delete m;
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished, reads + unserved, 20000);

    QStringList reply;
    QVERIFY(sim.command(QStringLiteral("stats"), &reply));
    QMap<QString, qint64> seen;
    for (const QString &pair : reply.last().split(QLatin1Char(' ')).mid(1))
        seen.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1).toLongLong());
    const QLinkStatistics::Snapshot s = link.statistics()->snapshot();
    const tagLinkCounters &c = s.connection;
    QVERIFY2(seen.value(QStringLiteral("drop")) > 0 && seen.value(QStringLiteral("corrupt")) > 0,
             qPrintable(reply.last()));
    QCOMPARE(c.requests, seen.value(QStringLiteral("requests")));
    QCOMPARE(c.timeouts, seen.value(QStringLiteral("drop")));
    QCOMPARE(c.bad_crc, seen.value(QStringLiteral("corrupt")));
    // Each request ends in one of these; a frame taken for a lost answer's
    // late one (a slow answer while a lost one may still come) ends in a
    // repeat of the request.
    QCOMPARE(c.answers, c.requests - c.timeouts - c.bad_crc - c.malformed - c.repeats);
    QCOMPARE(refused, unserved);
    QVERIFY(c.exceptions.value(2) >= refused);
    QCOMPARE(c.exception_total(), c.exceptions.value(2));
    QVERIFY(c.retries > 0);
    QCOMPARE(c.bytes_sent, 8 * c.requests);
    // Read answers are 7 bytes, exception answers 5, corrupted ones as long;
    // a frame the line cut apart (malformed) brings its bytes too.
    const qint64 frames = c.answers + c.bad_crc;
    QVERIFY2(c.bytes_received >= 7 * (frames - c.exception_total())
                 && c.bytes_received <= 7 * (frames + c.repeats + c.malformed),
             qPrintable(QStringLiteral("received %1 bytes: %2 answers, %3 exceptions, %4 bad, %5 malformed, %6 repeats")
                            .arg(c.bytes_received).arg(c.answers).arg(c.exception_total()).arg(c.bad_crc)
                            .arg(c.malformed).arg(c.repeats)));
    QCOMPARE(s.total.requests, c.requests);
    QVERIFY(c.response_max_ms() >= c.response_p95_ms() && c.response_p95_ms() > 0);
}

QTEST_GUILESS_MAIN(tst_QLinkStatistics)
#include "tst_qlinkstatistics.moc"
