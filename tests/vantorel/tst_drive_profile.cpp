// Drives with Modbus habits of their own: each attribute of a description's
// <Protocol> element, one scenario against the simulated drive serving the
// same description (the tool's side and the drive's side both obey it), and
// where it matters the same drive asked the default way, which it refuses.
// Then descriptions made from a table and checked.

#include "drivesim.h"
#include "vantorelrun.h"

#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>
#include <database/qmachineconfig.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

// Register address to the value the drive holds there.
using Registers = QMap<int, int>;

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Two groups with a hole between them that the drive does not serve
// (0x15..0x1F): a read across it answers exception 2.
QByteArray description(const QByteArray &protocol)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Machine name=\"profile\">\n")
        + protocol
        + QByteArrayLiteral(
            "\n<Group name=\"P0\">\n"
            "<Param code=\"P0-00\" address=\"0x10\" default=\"1\" min=\"0\" max=\"100\"/>\n"
            "<Param code=\"P0-01\" address=\"0x11\" length=\"2\" default=\"70000\" min=\"0\" max=\"1000000\"/>\n"
            "<Param code=\"P0-02\" address=\"0x13\" type=\"float\" default=\"1.5\" min=\"-1000\" max=\"1000\"/>\n"
            "</Group>\n<Group name=\"P1\">\n"
            "<Param code=\"P1-00\" address=\"0x20\" default=\"7\" min=\"0\" max=\"100\"/>\n"
            "</Group>\n</Machine>\n");
}

bool write_file(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

using Run = VantorelRun;

Run run_tool(const QStringList &arguments)
{
    QProcess p;
    return run_vantorel(p, arguments);
}

} // namespace

class tst_DriveProfile : public QObject
{
    Q_OBJECT
private slots:
    void scenario_data();
    void scenario();
    void serialNumberGoesWithWhatIsRecorded();
    void describeRoundTrip();
    void checkFindsEveryProblem();

private:
    QTemporaryDir m_dir;
};

void tst_DriveProfile::scenario_data()
{
    QTest::addColumn<QByteArray>("drive");   // the profile the drive serves
    QTest::addColumn<QByteArray>("tool");    // the profile the tool is given
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exit");
    QTest::addColumn<Registers>("registers"); // what the drive holds after it

    using M = Registers;
    const QByteArray plain;
    const QStringList upload{s("upload"), s("{dir}/out.csv")};

    // Largest read: 4 registers; the default 8 is refused (exception 3).
    const QByteArray four("<Protocol max-read=\"4\"/>");
    QTest::newRow("largest read") << four << four << upload << 0 << M{};
    QTest::newRow("largest read, asked for 8") << four << plain << upload << 3 << M{};
    // Gaps: 32-register reads that do not span the drive's hole.
    const QByteArray gapless("<Protocol max-read=\"32\" max-gap=\"2\"/>");
    const QStringList both_groups{s("get"), s("P0-00"), s("P1-00")};
    QTest::newRow("largest gap") << gapless << gapless << both_groups << 0 << M{};
    QTest::newRow("largest gap, read across") << gapless << QByteArray("<Protocol max-read=\"32\"/>")
                                              << both_groups << 3 << M{};
    // A drive that writes with 0x10 only, and one with 0x06 only.
    const QByteArray only10("<Protocol write-single=\"0x10\" write-double=\"0x10\"/>");
    QTest::newRow("0x10 only") << only10 << only10 << QStringList{s("set"), s("P0-00=5")} << 0
                               << M{{0x10, 5}};
    QTest::newRow("0x10 only, written with 0x06") << only10 << plain << QStringList{s("set"), s("P0-00=5")}
                                                  << 3 << M{{0x10, 1}};
    const QByteArray only06("<Protocol write-double=\"0x06\"/>");
    QTest::newRow("0x06 only") << only06 << only06 << QStringList{s("set"), s("P0-01=123456")} << 0
                               << M{{0x11, 0xE240}, {0x12, 0x0001}};
    QTest::newRow("0x06 only, written with 0x10") << only06 << QByteArray("<Protocol write-double=\"0x10\"/>")
                                                  << QStringList{s("set"), s("P0-01=123456")} << 3
                                                  << M{{0x11, 70000 & 0xFFFF}, {0x12, 70000 >> 16}};
    // Word order: the high word at the value's address, floats too.
    const QByteArray high("<Protocol word-order=\"high-first\"/>");
    QTest::newRow("high word first") << high << high << QStringList{s("set"), s("P0-01=123456"), s("P0-02=-2.25")}
                                     << 0 << M{{0x11, 0x0001}, {0x12, 0xE240}, {0x13, 0xC010}, {0x14, 0}};
    QTest::newRow("float") << plain << plain << QStringList{s("set"), s("P0-02=0.1")} << 0
                           << M{{0x13, 0xCCCD}, {0x14, 0x3DCC}};
    // The drive's own time-out outlasts the tool's 200 ms for an answer
    // that takes 400 ms; without it the tool gives up.
    const QByteArray slow("<Protocol timeout-ms=\"2000\" retries=\"0\"/>");
    QTest::newRow("time-out") << slow << slow << QStringList{s("get"), s("P0-00")} << 0 << M{};
    QTest::newRow("time-out of the settings") << slow << plain << QStringList{s("get"), s("P0-00")} << 2 << M{};
    // A drive that does not hear a request sooner than 300 ms after its last
    // answer: each request waits for it (no retry would hide a miss).
    const QByteArray pause("<Protocol pause-ms=\"300\" retries=\"0\"/>");
    QTest::newRow("pause") << pause << pause << QStringList{s("get"), s("P0-00"), s("P1-00")} << 0 << M{};
}

void tst_DriveProfile::scenario()
{
    QFETCH(QByteArray, drive);
    QFETCH(QByteArray, tool);
    QFETCH(QStringList, command);
    QFETCH(int, exit);
    QFETCH(Registers, registers);
    QVERIFY(m_dir.isValid());
    const QString drive_file = m_dir.filePath(s("drive.xml"));
    const QString tool_file = m_dir.filePath(s("tool.xml"));
    QVERIFY(write_file(drive_file, description(drive)));
    QVERIFY(write_file(tool_file, description(tool)));

    QStringList sim_args{s("--machine"), drive_file};
    if (QByteArray(QTest::currentDataTag()).startsWith("time-out"))
        sim_args << s("--turnaround") << s("400");
    DriveSim sim;
    QVERIFY2(sim.start(sim_args), qPrintable(sim.error_string()));

    QStringList args = command;
    args.replaceInStrings(s("{dir}"), m_dir.path());
    args << s("--machine") << tool_file << s("--config") << m_dir.filePath(s("config.xml"))
         << s("--timeout") << s("200") << s("--port") << sim.device();
    const Run run = run_tool(args);
    QVERIFY2(run.exit == exit, qPrintable(QStringLiteral("exit %1: %2").arg(run.exit).arg(run.err)));
    for (auto it = registers.cbegin(); it != registers.cend(); ++it)
        QCOMPARE(sim.get_one(it.key()), it.value());
    if (exit == 0 && command.first() == s("get"))
        QVERIFY2(run.out.contains("1"), run.out.constData());
}

void tst_DriveProfile::serialNumberGoesWithWhatIsRecorded()
{
    // A drive that keeps its serial number as text in six registers outside
    // its groups: the tool reads it once per link and every snapshot and
    // write record names the drive by it.
    QVERIFY(m_dir.isValid());
    const QString drive_file = m_dir.filePath(s("serial.xml"));
    QVERIFY(write_file(drive_file, description("<Protocol serial=\"0x30\" serial-length=\"6\"/>")));
    const QString serial = s("VT-2026-0017");
    DriveSim sim;
    QVERIFY2(sim.start({s("--machine"), drive_file, s("--serial"), serial}), qPrintable(sim.error_string()));
    const QString history = m_dir.filePath(s("serial-history.sqlite"));
    const QStringList link{s("--machine"), drive_file, s("--config"), m_dir.filePath(s("config.xml")),
                           s("--history"), history, s("--port"), sim.device()};

    const Run info = run_tool(QStringList{s("info"), s("--json")} + link);
    QVERIFY2(info.exit == 0, qPrintable(info.err));
    QCOMPARE(QJsonDocument::fromJson(info.out).object().value(s("serial")).toString(), serial);
    const Run upload = run_tool(QStringList{s("upload"), m_dir.filePath(s("serial.csv"))} + link);
    QVERIFY2(upload.exit == 0, qPrintable(upload.err));
    const Run set = run_tool(QStringList{s("set"), s("P0-00=5")} + link);
    QVERIFY2(set.exit == 0, qPrintable(set.err));

    const QStringList read_history{s("--history"), history, s("--config"), m_dir.filePath(s("config.xml")), s("--json")};
    const Run list = run_tool(QStringList{s("history"), s("list")} + read_history);
    QVERIFY2(list.exit == 0, qPrintable(list.err));
    const QJsonArray snapshots = QJsonDocument::fromJson(list.out).object().value(s("snapshots")).toArray();
    QCOMPARE(snapshots.size(), 1);
    QCOMPARE(snapshots.at(0).toObject().value(s("drive_serial")).toString(), serial);
    const Run audit = run_tool(QStringList{s("history"), s("audit")} + read_history);
    QVERIFY2(audit.exit == 0, qPrintable(audit.err));
    const QJsonArray writes = QJsonDocument::fromJson(audit.out).object().value(s("writes")).toArray();
    QCOMPARE(writes.size(), 1);
    QCOMPARE(writes.at(0).toObject().value(s("code")).toString(), s("P0-00"));
    QCOMPARE(writes.at(0).toObject().value(s("drive_serial")).toString(), serial);
}

void tst_DriveProfile::describeRoundTrip()
{
    // The default description's own table, as a vendor's manual would list
    // it (hex addresses, signed widths, decimals), back into a description.
    QMachineConfig original;
    QVERIFY2(original.load_file(s(TEST_APP_DIR "/machines/default.xml")), qPrintable(original.error_string()));
    auto quoted = [](QString text) {
        return QLatin1Char('"') + text.replace(QLatin1Char('"'), s("\"\"")) + QLatin1Char('"');
    };
    QByteArray table = "代码,名称,name-en,地址,width,scale,默认值,最小值,最大值,单位,unit-en,"
                       "choices,choices-en,access,说明,group,start,help-en\r\n";
    auto add_rows = [&](const tagDataPage &page, const QString &group) {
        for (const QStringList &row : page.rows) {
            const int scale = row.at(VALUE_SCALE).toInt();
            const bool two = row.at(VALUE_LENGTH) == s("2");
            const QString width = row.at(VALUE_TYPE) == s("float") ? s("float")
                : scale < 0 ? (two ? s("int32") : s("int16"))
                            : (two ? s("uint32") : s("uint16"));
            QStringList cells{row.at(VALUE_CODE), row.at(VALUE_NAME), row.at(VALUE_NAME_EN),
                              s("0x") + QString::number(row.at(VALUE_ADDRESS).toInt(), 16),
                              width, QString::number(std::abs(scale)), row.at(VALUE_DEFAULT),
                              row.at(VALUE_MIN), row.at(VALUE_MAX), row.at(VALUE_UNIT),
                              row.at(VALUE_UNIT_EN),
                              QString(row.at(VALUE_CHOICES)).replace(QLatin1Char(':'), QLatin1Char('=')),
                              QString(row.at(VALUE_CHOICES_EN)).replace(QLatin1Char(':'), QLatin1Char('=')),
                              row.at(VALUE_ACCESS), row.at(VALUE_HELP), group, row.at(VALUE_START),
                              row.at(VALUE_HELP_EN)};
            for (QString &cell : cells)
                cell = quoted(cell);
            table += cells.join(QLatin1Char(',')).toUtf8() + "\r\n";
        }
    };
    for (const tagDataPage &page : original.get_parvex_config()->get_pages())
        add_rows(page, page.name);
    add_rows(original.get_runtime_config()->get_page(0), s("Runtime"));
    QVERIFY(m_dir.isValid());
    const QString table_path = m_dir.filePath(s("default-table.csv"));
    QVERIFY(write_file(table_path, table));

    const QString made = m_dir.filePath(s("made.xml"));
    const Run describe = run_tool({s("describe"), table_path, s("-o"), made});
    QVERIFY2(describe.exit == 0, qPrintable(describe.err));
    QCOMPARE(run_tool({s("check"), made}).exit, 0);

    QMachineConfig back;
    QVERIFY2(back.load_file(made), qPrintable(back.error_string()));
    auto all_rows = [](QMachineConfig &config) {
        QList<QStringList> rows;
        for (const tagDataPage &page : config.get_parvex_config()->get_pages())
            rows += page.rows;
        rows += config.get_runtime_config()->get_page(0).rows;
        return rows;
    };
    // What a table carries: every column of the register form and the
    // texts. The monitoring page's marks (state word bits, fault names) are
    // written into the description by hand.
    auto carried = [](QList<QStringList> rows) {
        for (QStringList &row : rows) {
            for (int i = VALUE_PROPERTY_COUNT; i < VALUE_HELP_EN && i < row.size(); ++i)
                row[i].clear();
        }
        return rows;
    };
    const QList<QStringList> want = carried(all_rows(original));
    const QList<QStringList> got = carried(all_rows(back));
    QCOMPARE(got.size(), want.size());
    for (int i = 0; i < want.size(); ++i)
        QCOMPARE(got.at(i), want.at(i));
    QCOMPARE(back.get_parvex_config()->page_count(), original.get_parvex_config()->page_count());
}

void tst_DriveProfile::checkFindsEveryProblem()
{
    const QString path = s(TEST_DATA_DIR "/broken-desc-problems.xml");
    const Run check = run_tool({s("check"), path});
    QCOMPARE(check.exit, 5);
    const QString out = QString::fromUtf8(check.out);
    // Each listed problem, on its own line of the file.
    const QList<QPair<int, QString>> expected{
        {5, s("代码 A-00 重复 (第 4 行已使用)")},
        {6, s("地址 0x0001 与第 4 行的 A-00 相同")},
        {8, s("寄存器 0x0004 与第 7 行的 A-03 重叠")}, // the high word of a two-word value
        {9, s("默认值 500 超出范围 [0, 100]")},
        {10, s("选择值没有包括默认值 3")},
        {13, s("最大值 70000 乘以缩放 1 超出 16 位无符号数的范围")},
        {14, s("最小值 -1 乘以缩放 10 超出 16 位无符号数的范围")},
    };
    for (const auto &e : expected) {
        const QString where = QDir::toNativeSeparators(path) + QStringLiteral(":%1: ").arg(e.first);
        bool found = false;
        for (const QString &line : out.split(QLatin1Char('\n'))) {
            if (line.startsWith(where) && line.contains(e.second))
                found = true;
        }
        QVERIFY2(found, qPrintable(e.second + QStringLiteral(" not in:\n") + out));
    }
}

QTEST_GUILESS_MAIN(tst_DriveProfile)
#include "tst_drive_profile.moc"
