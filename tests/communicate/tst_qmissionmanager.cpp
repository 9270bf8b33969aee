#include <communicate/transports/qlinktransport.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/frames/qrtuframe.h>

#include <QSignalSpy>
#include <QTest>

namespace {

// Stands in for the serial line: records the requests and answers them when
// the test says so.
class ScriptedTransport : public QLinkTransport
{
public:
    using QLinkTransport::QLinkTransport;
    void start_exchange(const QByteArray &request) override { sent.append(request); }
    int pipeline_depth() const override { return depth; }
    void recall() override { ++recalls; }

    void answer(const QList<int> &words)
    {
        QList<quint16> registers;
        for (int w : words)
            registers.append(quint16(w));
        emit exchange_finished(Answered, QRtuFrame::read_answer(quint8(sent.last().at(0)), registers), 0);
    }
    void fail(Result result, int code = 0) { emit exchange_finished(result, QByteArray(), code); }

    // Address field of request i.
    int address(int i) const { return quint8(sent.at(i).at(2)) * 256 + quint8(sent.at(i).at(3)); }

    QList<QByteArray> sent;
    int depth = 1;
    int recalls = 0;
};

QMission *read_mission(int address, int level = 5, int length = 1, int station = 1)
{
    auto *m = new QMission(MISSION_READ);
    m->set_attribute(QStringLiteral("Machine.Address"), station);
    m->set_attribute(QStringLiteral("Data.Address"), address);
    m->set_attribute(QStringLiteral("Data.Length"), length);
    m->update_send_buffer();
    m->set_attribute(QStringLiteral("Mission.Level"), level);
    m->set_attribute(QStringLiteral("Mission.Type"), 1);
    return m;
}

} // namespace

class tst_QMissionManager : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void probe_then_missions_by_level();
    void unanswered_probe_is_repeated_quietly();
    void results_and_error_codes_data();
    void results_and_error_codes();
    void invalid_mission_is_never_sent();
    void closed_port_fails_missions_later_not_inside_add();
    void group_signals();
    void failed_group_and_empty_group();
    void groups_run_one_after_another();
    void link_lost_under_running_group();
    void three_silent_missions_lose_the_link();
    void pipelined_missions_are_taken_back_for_higher_levels();

private:
    void go_online(int version = 100);
    void add(QMission *m)
    {
        manager->add_mission(m);
        delete m; // the manager keeps its own copy
    }

    QMissionManager *manager = nullptr;
    ScriptedTransport *transport = nullptr;
    QStringList log;
};

void tst_QMissionManager::init()
{
    transport = new ScriptedTransport;
    manager = new QMissionManager;
    manager->set_transport(transport);
    manager->set_probe_interval(10);
    log.clear();
    auto address = [](QMission *m) { return m->get_attribute(QStringLiteral("Data.Address")).toInt(); };
    connect(manager, &QMissionManager::mission_success, this,
            [this, address](QMission *m) { log << QStringLiteral("ok %1").arg(address(m)); });
    connect(manager, &QMissionManager::mission_failed, this,
            [this, address](QMission *m, int code) { log << QStringLiteral("fail %1 %2").arg(address(m)).arg(code); });
    connect(manager, &QMissionManager::machine_version, this, [this](int v) { log << QStringLiteral("version %1").arg(v); });
    connect(manager, &QMissionManager::mission_group_start, this, [this](int n) { log << QStringLiteral("start %1").arg(n); });
    connect(manager, &QMissionManager::mission_group_progress, this, [this](int n) { log << QStringLiteral("left %1").arg(n); });
    connect(manager, &QMissionManager::mission_group_end, this,
            [this](bool ok) { log << QStringLiteral("end %1 %2").arg(ok ? QStringLiteral("ok") : QStringLiteral("failed"), manager->group_mission_name()); });
    connect(manager, &QMissionManager::link_up, this, [this] { log << QStringLiteral("up"); });
    connect(manager, &QMissionManager::link_down, this, [this] { log << QStringLiteral("down"); });
    connect(manager, &QMissionManager::link_silent, this, [this] { log << QStringLiteral("silent"); });
}

void tst_QMissionManager::cleanup()
{
    delete manager;
    delete transport;
}

void tst_QMissionManager::go_online(int version)
{
    manager->link_opened();
    QTRY_COMPARE(transport->sent.size(), 1);
    transport->answer({ version });
    QVERIFY(manager->is_online());
    QCOMPARE(log.mid(0, 3), (QStringList{ QStringLiteral("up"), QStringLiteral("version %1").arg(version), QStringLiteral("ok 0") }));
    log.clear();
    transport->sent.clear();
}

void tst_QMissionManager::probe_then_missions_by_level()
{
    auto *probe = new QMission(MISSION_READ);
    probe->set_attribute(QStringLiteral("Machine.Address"), 7);
    probe->set_attribute(QStringLiteral("Data.Address"), 0);
    probe->set_attribute(QStringLiteral("Data.Length"), 1);
    manager->set_connect_mission(probe); // owned by the manager from now on
    manager->link_opened();

    // Added while probing: they wait for the drive's first answer.
    add(read_mission(10, 5));
    add(read_mission(20, 9));
    add(read_mission(30, 5));
    add(read_mission(40, 9));
    add(read_mission(50, 7));
    QTRY_COMPARE(transport->sent.size(), 1);
    QTest::qWait(20);
    QCOMPARE(transport->sent.size(), 1);
    QCOMPARE(transport->sent.first(), QRtuFrame::read_request(7, 0, 1));
    QVERIFY(!manager->is_online());
    QCOMPARE(manager->pending_count(), 5);

    transport->answer({ 0x0123 });
    QCOMPARE(log, (QStringList{ QStringLiteral("up"), QStringLiteral("version 291"), QStringLiteral("ok 0") }));
    QVERIFY(manager->is_online());

    // Higher level first, equal levels in order of arrival; one at a time.
    QList<int> order;
    for (int i = 1; i <= 5; ++i) {
        QTRY_COMPARE(transport->sent.size(), i + 1);
        order << transport->address(i);
        transport->answer({ i });
    }
    QCOMPARE(order, (QList<int>{ 20, 40, 50, 10, 30 }));
    QTest::qWait(10);
    QCOMPARE(transport->sent.size(), 6);
}

void tst_QMissionManager::unanswered_probe_is_repeated_quietly()
{
    manager->link_opened();
    add(read_mission(10));
    QTRY_COMPARE(transport->sent.size(), 1);
    transport->fail(QLinkTransport::NoAnswer);
    QTRY_COMPARE(transport->sent.size(), 2);
    transport->fail(QLinkTransport::Malformed);
    QTRY_COMPARE(transport->sent.size(), 3);
    transport->fail(QLinkTransport::NoAnswer);
    QTRY_COMPARE(transport->sent.size(), 4);
    transport->fail(QLinkTransport::NoAnswer);
    QTRY_COMPARE(transport->sent.size(), 5);
    // Still the probe (default: station 1, register 0), nothing reported,
    // and unanswered probes never count as losing the link.
    for (const QByteArray &r : std::as_const(transport->sent))
        QCOMPARE(r, QRtuFrame::read_request(1, 0, 1));
    QVERIFY(log.isEmpty());
    transport->answer({ 5 });
    QTRY_COMPARE(transport->sent.size(), 6);
    QCOMPARE(transport->address(5), 10);
}

void tst_QMissionManager::results_and_error_codes_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("answered") << int(QLinkTransport::Answered) << 0 << QStringLiteral("ok 10");
    QTest::newRow("exception 2") << int(QLinkTransport::Exception) << 2 << QStringLiteral("fail 10 2");
    QTest::newRow("exception 4") << int(QLinkTransport::Exception) << 4 << QStringLiteral("fail 10 4");
    QTest::newRow("no answer") << int(QLinkTransport::NoAnswer) << 0 << QStringLiteral("fail 10 256");
    QTest::newRow("malformed") << int(QLinkTransport::Malformed) << 0 << QStringLiteral("fail 10 257");
}

void tst_QMissionManager::results_and_error_codes()
{
    QFETCH(int, result);
    QFETCH(int, code);
    QFETCH(QString, expected);
    go_online();
    QMission *m = read_mission(10, 5, 2);
    manager->add_mission(m);
    delete m;
    QTRY_COMPARE(transport->sent.size(), 1);
    QByteArray answer;
    if (result == QLinkTransport::Answered) {
        QMission *seen = nullptr;
        QByteArray seen_buffer;
        connect(manager, &QMissionManager::mission_success, this, [&](QMission *ms) {
            seen = ms;
            seen_buffer = ms->get_recv_buffer();
        });
        transport->answer({ 0x1234, 0xFFFF });
        QVERIFY(seen);
        // Register k at offset 3 + 2k, unsigned.
        QCOMPARE(quint8(seen_buffer.at(3)), quint8(0x12));
        QCOMPARE(quint8(seen_buffer.at(4)), quint8(0x34));
        QCOMPARE(quint8(seen_buffer.at(5)), quint8(0xFF));
        QCOMPARE(quint8(seen_buffer.at(6)), quint8(0xFF));
    } else {
        transport->fail(QLinkTransport::Result(result), code);
    }
    QCOMPARE(log, QStringList{ expected });
}

void tst_QMissionManager::invalid_mission_is_never_sent()
{
    go_online();
    auto *bad = new QMission(MISSION_WRITE);
    bad->set_attribute(QStringLiteral("Machine.Address"), 1);
    bad->set_attribute(QStringLiteral("Data.Address"), 11);
    bad->set_attribute(QStringLiteral("Mission.Write.Data"), 70000);
    add(bad);
    add(read_mission(12));
    QTRY_COMPARE(transport->sent.size(), 1);
    QCOMPARE(transport->address(0), 12);
    transport->answer({ 1 });
    QTRY_COMPARE(log, (QStringList{ QStringLiteral("ok 12"), QStringLiteral("fail 11 3") }));
    QCOMPARE(transport->sent.size(), 1);
}

void tst_QMissionManager::closed_port_fails_missions_later_not_inside_add()
{
    add(read_mission(10));
    add(read_mission(20));
    QVERIFY(log.isEmpty()); // the caller finishes its loop first
    QTRY_COMPARE(log.size(), 2);
    QCOMPARE(log, (QStringList{ QStringLiteral("fail 10 258"), QStringLiteral("fail 20 258") }));
    QVERIFY(transport->sent.isEmpty());

    // A group added while closed starts, fails mission by mission, and ends.
    log.clear();
    QMission *a = read_mission(30);
    manager->add_mission_group({ a }, QStringLiteral("G"));
    delete a;
    QVERIFY(log.isEmpty());
    QTRY_COMPARE(log, (QStringList{ QStringLiteral("start 1"), QStringLiteral("fail 30 258"), QStringLiteral("left 0"),
                                    QStringLiteral("end failed G") }));
}

void tst_QMissionManager::group_signals()
{
    go_online();
    QList<QMission *> missions{ read_mission(1, 7), read_mission(2, 7), read_mission(3, 7) };
    manager->add_mission_group(missions, QStringLiteral("上传"));
    qDeleteAll(missions);
    QVERIFY(log.isEmpty());
    // A mission of higher level goes first; the group counts only its own.
    add(read_mission(99, 9));
    for (int i = 0; i < 4; ++i) {
        QTRY_COMPARE(transport->sent.size(), i + 1);
        transport->answer({ i });
    }
    QCOMPARE(transport->address(0), 99);
    QCOMPARE(transport->address(1), 1);
    QCOMPARE(log, (QStringList{ QStringLiteral("start 3"), QStringLiteral("ok 99"), QStringLiteral("ok 1"),
                                QStringLiteral("left 2"), QStringLiteral("ok 2"), QStringLiteral("left 1"),
                                QStringLiteral("ok 3"), QStringLiteral("left 0"), QStringLiteral("end ok 上传") }));
    // Queued receivers of the end ask for the name later: it is still there.
    QCOMPARE(manager->group_mission_name(), QStringLiteral("上传"));
}

void tst_QMissionManager::failed_group_and_empty_group()
{
    go_online();
    QList<QMission *> missions{ read_mission(1, 7), read_mission(2, 7) };
    manager->add_mission_group(missions, QString());
    qDeleteAll(missions);
    QTRY_COMPARE(transport->sent.size(), 1);
    transport->fail(QLinkTransport::Exception, 2);
    QTRY_COMPARE(transport->sent.size(), 2);
    transport->answer({ 1 });
    QCOMPARE(log, (QStringList{ QStringLiteral("start 2"), QStringLiteral("fail 1 2"), QStringLiteral("left 1"),
                                QStringLiteral("ok 2"), QStringLiteral("left 0"), QStringLiteral("end failed ") }));

    log.clear();
    manager->add_mission_group({}, QStringLiteral("空"));
    QVERIFY(log.isEmpty());
    QTRY_COMPARE(log, (QStringList{ QStringLiteral("start 0"), QStringLiteral("end ok 空") }));
    QCOMPARE(transport->sent.size(), 2);
}

void tst_QMissionManager::groups_run_one_after_another()
{
    go_online();
    QMission *a = read_mission(1, 7);
    QMission *b = read_mission(2, 7);
    manager->add_mission_group({ a }, QStringLiteral("A"));
    manager->add_mission_group({ b }, QStringLiteral("B"));
    delete a;
    delete b;
    QTRY_COMPARE(transport->sent.size(), 1);
    QCOMPARE(manager->group_mission_name(), QStringLiteral("A"));
    transport->answer({ 0 });
    QTRY_COMPARE(transport->sent.size(), 2);
    transport->answer({ 0 });
    QCOMPARE(log, (QStringList{ QStringLiteral("start 1"), QStringLiteral("ok 1"), QStringLiteral("left 0"),
                                QStringLiteral("end ok A"), QStringLiteral("start 1"), QStringLiteral("ok 2"),
                                QStringLiteral("left 0"), QStringLiteral("end ok B") }));
}

void tst_QMissionManager::link_lost_under_running_group()
{
    go_online();
    QList<QMission *> missions{ read_mission(1, 7), read_mission(2, 7), read_mission(3, 7) };
    manager->add_mission_group(missions, QStringLiteral("下载功能参数"));
    qDeleteAll(missions);
    add(read_mission(50, 5));
    QTRY_COMPARE(transport->sent.size(), 1);
    transport->answer({ 0 });
    QTRY_COMPARE(transport->sent.size(), 2);
    log.clear();

    manager->link_closed();
    QCOMPARE(log, (QStringList{ QStringLiteral("down"), QStringLiteral("fail 2 258"), QStringLiteral("left 1"),
                                QStringLiteral("fail 3 258"), QStringLiteral("left 0"), QStringLiteral("fail 50 258"),
                                QStringLiteral("end failed 下载功能参数") }));
    QVERIFY(!manager->is_online());
    QCOMPARE(manager->pending_count(), 0);

    // A result that comes after the loss belongs to nobody; closing twice is quiet.
    log.clear();
    transport->answer({ 0 });
    manager->link_closed();
    QTest::qWait(20);
    QVERIFY(log.isEmpty());
    QCOMPARE(transport->sent.size(), 2);
}

void tst_QMissionManager::three_silent_missions_lose_the_link()
{
    go_online();
    for (int a = 1; a <= 6; ++a)
        add(read_mission(a));
    // Silence broken by an answer does not count.
    for (int i = 0; i < 2; ++i) {
        QTRY_COMPARE(transport->sent.size(), i + 1);
        transport->fail(QLinkTransport::NoAnswer);
    }
    QTRY_COMPARE(transport->sent.size(), 3);
    transport->fail(QLinkTransport::Malformed); // something answered
    for (int i = 3; i < 5; ++i) {
        QTRY_COMPARE(transport->sent.size(), i + 1);
        transport->fail(QLinkTransport::NoAnswer);
    }
    QVERIFY(!log.contains(QStringLiteral("silent")));
    QTRY_COMPARE(transport->sent.size(), 6);
    transport->fail(QLinkTransport::NoAnswer);
    QCOMPARE(log.count(QStringLiteral("silent")), 1);
    QCOMPARE(log.count(QStringLiteral("down")), 1);
    QVERIFY(!manager->is_online());
    QTest::qWait(20);
    QCOMPARE(transport->sent.size(), 6);
}

void tst_QMissionManager::pipelined_missions_are_taken_back_for_higher_levels()
{
    transport->depth = 3;
    go_online();
    for (int a = 1; a <= 5; ++a)
        add(read_mission(a, 5));
    QTRY_COMPARE(transport->sent.size(), 3); // one on the line, two handed ahead
    QTest::qWait(10);
    QCOMPARE(transport->sent.size(), 3);

    add(read_mission(90, 9));
    QTRY_COMPARE(transport->recalls, 1);
    QCOMPARE(transport->sent.size(), 3); // nothing more handed over meanwhile
    // The transport had started the second already: only the third comes back.
    emit transport->exchanges_recalled(1);
    QTRY_COMPARE(transport->sent.size(), 4);
    QCOMPARE(transport->address(3), 90);
    // Results come in the order things went on the line; the taken-back one
    // reports nothing and goes again, first of its level.
    for (int i = 1; i <= 6; ++i) {
        transport->answer({ i });
        QTRY_COMPARE(log.size(), i);
    }
    QCOMPARE(log, (QStringList{ QStringLiteral("ok 1"), QStringLiteral("ok 2"), QStringLiteral("ok 90"),
                                QStringLiteral("ok 3"), QStringLiteral("ok 4"), QStringLiteral("ok 5") }));
    QCOMPARE(transport->address(4), 3);
    QCOMPARE(transport->sent.size(), 7);
    QCOMPARE(transport->recalls, 1);
}

QTEST_GUILESS_MAIN(tst_QMissionManager)
#include "tst_qmissionmanager.moc"
