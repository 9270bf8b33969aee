// Streams of reads against drive-sim with late and broken answers: no read may
// ever report another read's registers. SOAK_SECONDS in the environment
// stretches the fault mix to a soak run (the counts are printed).

#include "drivesim.h"
#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>
#include <communicate/services/qlinkstatistics.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace {

// F1-00..F1-15 of frames-drive.xml hold 0..15: a read of four words at
// 0xF100 + k answers k..k+3, so an answer taken for the wrong read shows.
constexpr int BASE = 0xF100;
constexpr int WORDS = 4;
constexpr int STARTS = 13;

struct Counts
{
    int reads = 0;
    int right = 0;
    int wrong = 0;
    int failed = 0;
};

class Stream : public QObject
{
public:
    explicit Stream(QMissionManager *manager)
        : m_manager(manager)
    {
        connect(manager, &QMissionManager::mission_success, this, [this](QMission *m) { done(m, true); });
        connect(manager, &QMissionManager::mission_failed, this, [this](QMission *m, int) { done(m, false); });
    }

    // Reads in batches of batch missions until count reads are done (or
    // until ms passed, when ms > 0); between batches, between() runs.
    Counts run(int count, int batch, int ms, const std::function<void(int)> &between = {})
    {
        Counts before = m_counts;
        QElapsedTimer clock;
        clock.start();
        int issued = 0;
        while ((ms > 0 ? clock.elapsed() < ms : issued < count)) {
            if (between)
                between(issued);
            const int target = m_counts.reads + batch;
            for (int i = 0; i < batch; ++i, ++issued) {
                QMission m(MISSION_READ);
                m.set_attribute(QStringLiteral("Machine.Address"), 1);
                m.set_attribute(QStringLiteral("Data.Address"), BASE + issued % STARTS);
                m.set_attribute(QStringLiteral("Data.Length"), WORDS);
                m.set_attribute(QStringLiteral("Test.Start"), issued % STARTS);
                m.update_send_buffer();
                m_manager->add_mission(&m);
            }
            QElapsedTimer wait;
            wait.start();
            while (m_counts.reads < target && wait.elapsed() < 60000)
                QTest::qWait(2);
            if (m_counts.reads < target)
                break;
        }
        Counts c;
        c.reads = m_counts.reads - before.reads;
        c.right = m_counts.right - before.right;
        c.wrong = m_counts.wrong - before.wrong;
        c.failed = m_counts.failed - before.failed;
        return c;
    }

private:
    void done(QMission *m, bool ok)
    {
        const QVariant start = m->get_attribute(QStringLiteral("Test.Start"));
        if (!start.isValid())
            return; // the connect probe
        ++m_counts.reads;
        if (!ok) {
            ++m_counts.failed;
            return;
        }
        const QByteArray a = m->get_recv_buffer();
        const QList<quint16> registers = QRtuFrame::answer_registers(a, WORDS);
        bool right = a.size() == 5 + 2 * WORDS && registers.size() == WORDS;
        for (int k = 0; right && k < WORDS; ++k)
            right = registers.at(k) == start.toInt() + k;
        if (!right && qEnvironmentVariableIsSet("STALE_DEBUG"))
            qInfo("wrong: start %d got %s", start.toInt(), a.toHex(' ').constData());
        ++(right ? m_counts.right : m_counts.wrong);
    }

    QMissionManager *m_manager;
    Counts m_counts;
};

QString describe(const Counts &c)
{
    return QStringLiteral("%1 reads: %2 right, %3 wrong, %4 failed").arg(c.reads).arg(c.right).arg(c.wrong).arg(c.failed);
}

// Starts drive-sim on the test drive and waits until the link is online.
bool connect_to(DriveSim *sim, QCommunicate *link, const QStringList &options)
{
    if (!sim->start(QStringList{ QStringLiteral("--machine"), QStringLiteral(TEST_DATA_DIR "/frames-drive.xml") } + options)) {
        qWarning("%s", qPrintable(sim->error_string()));
        return false;
    }
    tagSerialConfig config;
    config.port_name = sim->device();
    QSignalSpy online(link, &QCommunicate::online);
    return link->open(config) && online.wait(5000);
}

} // namespace

class tst_StaleAnswers : public QObject
{
    Q_OBJECT
private slots:
    void late_answer_in_a_stream_data();
    void late_answer_in_a_stream();
    void fault_mix_without_drops();
    void changing_values_data();
    void changing_values();
};

void tst_StaleAnswers::late_answer_in_a_stream_data()
{
    QTest::addColumn<QStringList>("line");
    QTest::addColumn<int>("timing");
    QTest::newRow("pty, 1 ms turnaround") << QStringList{ QStringLiteral("--turnaround"), QStringLiteral("1") } << -1;
    QTest::newRow("line timing at 19200")
        << QStringList{ QStringLiteral("--baud"), QStringLiteral("19200"), QStringLiteral("--turnaround"), QStringLiteral("1") }
        << 1;
}

void tst_StaleAnswers::late_answer_in_a_stream()
{
    // One answer comes after the time-out and the quiet period after it, in
    // the middle of a stream of reads of the same size.
    QFETCH(QStringList, line);
    QFETCH(int, timing);
    DriveSim sim;
    QCommunicate link;
    link.set_line_timing(timing);
    Stream stream(link.mission_manager());
    QVERIFY(connect_to(&sim, &link, line));

    QVERIFY(sim.fault(QStringLiteral("late-ms"), QStringLiteral("1100")));
    const Counts c = stream.run(timing == 1 ? 240 : 600, 20, 0, [&](int issued) {
        if (issued == 40)
            QVERIFY(sim.fault(QStringLiteral("next"), QStringLiteral("late")));
    });
    qInfo("%s", qPrintable(describe(c)));
    QCOMPARE(c.wrong, 0);
    QCOMPARE(c.failed, 0); // the late answer cost a retry, nothing more
    QCOMPARE(c.right, c.reads);
}

void tst_StaleAnswers::fault_mix_without_drops()
{
    // Every fault but a dropped answer, at random; late answers one at a
    // time (a late answer that meets another one missing is the same as
    // meeting a dropped one: nothing on the line tells them apart).
    // SOAK_LATE_RATE makes late answers random too, to measure how often
    // that case slips through.
    // 300 reads, or a soak of SOAK_SECONDS.
    const int seconds = qEnvironmentVariableIntValue("SOAK_SECONDS");
    const QString late_rate = qEnvironmentVariable("SOAK_LATE_RATE");
    DriveSim sim;
    QCommunicate link;
    link.set_timeout(100);
    Stream stream(link.mission_manager());
    QVERIFY(connect_to(&sim, &link, { QStringLiteral("--turnaround"), QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("7") }));
    // Late answers come after the time-out and the quiet period after it.
    QVERIFY(sim.fault(QStringLiteral("late-ms"), QStringLiteral("250")));
    QVERIFY(sim.fault(QStringLiteral("split-ms"), QStringLiteral("5")));
    for (const char *fault : { "corrupt-rate", "garbage-rate", "truncate-rate", "split-rate", "wrong-station-rate",
                               "wrong-function-rate", "wrong-count-rate" })
        QVERIFY(sim.fault(QString::fromLatin1(fault), QStringLiteral("0.02")));
    if (!late_rate.isEmpty())
        QVERIFY(sim.fault(QStringLiteral("late-rate"), late_rate));

    // One late answer in every other batch.
    const Counts c = stream.run(300, 25, seconds * 1000, [&](int issued) {
        if (late_rate.isEmpty() && issued % 50 == 0)
            QVERIFY(sim.fault(QStringLiteral("next"), QStringLiteral("late")));
    });
    qInfo("fault mix, %s: %s", seconds > 0 ? qPrintable(QStringLiteral("%1 s").arg(seconds)) : "300 reads",
          qPrintable(describe(c)));
    QVERIFY(c.reads >= (seconds > 0 ? 25 : 300));
    QCOMPARE(c.wrong, 0);
    QCOMPARE(c.right + c.failed, c.reads);
}

void tst_StaleAnswers::changing_values_data()
{
    QTest::addColumn<QStringList>("server");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("rate");
    const QStringList pty;
    const QStringList rtu{ QStringLiteral("--rtu-tcp"), QStringLiteral("0") };
    QTest::newRow("pty, 3 % lost") << pty << QStringLiteral("drop-rate") << QStringLiteral("0.03");
    QTest::newRow("pty, 3 % late by 250 ms") << pty << QStringLiteral("late-rate") << QStringLiteral("0.03");
    QTest::newRow("rtutcp, 3 % late by 250 ms") << rtu << QStringLiteral("late-rate") << QStringLiteral("0.03");
}

void tst_StaleAnswers::changing_values()
{
    // A running drive's values change between two reads (drive-sim
    // --changing: a runtime register answers the number of requests the
    // drive heard). Reads one after another, time-out 100 ms, 2 retries:
    // at least 99 % succeed, and each value taken is the answer to one of
    // its own read's requests: one that went out after the read before
    // ended, and before this one ended.
    QFETCH(QStringList, server);
    QFETCH(QString, fault);
    QFETCH(QString, rate);
    DriveSim sim;
    QCommunicate link;
    link.set_timeout(100);
    link.set_retries(2);
    QVERIFY(connect_to(&sim, &link, server + QStringList{ QStringLiteral("--changing"), QStringLiteral("--turnaround"),
                                                          QStringLiteral("1"), QStringLiteral("--seed"), QStringLiteral("11") }));
    QVERIFY(sim.fault(QStringLiteral("late-ms"), QStringLiteral("250")));
    QVERIFY(sim.fault(fault, rate));
    QMissionManager *manager = link.mission_manager();
    int answered = 0, failed = 0, wrong = 0;
    bool done = false;
    quint16 value = 0;
    QEventLoop loop;
    connect(manager, &QMissionManager::mission_success, &loop, [&](QMission *m) {
        value = QRtuFrame::answer_registers(m->get_recv_buffer(), 1).value(0);
        ++answered;
        done = true;
        loop.quit();
    });
    connect(manager, &QMissionManager::mission_failed, &loop, [&] {
        ++failed;
        done = true;
        loop.quit();
    });
    // SOAK_SECONDS stretches it to a soak run (about 50 reads a second).
    const int READS = qMax(200, qEnvironmentVariableIntValue("SOAK_SECONDS") * 50);
    for (int i = 0; i < READS; ++i) {
        const qint64 before = link.statistics()->snapshot().connection.requests;
        const int was_answered = answered;
        done = false;
        QMission m(MISSION_READ);
        m.set_attribute(MissionKey::station(), 1);
        m.set_attribute(MissionKey::address(), 0x1001);
        m.set_attribute(MissionKey::length(), 1);
        m.update_send_buffer();
        manager->add_mission(&m);
        // Every mission ends (a lost link ends it too); the test's time-out
        // stops a hang.
        while (!done)
            loop.exec();
        const qint64 after = link.statistics()->snapshot().connection.requests;
        if (answered > was_answered && (value <= before || value > after)) {
            ++wrong;
            qWarning("read %d took the answer to request %d; its own went out as %lld..%lld", i, value, before + 1, after);
        }
    }
    qInfo("%d reads: %d answered, %d failed, %d wrong", READS, answered, failed, wrong);
    QCOMPARE(wrong, 0);
    QVERIFY(answered * 100 >= READS * 99);
}

QTEST_GUILESS_MAIN(tst_StaleAnswers)
#include "tst_stale_answers.moc"
