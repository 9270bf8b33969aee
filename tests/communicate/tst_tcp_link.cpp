// The link to a drive behind Ethernet: the whole link against the simulated
// drive serving Modbus TCP (tcp://) and RTU frames over TCP (rtutcp://), and
// mbpoll as an independent Modbus TCP master against the same drive.

#include "drivesim.h"
#include "linkmissions.h"
#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>

namespace {

const QString TAG = LinkMissions::tag_key();
using LinkMissions::mission;
using LinkMissions::words_of;

struct Outcome
{
    bool ok = false;
    int code = 0;
    QByteArray answer;
};

} // namespace

class tst_TcpLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exchanges_data();
    void exchanges();
    void broken_answers_are_asked_again_data();
    void broken_answers_are_asked_again();
    void reset_under_running_group_data();
    void reset_under_running_group();
    void second_client_is_refused();
    void port_names_data();
    void port_names();
    void first_probe_against_a_bad_server_data();
    void first_probe_against_a_bad_server();
    void mbpoll_reads_and_writes();

private:
    bool start_online(const QString &mode, const QStringList &extra = QStringList());
    Outcome run(QMission *m, int wait_ms = 5000);

    DriveSim *sim = nullptr;
    QCommunicate *link = nullptr;
    QMap<int, Outcome> outcomes;
};

void tst_TcpLink::init()
{
    sim = new DriveSim;
    link = new QCommunicate;
    outcomes.clear();
    QMissionManager *manager = link->mission_manager();
    connect(manager, &QMissionManager::mission_success, link, [this](QMission *m) {
        if (m->get_attribute(TAG).isValid())
            outcomes.insert(m->get_attribute(TAG).toInt(), { true, 0, m->get_recv_buffer() });
    });
    connect(manager, &QMissionManager::mission_failed, link, [this](QMission *m, int code) {
        if (m->get_attribute(TAG).isValid())
            outcomes.insert(m->get_attribute(TAG).toInt(), { false, code, QByteArray() });
    });
}

void tst_TcpLink::cleanup()
{
    delete link;
    delete sim;
}

bool tst_TcpLink::start_online(const QString &mode, const QStringList &extra)
{
    const QStringList args{ QStringLiteral("--machine"), QStringLiteral(TEST_DATA_DIR "/frames-drive.xml"), mode,
                            QStringLiteral("0") };
    if (!sim->start(args + extra)) {
        qWarning("%s", qPrintable(sim->error_string()));
        return false;
    }
    QSignalSpy online(link, &QCommunicate::online);
    tagSerialConfig config;
    config.port_name = sim->device();
    if (!link->open(config))
        return false;
    return online.wait(5000) || online.count() == 1;
}

Outcome tst_TcpLink::run(QMission *m, int wait_ms)
{
    const int tag = m->get_attribute(TAG).toInt();
    link->mission_manager()->add_mission(m);
    delete m;
    QElapsedTimer clock;
    clock.start();
    while (!outcomes.contains(tag) && clock.elapsed() < wait_ms)
        QTest::qWait(1);
    return outcomes.value(tag, { false, -1, QByteArray() });
}

void tst_TcpLink::exchanges_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("Modbus TCP") << QStringLiteral("--tcp");
    QTest::newRow("RTU over TCP") << QStringLiteral("--rtu-tcp");
}

void tst_TcpLink::exchanges()
{
    QFETCH(QString, mode);
    QVERIFY(start_online(mode));
    QVERIFY(sim->device().startsWith(mode == QLatin1String("--tcp") ? QLatin1String("tcp://127.0.0.1:")
                                                                     : QLatin1String("rtutcp://127.0.0.1:")));
    QCOMPARE(link->serial_status(), 0);
    QCOMPARE(link->commu_status(), 0);

    QVERIFY(sim->set(0xF003, 0xA55A));
    Outcome o = run(mission(MISSION_READ, 0xF000, 7));
    QVERIFY(o.ok);
    QCOMPARE(words_of(o.answer, 7), sim->get(0xF000, 7));
    QCOMPARE(words_of(o.answer, 7).at(3), 0xA55A);

    o = run(mission(MISSION_WRITE, 0xF105, 1, 4321));
    QVERIFY(o.ok);
    QCOMPARE(sim->get_one(0xF105), 4321);
    o = run(mission(MISSION_WRITE_MULTI, 0xF004, 2, 0x186A0));
    QVERIFY(o.ok);
    QCOMPARE(sim->get(0xF004, 2), (QList<int>{ 0x86A0, 0x0001 }));

    // The drive's refusals come through with their codes, as on a line.
    QCOMPARE(run(mission(MISSION_READ, 0x2000, 2)).code, 2);
    QCOMPARE(run(mission(MISSION_WRITE, 0xF002, 1, 1)).code, 4);
}

void tst_TcpLink::broken_answers_are_asked_again_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("faults"); // the answers to the tries of one read
    QTest::addColumn<int>("reads");          // reads, each with these faults
    QTest::addColumn<int>("code");           // 0: the true value arrives after all
    const QString tcp = QStringLiteral("--tcp"), rtu = QStringLiteral("--rtu-tcp");
    const QStringList corrupt{ QStringLiteral("corrupt") };
    // The drive breaks another MBAP field at each corrupt answer: the
    // transaction id (one never sent), the length, the protocol id.
    QTest::newRow("tcp: foreign transaction, wrong length, wrong protocol") << tcp << corrupt << 3 << 0;
    QTest::newRow("tcp: late answer is stale") << tcp << QStringList{ QStringLiteral("late") } << 1 << 0;
    QTest::newRow("tcp: wrong unit, wrong function") << tcp
        << QStringList{ QStringLiteral("wrong-station"), QStringLiteral("wrong-function") } << 1 << 0;
    QTest::newRow("tcp: noise, cut answer") << tcp << QStringList{ QStringLiteral("garbage"), QStringLiteral("truncate") } << 1 << 0;
    QTest::newRow("tcp: every try broken") << tcp << (corrupt + corrupt + corrupt) << 1 << 257;
    QTest::newRow("tcp: never answered") << tcp
        << QStringList{ QStringLiteral("drop"), QStringLiteral("drop"), QStringLiteral("drop") } << 1 << 256;
    QTest::newRow("rtutcp: late answer is not the next") << rtu << QStringList{ QStringLiteral("late") } << 1 << 0;
    QTest::newRow("rtutcp: bad CRC, wrong count") << rtu
        << QStringList{ QStringLiteral("corrupt"), QStringLiteral("wrong-count") } << 1 << 0;
    QTest::newRow("rtutcp: every try broken") << rtu << (corrupt + corrupt + corrupt) << 1 << 257;
}

void tst_TcpLink::broken_answers_are_asked_again()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, faults);
    QFETCH(int, reads);
    QFETCH(int, code);
    QVERIFY(start_online(mode, { QStringLiteral("--late-ms"), QStringLiteral("250") }));
    link->set_timeout(150);
    // Each read first sees an old value, so a stale answer would show.
    int value = 0x1357;
    QVERIFY(sim->set(0xF101, value));
    QVERIFY(run(mission(MISSION_READ, 0xF101, 1)).ok);
    for (int r = 0; r < reads; ++r) {
        value += 0x1111;
        QVERIFY(sim->set(0xF101, value));
        for (const QString &f : std::as_const(faults))
            QVERIFY(sim->fault(QStringLiteral("next"), f));
        const Outcome o = run(mission(MISSION_READ, 0xF101, 1), 10000);
        if (code == 0) {
            QVERIFY(o.ok);
            QCOMPARE(words_of(o.answer, 1), QList<int>{ value });
        } else {
            QVERIFY(!o.ok);
            QCOMPARE(o.code, code);
        }
    }
    // The link is still sound: the next exchange is answered truly, and no
    // late or broken answer is left over for it.
    QTest::qWait(300);
    QVERIFY(sim->set(0xF101, 0x0BAD));
    const Outcome after = run(mission(MISSION_READ, 0xF101, 1));
    QVERIFY(after.ok);
    QCOMPARE(words_of(after.answer, 1), QList<int>{ 0x0BAD });
    QCOMPARE(link->commu_status(), 0);
}

void tst_TcpLink::reset_under_running_group_data()
{
    exchanges_data();
}

void tst_TcpLink::reset_under_running_group()
{
    QFETCH(QString, mode);
    QVERIFY(start_online(mode));
    QMissionManager *manager = link->mission_manager();
    QSignalSpy offline(link, &QCommunicate::offline);
    QSignalSpy end(manager, &QMissionManager::mission_group_end);

    // The gateway resets the connection as the fourth request comes in.
    QVERIFY(sim->fault(QStringLiteral("hangup-after"), QStringLiteral("3")));
    QList<QMission *> group;
    for (int i = 0; i < 10; ++i)
        group << mission(MISSION_READ, 0xF100 + i, 1);
    manager->add_mission_group(group, QStringLiteral("上传"));
    qDeleteAll(group);

    QTRY_COMPARE_WITH_TIMEOUT(end.count(), 1, 5000);
    QCOMPARE(end.first().first().toBool(), false);
    QCOMPARE(offline.count(), 1);
    int failed = 0;
    for (const Outcome &o : std::as_const(outcomes)) {
        QVERIFY(o.ok || o.code == 258);
        failed += o.ok ? 0 : 1;
    }
    QCOMPARE(failed, 7);
    QCOMPARE(link->serial_status(), 1);

    // Nobody connects again behind the operator's back; the operator can.
    QTest::qWait(300);
    QStringList stats;
    QVERIFY(sim->command(QStringLiteral("stats"), &stats));
    const QString before = stats.last();
    QTest::qWait(300);
    QVERIFY(sim->command(QStringLiteral("stats"), &stats));
    QCOMPARE(stats.last(), before);
    QCOMPARE(offline.count(), 1);
    QVERIFY(sim->fault(QStringLiteral("hangup-after"), QStringLiteral("-1")));
    QSignalSpy online(link, &QCommunicate::online);
    tagSerialConfig config;
    config.port_name = sim->device();
    QVERIFY(link->open(config));
    QVERIFY(online.wait(5000));

    // Reset while idle: offline once as well.
    QVERIFY(sim->hangup());
    QTRY_COMPARE_WITH_TIMEOUT(offline.count(), 2, 3000);
    QCOMPARE(link->serial_status(), 1);
}

void tst_TcpLink::second_client_is_refused()
{
    QVERIFY(start_online(QStringLiteral("--tcp")));
    const QUrl url(sim->device());
    QTcpSocket second;
    second.connectToHost(url.host(), quint16(url.port()));
    // Taken and closed at once: no connection left hanging.
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::UnconnectedState, 3000);
    const Outcome o = run(mission(MISSION_READ, 0, 1));
    QVERIFY(o.ok);
    QCOMPARE(words_of(o.answer, 1), QList<int>{ 100 });
}

void tst_TcpLink::port_names_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("serial server without port") << QStringLiteral("rtutcp://127.0.0.1");
    QTest::newRow("no host") << QStringLiteral("tcp://:502");
    QTest::newRow("port out of range") << QStringLiteral("tcp://127.0.0.1:70000");
    QTest::newRow("a path") << QStringLiteral("tcp://127.0.0.1:502/x");
    QTest::newRow("nobody listens") << QStringLiteral("tcp://127.0.0.1:%1");
    QTest::newRow("nobody listens, serial server") << QStringLiteral("rtutcp://127.0.0.1:%1");
}

void tst_TcpLink::port_names()
{
    QFETCH(QString, name);
    if (name.contains(QLatin1String("%1"))) {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        name = name.arg(server.serverPort());
    }
    // Stored and handed on as typed; a name that cannot be used, or a peer
    // that is not there, fails the open at once and leaves the link closed.
    tagSerialConfig config;
    config.port_name = name;
    QCOMPARE(QCommunicate::port_for(config), name);
    QSignalSpy offline(link, &QCommunicate::offline);
    // A connection may take as long as the time-out (a minute here): a
    // refused one must not wait for it.
    link->set_timeout(60000);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!link->open(config));
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(link->serial_status(), 1);
    QCOMPARE(offline.count(), 0);
}

void tst_TcpLink::first_probe_against_a_bad_server_data()
{
    // What a server sends back to every request (the request's transaction
    // id is 00 01 and up): "close" closes the connection at once.
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("failure");
    QTest::newRow("closes at once") << QByteArray("close") << 0;
    QTest::newRow("wrong transaction id") << QByteArray::fromHex("7777000000050103020064") << int(QMissionManager::ERR_MALFORMED);
    QTest::newRow("wrong protocol id") << QByteArray::fromHex("0001000100050103020064") << int(QMissionManager::ERR_MALFORMED);
    QTest::newRow("wrong length") << QByteArray::fromHex("00010000000901030200640000") << int(QMissionManager::ERR_MALFORMED);
}

void tst_TcpLink::first_probe_against_a_bad_server()
{
    // The connect probe is repeated until the drive answers; what came to
    // the last one is kept, so that a tool can say "malformed" (and show
    // it) rather than "no answer", and a server that closes is seen at once.
    QFETCH(QByteArray, reply);
    QFETCH(int, failure);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QList<QTcpSocket *> clients;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        QTcpSocket *client = server.nextPendingConnection();
        if (reply == "close") {
            client->close();
            client->deleteLater();
            return;
        }
        clients << client;
        connect(client, &QTcpSocket::readyRead, client, [client, reply] {
            client->readAll();
            client->write(reply);
        });
    });
    QSignalSpy offline(link, &QCommunicate::offline);
    // A close must not wait for the probe's time-out: long enough here
    // that waiting for it could never pass for seeing the close.
    link->set_timeout(reply == "close" ? 60000 : 100);
    tagSerialConfig config;
    config.port_name = QStringLiteral("tcp://127.0.0.1:%1").arg(server.serverPort());
    QVERIFY(link->open(config));
    if (reply == "close") {
        QVERIFY(offline.wait(30000));
        QCOMPARE(link->serial_status(), 1);
        return;
    }
    QByteArray came;
    QTRY_COMPARE_WITH_TIMEOUT(link->mission_manager()->probe_failure(&came), failure, 60000);
    QCOMPARE(came, reply);
    QCOMPARE(link->commu_status(), 1);
}

void tst_TcpLink::mbpoll_reads_and_writes()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
    if (program.isEmpty())
        QSKIP("mbpoll is not installed (Debian package mbpoll; scripts/setup.sh installs it)");
    QVERIFY(sim->start({ QStringLiteral("--machine"), QStringLiteral(TEST_DATA_DIR "/frames-drive.xml"),
                         QStringLiteral("--version"), QStringLiteral("207"), QStringLiteral("--tcp"), QStringLiteral("0") }));
    const QUrl url(sim->device());
    auto mbpoll = [&](const QStringList &args, QString *output) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, QStringList{ QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"),
                                      QString::number(url.port()), QStringLiteral("-a"), QStringLiteral("1"),
                                      QStringLiteral("-t"), QStringLiteral("4"), QStringLiteral("-0"),
                                      QStringLiteral("-1"), QStringLiteral("-o"), QStringLiteral("1") }
                             + args);
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished();
        }
        *output = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    auto values = [](const QString &output) {
        QList<int> out;
        static const QRegularExpression line(QStringLiteral("^\\[(\\d+)\\]:\\s+(-?\\d+)"), QRegularExpression::MultilineOption);
        auto it = line.globalMatch(output);
        while (it.hasNext())
            out << it.next().captured(2).toInt();
        return out;
    };
    const QString host = url.host();
    QString output;
    QVERIFY(sim->set(0xF10F, 0xA55A));
    QVERIFY2(mbpoll({ QStringLiteral("-r"), QString::number(0xF10A), QStringLiteral("-c"), QStringLiteral("6"), host }, &output) == 0,
             qPrintable(output));
    QCOMPARE(values(output), sim->get(0xF10A, 6));
    QVERIFY2(mbpoll({ QStringLiteral("-r"), QStringLiteral("0"), host }, &output) == 0, qPrintable(output));
    QCOMPARE(values(output), QList<int>{ 207 });

    QVERIFY2(mbpoll({ QStringLiteral("-r"), QString::number(0xF108), host, QStringLiteral("1"), QStringLiteral("32768"),
                      QStringLiteral("32767"), QStringLiteral("12") }, &output) == 0,
             qPrintable(output));
    QCOMPARE(sim->get(0xF108, 4), (QList<int>{ 1, 0x8000, 0x7FFF, 12 }));
    QVERIFY2(mbpoll({ QStringLiteral("-r"), QString::number(0xF105), host, QStringLiteral("4321") }, &output) == 0,
             qPrintable(output));
    QCOMPARE(sim->get_one(0xF105), 4321);
    // Refusals reach mbpoll as Modbus exceptions.
    QVERIFY(mbpoll({ QStringLiteral("-r"), QString::number(0xF002), host, QStringLiteral("1") }, &output) != 0);
    QVERIFY2(output.contains(QStringLiteral("Slave device or server failure"), Qt::CaseInsensitive), qPrintable(output));
}

QTEST_GUILESS_MAIN(tst_TcpLink)
#include "tst_tcp_link.moc"
