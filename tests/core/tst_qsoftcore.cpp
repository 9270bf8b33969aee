// The central object without a drive: mission building, answer decoding, the
// error log and machine construction. The link to a real (simulated) drive is
// exercised in tst_qsoftcore_link.

#include <coredata/qlocalcodec.h>
#include <core/dialogs/qparamdialog.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QApplication>
#include <QMainWindow>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Run = QPair<int, int>; // first register, register count
using Value = QPair<int, int>; // address, width

// Values of a throw-away model: only address and width matter to the builder.
std::unique_ptr<QMachineValue> make_value(int address, int width)
{
    auto value = std::make_unique<QMachineValue>();
    value->set_value_property(VALUE_ADDRESS, QVariant(QString::number(address)));
    value->set_value_property(VALUE_LENGTH, QVariant(QString::number(width)));
    return value;
}

QList<Run> runs_of(const QList<QMission *> &missions)
{
    QList<Run> runs;
    for (QMission *m : missions)
        runs.append({m->get_attribute(QStringLiteral("Data.Address")).toInt(),
                     m->get_attribute(QStringLiteral("Data.Length")).toInt()});
    return runs;
}

// The fewest runs that can cover the spans under the rules, found by a
// search over where each run starts (independent of the greedy builder).
int fewest_runs(QList<Value> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    QVector<int> best(n + 1, 0);
    for (int i = n - 1; i >= 0; --i) {
        best[i] = INT_MAX;
        int last = -1;
        for (int j = i; j < n; ++j) {
            last = std::max(last, values[j].first + values[j].second - 1);
            if (last - values[i].first + 1 > 8)
                break;
            best[i] = std::min(best[i], 1 + best[j + 1]);
        }
    }
    return best[0];
}

// A read answer frame: station, function, byte count, data, two CRC bytes
// (the decoder does not look at the CRC; the link checked it already).
QByteArray answer(const QList<int> &registers, int byte_count = -1)
{
    QByteArray frame;
    frame.append(char(1)).append(char(3));
    frame.append(char(byte_count < 0 ? registers.size() * 2 : byte_count));
    for (int r : registers)
        frame.append(char((r >> 8) & 0xFF)).append(char(r & 0xFF));
    frame.append(char(0)).append(char(0));
    return frame;
}

} // namespace

// The result slots are protected: the test reaches them through member
// pointers taken in a derived class, on the real core object.
struct ResultSlots : QSoftCore
{
    static constexpr auto success = &ResultSlots::mission_success;
    static constexpr auto failed = &ResultSlots::mission_failed;
};

class TestCore
{
public:
    explicit TestCore(QSoftCore *core) : m_core(core) {}
    void mission_success(QMission *ms) { (m_core->*ResultSlots::success)(ms); }
    void mission_failed(QMission *ms, int code) { (m_core->*ResultSlots::failed)(ms, code); }

private:
    QSoftCore *m_core;
};

class tst_QSoftCore : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void singleton();
    void makeMission_data();
    void makeMission();
    void makeMissionRandom();
    void makeMissionCarriesStationAndType();

    void decode_data();
    void decode();
    void decodeNeverReadsOutsideTheAnswer();
    void decodeIgnoresWritesAndMissingModel();

    void errorLog_data();
    void errorLog();
    void errorLogOrderAndClear();
    void failedWriteNamesItsParameter();

    void buildSignalsInOrder();
    void runtimeSelection_data();
    void runtimeSelection();
    void unusableDescriptionKeepsReason();
    void pickDialogParentIsTheMainWindow();
    void refreshWithoutLinkFailsEveryMission();

private:
    QSoftCore *core() { return QSoftCore::get_core(); }
    TestCore results() { return TestCore(QSoftCore::get_core()); }
    QTemporaryDir m_dir;
};

void tst_QSoftCore::initTestCase()
{
    QVERIFY(QLocalCodec::install());
    QVERIFY(m_dir.isValid());
    QSettingManager::set_default_file(m_dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(QStringLiteral(TEST_DATA_DIR "/core-machine"));
}

void tst_QSoftCore::init()
{
    QFile::remove(m_dir.filePath(QStringLiteral("config.xml")));
    QSoftCore::release_core();
}

void tst_QSoftCore::cleanup()
{
    qApp->setProperty("MainWindow", QVariant());
    QSoftCore::release_core();
}

void tst_QSoftCore::singleton()
{
    QSoftCore *first = QSoftCore::get_core();
    QCOMPARE(QSoftCore::get_core(), first);
    first->set_machine_address(7);
    first->set_setting_value(QStringLiteral("Communicate.BaudRate"), QVariant(9600));
    QSoftCore::release_core();
    QSoftCore::release_core(); // nothing left to release

    QSoftCore *second = QSoftCore::get_core();
    QCOMPARE(second->get_machine_address(), 1);
    QVERIFY(second->getErrlogs().isEmpty());
    QVERIFY(!second->get_machine());
    QVERIFY(!second->get_param_dialog());
    QCOMPARE(second->get_fault_value(3), 0);
    // Settings come back from the file the first instance wrote.
    QCOMPARE(second->get_setting_value(QStringLiteral("Communicate.BaudRate")).toInt(), 9600);
    QVERIFY(!second->get_setting_value(QStringLiteral("Never.Set")).isValid());
}

void tst_QSoftCore::makeMission_data()
{
    QTest::addColumn<QList<Value>>("values");
    QTest::addColumn<QList<Run>>("runs");

    QList<Value> ten;
    for (int a = 0; a < 10; ++a)
        ten.append({a, 1});

    QTest::newRow("empty") << QList<Value>{} << QList<Run>{};
    QTest::newRow("single") << QList<Value>{{100, 1}} << QList<Run>{{100, 1}};
    QTest::newRow("zero to nine") << ten << QList<Run>{{0, 8}, {8, 2}};
    QTest::newRow("distant last value") << QList<Value>{{10, 1}, {20, 1}}
                                        << QList<Run>{{10, 1}, {20, 1}};
    QTest::newRow("descending") << QList<Value>{{5, 1}, {3, 1}} << QList<Run>{{3, 3}};
    QTest::newRow("two-word at the end")
        << QList<Value>{{0, 1}, {1, 1}, {2, 1}, {3, 2}} << QList<Run>{{0, 5}};
    QTest::newRow("two clusters")
        << QList<Value>{{0, 1}, {1, 1}, {2, 1}, {10, 1}, {11, 1}} << QList<Run>{{0, 3}, {10, 2}};
    QTest::newRow("gap read through") << QList<Value>{{0, 1}, {7, 1}} << QList<Run>{{0, 8}};
    QTest::newRow("two-word never split")
        << QList<Value>{{0, 1}, {7, 2}} << QList<Run>{{0, 1}, {7, 2}};
    QTest::newRow("same address twice") << QList<Value>{{4, 1}, {4, 1}} << QList<Run>{{4, 1}};
    QTest::newRow("highest register") << QList<Value>{{65534, 2}} << QList<Run>{{65534, 2}};
    QTest::newRow("beyond the register space") << QList<Value>{{65535, 2}, {-1, 1}}
                                               << QList<Run>{};
}

void tst_QSoftCore::makeMission()
{
    QFETCH(QList<Value>, values);
    QFETCH(QList<Run>, runs);

    std::vector<std::unique_ptr<QMachineValue>> owned;
    QList<QMachineValue *> list;
    for (const Value &v : values) {
        owned.push_back(make_value(v.first, v.second));
        list.append(owned.back().get());
    }
    const QList<QMission *> missions = core()->make_mission(list);
    QCOMPARE(runs_of(missions), runs);
    qDeleteAll(missions);
}

void tst_QSoftCore::makeMissionRandom()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 500; ++round) {
        QList<Value> values;
        std::vector<std::unique_ptr<QMachineValue>> owned;
        QList<QMachineValue *> list;
        const int count = random.bounded(1, 25);
        for (int i = 0; i < count; ++i) {
            const Value v{random.bounded(0, 60), random.bounded(0, 4) == 0 ? 2 : 1};
            values.append(v);
            owned.push_back(make_value(v.first, v.second));
            list.append(owned.back().get());
        }
        const QList<QMission *> missions = core()->make_mission(list);
        const QList<Run> runs = runs_of(missions);
        qDeleteAll(missions);

        QSet<int> wanted;
        for (const Value &v : values)
            for (int r = v.first; r < v.first + v.second; ++r)
                wanted.insert(r);

        int previous = -1;
        for (const Run &run : runs) {
            QVERIFY2(run.second >= 1 && run.second <= 8, "a run holds 1 to 8 registers");
            // A two-word value that starts inside a full run begins the next
            // one, so runs may share a register, but they never go backwards.
            QVERIFY2(run.first > previous, "runs come out in ascending order");
            previous = run.first;
            QVERIFY2(wanted.contains(run.first), "a run starts at a wanted register");
            QVERIFY2(wanted.contains(run.first + run.second - 1), "a run ends at a wanted register");
        }
        for (const Value &v : values) {
            bool covered = false;
            for (const Run &run : runs)
                covered = covered
                          || (v.first >= run.first && v.first + v.second <= run.first + run.second);
            QVERIFY2(covered, "every value lies whole inside one run");
        }
        QCOMPARE(runs.size(), fewest_runs(values));
    }
}

void tst_QSoftCore::makeMissionCarriesStationAndType()
{
    core()->set_machine_address(5);
    auto value = make_value(0x1000, 1);
    const QList<QMission *> missions = core()->make_mission({value.get()});
    QCOMPARE(missions.size(), 1);
    QCOMPARE(missions.first()->mission_type(), MISSION_READ);
    QCOMPARE(missions.first()->get_attribute(QStringLiteral("Machine.Address")).toInt(), 5);
    QVERIFY(!missions.first()->get_send_buffer().isEmpty());
    // Level and type are the caller's business.
    QVERIFY(!missions.first()->get_attribute(QStringLiteral("Mission.Level")).isValid());
    qDeleteAll(missions);
}

void tst_QSoftCore::decode_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QList<int>>("registers");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("raw");

    QTest::newRow("one word") << 0xF000 << QList<int>{0x1234} << QStringLiteral("F0-00") << 4660;
    QTest::newRow("all ones stays unsigned")
        << 0xF001 << QList<int>{0xFFFF} << QStringLiteral("F0-01") << 65535;
    QTest::newRow("two words, low first")
        << 0xF002 << QList<int>{1, 2} << QStringLiteral("F0-02") << 131073;
    QTest::newRow("two words inside a run")
        << 0xF000 << QList<int>{0, 0, 0x5678, 0x1234, 0, 9} << QStringLiteral("F0-02")
        << 0x12345678;
    QTest::newRow("after a reserved gap")
        << 0xF002 << QList<int>{0, 0, 0, 42} << QStringLiteral("F0-05") << 42;
    QTest::newRow("runtime one word")
        << 0x1000 << QList<int>{0, 5000} << QStringLiteral("U0-00") << 5000;
    QTest::newRow("runtime two words")
        << 0x1001 << QList<int>{0, 0xFFFF, 0x0001} << QStringLiteral("U0-01") << 0x1FFFF;
}

void tst_QSoftCore::decode()
{
    QFETCH(int, address);
    QFETCH(QList<int>, registers);
    QFETCH(QString, code);
    QFETCH(int, raw);

    // Answers reach the runtime values that are monitored: all of them here.
    core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(QStringLiteral("U0-00.U0-01.U0-03")));
    const auto restore = qScopeGuard(
        [] { QSoftCore::get_core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(QString())); });
    core()->new_machine();
    QMachine *machine = core()->get_machine();
    QVERIFY(machine);
    QMachineValue *value = machine->get_value(code);
    QVERIFY(value);

    QMission mission(MISSION_READ);
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(address));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(int(registers.size())));
    mission.set_recv_buffer(answer(registers));
    QSignalSpy changed(value, &QMachineValue::value_changed);
    results().mission_success(&mission);
    QCOMPARE(value->get_base_value(), raw);
    QCOMPARE(changed.count(), 1);
}

void tst_QSoftCore::decodeNeverReadsOutsideTheAnswer()
{
    core()->new_machine();
    QMachine *machine = core()->get_machine();
    QVERIFY(machine);
    QMachineValue *first = machine->get_value(QStringLiteral("F0-00"));
    QMachineValue *wide = machine->get_value(QStringLiteral("F0-02"));
    first->set_base_value(11);
    wide->set_base_value(22);

    // Asked for four registers, the answer holds two: the two-word value at
    // the third register is not part of it and keeps its value.
    QMission mission(MISSION_READ);
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(0xF000));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(4));
    mission.set_recv_buffer(answer({7, 8}));
    results().mission_success(&mission);
    QCOMPARE(first->get_base_value(), 7);
    QCOMPARE(wide->get_base_value(), 22);

    // Half a two-word value: its high word lies beyond the answered run.
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(0xF002));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(1));
    mission.set_recv_buffer(answer({5}));
    results().mission_success(&mission);
    QCOMPARE(wide->get_base_value(), 22);

    // A byte count that claims more than arrived, and frames cut short.
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(0xF000));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(8));
    mission.set_recv_buffer(answer({9}, 16).left(5));
    results().mission_success(&mission);
    QCOMPARE(first->get_base_value(), 9);
    for (int cut = 0; cut < 5; ++cut) {
        mission.set_recv_buffer(answer({1, 2}).left(cut));
        results().mission_success(&mission);
    }
    QCOMPARE(first->get_base_value(), 9);

    // No address or length: nothing is decoded.
    QMission bare(MISSION_READ);
    bare.set_recv_buffer(answer({3}));
    results().mission_success(&bare);
    QCOMPARE(first->get_base_value(), 9);
}

void tst_QSoftCore::decodeIgnoresWritesAndMissingModel()
{
    QMission mission(MISSION_READ);
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(0xF000));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(1));
    mission.set_recv_buffer(answer({3}));
    results().mission_success(&mission); // no model: ignored, no crash

    core()->new_machine();
    QMachineValue *value = core()->get_machine()->get_value(QStringLiteral("F0-00"));
    value->set_base_value(1);
    mission.set_attribute(QStringLiteral("Mission.Type"), QVariant(2));
    results().mission_success(&mission);
    QCOMPARE(value->get_base_value(), 1);
    mission.set_attribute(QStringLiteral("Mission.Type"), QVariant(1));
    results().mission_success(&mission);
    QCOMPARE(value->get_base_value(), 3);
}

void tst_QSoftCore::errorLog_data()
{
    QTest::addColumn<int>("type");      // -1: constructor type only
    QTest::addColumn<int>("construct"); // enMissionType
    QTest::addColumn<int>("address");   // -1: not set
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("read of eight")
        << 1 << int(MISSION_READ) << 4096 << 8 << 3
        << QStringLiteral("读取错误 地址[十进制:4096  十六进制:0x1000 ] 长度[8] 错误代码[3]");
    QTest::newRow("write")
        << 0 << int(MISSION_WRITE) << 61441 << 1 << 4
        << QStringLiteral("写入错误 地址[十进制:61441  十六进制:0xf001 ] 长度[1] 错误代码[4]");
    QTest::newRow("write of several")
        << 2 << int(MISSION_WRITE_MULTI) << 10 << 2 << 256
        << QStringLiteral("写入错误 地址[十进制:10  十六进制:0xa ] 长度[2] 错误代码[256]");
    QTest::newRow("probe reads as its constructor type")
        << -1 << int(MISSION_READ) << 0 << 1 << 258
        << QStringLiteral("读取错误 地址[十进制:0  十六进制:0x0 ] 长度[1] 错误代码[258]");
    QTest::newRow("write built without a type")
        << -1 << int(MISSION_WRITE) << 5 << 1 << 2
        << QStringLiteral("写入错误 地址[十进制:5  十六进制:0x5 ] 长度[1] 错误代码[2]");
    QTest::newRow("no address or length")
        << 1 << int(MISSION_READ) << -1 << -1 << 256
        << QStringLiteral("读取错误 地址[十进制:0  十六进制:0x0 ] 长度[0] 错误代码[256]");
}

void tst_QSoftCore::errorLog()
{
    QFETCH(int, type);
    QFETCH(int, construct);
    QFETCH(int, address);
    QFETCH(int, length);
    QFETCH(int, code);
    QFETCH(QString, text);

    QMission mission(static_cast<enMissionType>(construct));
    if (type >= 0)
        mission.set_attribute(QStringLiteral("Mission.Type"), QVariant(type));
    if (address >= 0)
        mission.set_attribute(QStringLiteral("Data.Address"), QVariant(address));
    if (length >= 0)
        mission.set_attribute(QStringLiteral("Data.Length"), QVariant(length));

    const QDateTime before = QDateTime::currentDateTime();
    results().mission_failed(&mission, code);
    const QList<tagErrLog> log = core()->getErrlogs();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().text, text);
    QVERIFY(log.first().detail.isEmpty());
    QVERIFY(log.first().time >= before && log.first().time <= QDateTime::currentDateTime());
}

// The entry's text keeps its fixed form; the parameter goes beside it, also
// for the high word of a two-word value.
void tst_QSoftCore::failedWriteNamesItsParameter()
{
    core()->new_machine();
    QVERIFY(core()->get_machine());
    QMission mission(MISSION_WRITE);
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(0xF003));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(1));
    results().mission_failed(&mission, 256);
    const QList<tagErrLog> log = core()->getErrlogs();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log.first().text, QStringLiteral("写入错误 地址[十进制:61443  十六进制:0xf003 ] 长度[1] 错误代码[256]"));
    QCOMPARE(log.first().detail, QStringLiteral("F0-02 累计运行时间"));
}

void tst_QSoftCore::errorLogOrderAndClear()
{
    QMission mission(MISSION_READ);
    for (int code = 1; code <= 3; ++code)
        results().mission_failed(&mission, code);
    QList<tagErrLog> log = core()->getErrlogs();
    QCOMPARE(log.size(), 3);
    QVERIFY(log.at(2).text.endsWith(QStringLiteral("错误代码[3]")));
    core()->clearErrLog();
    QVERIFY(core()->getErrlogs().isEmpty());
    results().mission_failed(&mission, 9);
    QCOMPARE(core()->getErrlogs().size(), 1);
}

void tst_QSoftCore::buildSignalsInOrder()
{
    QStringList order;
    QSoftCore *c = core();
    connect(c, &QSoftCore::clear_machine_signal, this, [&] { order << QStringLiteral("clear"); });
    // The groups are announced before the runtime values exist, and the
    // runtime selection is read after that announcement.
    bool select_on_groups = true;
    connect(c, &QSoftCore::parvex_changed, this, [&] {
        QMachine *m = c->get_machine();
        if (!m || m->get_groups().isEmpty()) {
            order << QStringLiteral("none");
            return;
        }
        order << (m->get_all_runtimes().isEmpty() ? QStringLiteral("groups") : QStringLiteral("groups+runtimes"));
        if (select_on_groups)
            c->set_setting_value(QStringLiteral("Runtime.0"), QVariant(QStringLiteral("U0-01")));
    });
    connect(c, &QSoftCore::new_machine_signal, this, [&] { order << QStringLiteral("new"); });

    c->new_machine();
    QCOMPARE(order, (QStringList{QStringLiteral("groups"), QStringLiteral("new")}));
    QVERIFY(c->get_param_dialog());
    QCOMPARE(c->get_machine()->get_groups().size(), 2);
    QCOMPARE(c->get_machine()->get_all_runtimes().size(), 3);
    QCOMPARE(c->get_machine()->get_runtimes().size(), 1);
    QCOMPARE(c->get_machine()->get_runtimes().first()->get_value_property(VALUE_CODE).toString(),
             QStringLiteral("U0-01"));
    select_on_groups = false;

    order.clear();
    c->new_machine();
    QCOMPARE(order, (QStringList{QStringLiteral("clear"), QStringLiteral("none"),
                                 QStringLiteral("groups"), QStringLiteral("new")}));

    order.clear();
    c->clear_machine();
    c->clear_machine();
    QCOMPARE(order, (QStringList{QStringLiteral("clear"), QStringLiteral("none")}));
    QVERIFY(!c->get_machine());
}

void tst_QSoftCore::runtimeSelection_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("monitored");

    // Nothing chosen: the default set, here (no marks, no current, voltage
    // or state word) the first value in Hz.
    const QStringList defaults{QStringLiteral("U0-00")};
    QTest::newRow("not set") << QString() << defaults;
    QTest::newRow("only dots") << QStringLiteral("...") << defaults;
    QTest::newRow("two codes, double dot")
        << QStringLiteral("U0-03..U0-00") << QStringList{QStringLiteral("U0-00"), QStringLiteral("U0-03")};
    QTest::newRow("case differs") << QStringLiteral("u0-00.U0-01") << QStringList{QStringLiteral("U0-01")};
    QTest::newRow("unknown code") << QStringLiteral("X9") << QStringList{};
}

void tst_QSoftCore::runtimeSelection()
{
    QFETCH(QString, selection);
    QFETCH(QStringList, monitored);

    if (!selection.isNull())
        core()->set_setting_value(QStringLiteral("Runtime.0"), QVariant(selection));
    core()->new_machine();
    QMachine *machine = core()->get_machine();
    QVERIFY(machine);
    QCOMPARE(machine->get_all_runtimes().size(), 3);
    QStringList codes;
    for (QMachineValue *v : machine->get_runtimes())
        codes << v->get_value_property(VALUE_CODE).toString();
    QCOMPARE(codes, monitored);
}

void tst_QSoftCore::unusableDescriptionKeepsReason()
{
    QSignalSpy built(core(), &QSoftCore::new_machine_signal);
    QSignalSpy changed(core(), &QSoftCore::parvex_changed);
    core()->new_machine(QStringLiteral("NoSuchType"), QStringLiteral("1"));
    QVERIFY(!core()->get_machine());
    QVERIFY(!core()->machine_error().isEmpty());
    QCOMPARE(built.count(), 0);
    QCOMPARE(changed.count(), 0);

    core()->new_machine();
    QVERIFY(core()->get_machine());
    QVERIFY(core()->machine_error().isEmpty());
}

void tst_QSoftCore::pickDialogParentIsTheMainWindow()
{
    QMainWindow window;
    qApp->setProperty("MainWindow", QVariant::fromValue<QObject *>(&window));
    core()->new_machine();
    QVERIFY(core()->get_param_dialog());
    QCOMPARE(core()->get_param_dialog()->parentWidget(), &window);
    QVERIFY(!core()->get_param_dialog()->isVisible());
    QParamDialog *dialog = core()->get_param_dialog();
    core()->new_machine();
    QCOMPARE(core()->get_param_dialog(), dialog); // created once, then re-initialised
    QSoftCore::release_core(); // the dialog belongs to the window, not the core
}

void tst_QSoftCore::refreshWithoutLinkFailsEveryMission()
{
    core()->set_machine_address(5);
    core()->new_machine();
    QMissionManager *manager = core()->get_communicate()->mission_manager();
    QList<int> stations;
    connect(manager, &QMissionManager::mission_failed, this, [&](QMission *m, int code) {
        QCOMPARE(code, 258);
        stations << m->get_attribute(QStringLiteral("Machine.Address")).toInt();
    });
    QSignalSpy ended(manager, &QMissionManager::mission_group_end);
    core()->update_all();
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(ended.first().first().toBool(), false);
    // F0: 0xF000..0xF005 is one run; F1: one run. The core listens to the
    // manager only once it opened a port, so nothing reaches the error log.
    QCOMPARE(stations, (QList<int>{5, 5}));
    QVERIFY(core()->getErrlogs().isEmpty());

    stations.clear();
    core()->update_group(QStringLiteral("F1 电机参数"));
    core()->update_group(QStringLiteral("无此组"));
    QTRY_COMPARE(stations.size(), 1);
}

QTEST_MAIN(tst_QSoftCore)
#include "tst_qsoftcore.moc"
