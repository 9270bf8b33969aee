// The parameter file on its own: rows to values and back, and which rows of a
// download may reach the drive.
#include <paramset/paramsetfile.h>

#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kGroup = QStringLiteral("F0 基本功能组");

QMachineValue *add(QMachine &machine, const QStringList &row)
{
    auto *v = new QMachineValue;
    for (int i = 0; i < row.size(); ++i)
        v->set_value_property(enValuePropertyIndex(i), row.at(i));
    v->set_value_property(VALUE_EDITOR, QStringLiteral("十进制"));
    if (!machine.add_value(kGroup, v)) {
        delete v;
        return nullptr;
    }
    return v;
}

// code, name, address, length, scale, default, min, max, unit, access
void build(QMachine &machine)
{
    machine.add_group(kGroup);
    add(machine, {QStringLiteral("F0-07"), QStringLiteral("键盘设定频率"), QStringLiteral("61447"),
                  QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("50.00"),
                  QStringLiteral("0.00"), QStringLiteral("600.00"), QStringLiteral("Hz"), QStringLiteral("rw")});
    add(machine, {QStringLiteral("F0-10"), QStringLiteral("偏置"), QStringLiteral("61456"),
                  QStringLiteral("1"), QStringLiteral("-10"), QStringLiteral("0.0"),
                  QStringLiteral("-100.0"), QStringLiteral("100.0"), QStringLiteral("%"), QStringLiteral("rw")});
    add(machine, {QStringLiteral("F0-20"), QStringLiteral("累计时间"), QStringLiteral("61472"),
                  QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("0"),
                  QString(), QString(), QStringLiteral("h"), QStringLiteral("rw")});
    add(machine, {QStringLiteral("F0-30"), QStringLiteral("版本"), QStringLiteral("61488"),
                  QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
                  QString(), QString(), QString(), QStringLiteral("ro")});
}

QCSVFile file_of(const QStringList &rows)
{
    QCSVFile table;
    // Rows end in CR LF, as every saved file has them.
    table.load(QStringLiteral("代码,名称,值,单位,原始值\r\n") + rows.join(QStringLiteral("\r\n")));
    return table;
}

} // namespace

class tst_ParamSetFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QLocalCodec::install()); }
    void files_data();
    void files();
    void too_large();
    void rows_data();
    void rows();
    void plan();
    void table_round_trip();
};

void tst_ParamSetFile::rows_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("reason");

    using R = ParamSetFile::RowResult;
    QTest::newRow("write") << QStringLiteral("F0-07,,,,5000") << int(R::Write) << 5000 << QString();
    QTest::newRow("blank") << QStringLiteral(",,,,") << int(R::Blank) << 0 << QString();
    QTest::newRow("read-only") << QStringLiteral("F0-30,,,,1") << int(R::NotWritable) << 0 << QString();
    QTest::newRow("unknown") << QStringLiteral("F9-99,,,,1") << int(R::Refused) << 0
                             << QStringLiteral("没有这个参数");
    QTest::newRow("no raw") << QStringLiteral("F0-07,,,,") << int(R::Refused) << 0
                            << QStringLiteral("没有原始值");
    QTest::newRow("not an integer") << QStringLiteral("F0-07,,,,50.5") << int(R::Refused) << 0
                                    << QStringLiteral("原始值“50.5”不是整数");
    QTest::newRow("wider than a word") << QStringLiteral("F0-07,,,,65536") << int(R::Refused) << 0
                                       << QStringLiteral("原始值 65536 超出参数的数据宽度");
    QTest::newRow("above maximum") << QStringLiteral("F0-07,,,,60001") << int(R::Refused) << 0
                                   << QStringLiteral("原始值 60001：600.01 超出范围 0.00～600.00");
    // A signed value may be written as its number or as its register bits.
    QTest::newRow("signed as number") << QStringLiteral("F0-10,,,,-1000") << int(R::Write) << 0xFC18 << QString();
    QTest::newRow("signed as bits") << QStringLiteral("F0-10,,,,64536") << int(R::Write) << 0xFC18 << QString();
    QTest::newRow("signed below minimum") << QStringLiteral("F0-10,,,,-1001") << int(R::Refused) << 0
                                          << QStringLiteral("原始值 -1001：-100.1 超出范围 -100.0～100.0");
    QTest::newRow("two words, bits") << QStringLiteral("F0-20,,,,4294967295") << int(R::Write) << -1 << QString();
    QTest::newRow("two words, too wide") << QStringLiteral("F0-20,,,,4294967296") << int(R::Refused) << 0
                                         << QStringLiteral("原始值 4294967296 超出参数的数据宽度");
    // A cell is echoed as a reader can see it, never with its control bytes.
    QTest::newRow("control byte in raw") << QStringLiteral("F0-07,,,,45\x01") << int(R::Refused) << 0
                                         << QStringLiteral("原始值“45\\x01”不是整数");
}

// Files as other programs and broken disks leave them: refused with their
// line, or read whatever their line ends.
void tst_ParamSetFile::files_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QStringList>("refused");
    QTest::newRow("NUL in a raw value") << QStringLiteral("paramfile-nul.csv")
                                        << QStringLiteral("第 2 行有 NUL 字节") << 0 << QStringList();
    QTest::newRow("not GBK") << QStringLiteral("paramfile-not-gbk.csv")
                             << QStringLiteral("第 2 行有不是 GBK 编码的字节 \\xFF\\x0D") << 0 << QStringList();
    QTest::newRow("LF only") << QStringLiteral("paramfile-lf.csv") << QString() << 2 << QStringList();
    QTest::newRow("CR only") << QStringLiteral("paramfile-cr.csv") << QString() << 2 << QStringList();
    // The same code twice: which one was meant nobody can tell, so neither
    // is written. A lone LF in a CRLF file ends a row.
    QTest::newRow("code twice")
        << QStringLiteral("paramfile-duplicate.csv") << QString() << 1
        << QStringList{QStringLiteral("第 2 行 F0-07：与第 4 行是同一个参数，都没有用"),
                       QStringLiteral("第 4 行 F0-07：与第 2 行是同一个参数，都没有用")};
}

void tst_ParamSetFile::files()
{
    QFETCH(QString, file);
    QFETCH(QString, error);
    QFETCH(int, writes);
    QFETCH(QStringList, refused);
    QMachine machine;
    build(machine);
    QCSVFile table;
    QString reason;
    const bool read = ParamSetFile::read_file(QStringLiteral(TEST_DATA_DIR "/") + file, &table, &reason,
                                              ParamSetFile::row_limit(&machine));
    QCOMPARE(reason, error);
    QCOMPARE(read, error.isEmpty());
    if (!read) {
        QCOMPARE(table.size(), 0);
        return;
    }
    QCOMPARE(ParamSetFile::check_header(table), QString());
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, &machine);
    QCOMPARE(plan.writes.size(), writes);
    QCOMPARE(plan.refused, refused);
    QStringList problems;
    ParamSetFile::raw_values(table, &machine, &problems);
    QCOMPARE(problems, refused);
}

// Refused before they take memory: more bytes than any description needs,
// or more rows than this one can use.
void tst_ParamSetFile::too_large()
{
    QMachine machine;
    build(machine);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray rows = QByteArray(",,,,\r\n").repeated(1000);
    QVERIFY(file.write(rows) == rows.size());
    file.close();
    QCSVFile table;
    QString reason;
    QVERIFY(!ParamSetFile::read_file(path, &table, &reason, ParamSetFile::row_limit(&machine)));
    QCOMPARE(reason, QStringLiteral("文件有 1001 行，这个机型的参数文件最多 116 行"));

    QVERIFY(file.open(QIODevice::Append));
    QVERIFY(file.resize(ParamSetFile::kMaxFileBytes + 1));
    file.close();
    QVERIFY(!ParamSetFile::read_file(path, &table, &reason));
    QCOMPARE(reason, QStringLiteral("文件有 10485761 字节，参数文件最多 10485760 字节"));
    QCOMPARE(table.size(), 0);
}

void tst_ParamSetFile::rows()
{
    QFETCH(QString, row);
    QFETCH(int, kind);
    QFETCH(int, raw);
    QFETCH(QString, reason);
    QMachine machine;
    build(machine);
    const ParamSetFile::RowResult result = ParamSetFile::check_row(file_of({row}), 1, &machine);
    QCOMPARE(int(result.kind), kind);
    QCOMPARE(result.reason, reason);
    if (kind == ParamSetFile::RowResult::Write) {
        QCOMPARE(result.raw, raw);
        QCOMPARE(result.value, machine.get_value(row.section(QLatin1Char(','), 0, 0)));
    }
}

void tst_ParamSetFile::plan()
{
    QMachine machine;
    build(machine);
    const QCSVFile table = file_of({QStringLiteral("F0-07,,,,100"), QStringLiteral("F9-99,,,,1"),
                                    QStringLiteral("F0-30,,,,1"), QStringLiteral("F0-07,,,,200"),
                                    QStringLiteral("F0-10,,,,x"), QString()});
    QCOMPARE(ParamSetFile::check_header(table), QString());
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, &machine);
    // A code given twice is written not at all.
    QCOMPARE(plan.writes.size(), 0);
    QCOMPARE(plan.refused, (QStringList{QStringLiteral("第 2 行 F0-07：与第 5 行是同一个参数，都没有用"),
                                        QStringLiteral("第 3 行 F9-99：没有这个参数"),
                                        QStringLiteral("第 5 行 F0-07：与第 2 行是同一个参数，都没有用"),
                                        QStringLiteral("第 6 行 F0-10：原始值“x”不是整数")}));
}

void tst_ParamSetFile::table_round_trip()
{
    QMachine machine;
    build(machine);
    QMachineValue *bias = machine.get_value(QStringLiteral("F0-10"));
    QMachineValue *hours = machine.get_value(QStringLiteral("F0-20"));
    bias->set_base_value(0xFC18);
    hours->set_base_value(12345678);
    const QCSVFile table = ParamSetFile::build_table({bias, nullptr, hours});
    QCOMPARE(table.save(), QStringLiteral("代码,名称,值,单位,原始值\r\n"
                                          "F0-10,偏置,-100,%,64536\r\n"
                                          "F0-20,累计时间,12345678,h,12345678\r\n"));
    QCOMPARE(ParamSetFile::check_header(table), QString());
    const ParamSetFile::DownloadPlan plan = ParamSetFile::plan_download(table, &machine);
    QCOMPARE(plan.refused, QStringList());
    QCOMPARE(plan.writes.size(), 2);
    QCOMPARE(plan.writes.at(0).raw, 0xFC18);
    QCOMPARE(plan.writes.at(1).raw, 12345678);
}

QTEST_GUILESS_MAIN(tst_ParamSetFile)
#include "tst_paramsetfile.moc"
