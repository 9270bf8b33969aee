// Comparing parameter sets and checking a download: the rows a comparison
// lists, and the parameters a verification finds the drive took differently.
#include <paramset/paramcompare.h>
#include <paramset/paramsetfile.h>
#include <paramset/paramverify.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QTest>

namespace {

const QString kGroup = QStringLiteral("F0 基本功能组");

QMachineValue *add(QMachine &machine, const QStringList &row, const QString &editor = QStringLiteral("十进制"))
{
    auto *v = new QMachineValue;
    for (int i = 0; i < row.size(); ++i)
        v->set_value_property(enValuePropertyIndex(i), row.at(i));
    v->set_value_property(VALUE_EDITOR, editor);
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
                  QStringLiteral("1"), QStringLiteral("-10"), QStringLiteral("-0.1"),
                  QStringLiteral("-100.0"), QStringLiteral("100.0"), QStringLiteral("%"), QStringLiteral("rw")});
    add(machine, {QStringLiteral("F0-20"), QStringLiteral("累计时间"), QStringLiteral("61472"),
                  QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("70000"),
                  QString(), QString(), QStringLiteral("h"), QStringLiteral("rw")});
    QMachineValue *choice = add(machine, {QStringLiteral("F0-30"), QStringLiteral("方式"), QStringLiteral("61488"),
                  QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
                  QStringLiteral("0"), QStringLiteral("1"), QString(), QStringLiteral("rw")},
                  QStringLiteral("选择"));
    choice->set_value_property(VALUE_CHOICES, QStringLiteral("0:关;1:开"));
}

QList<tagParamRaw> raws(const QList<QPair<const char *, int>> &pairs)
{
    QList<tagParamRaw> out;
    for (const auto &p : pairs)
        out.append({QString::fromUtf8(p.first), p.second});
    return out;
}

// "code kind left right" per difference, texts as the operator sees them.
QStringList described(const QList<tagParamDifference> &differences)
{
    QStringList out;
    for (const tagParamDifference &d : differences) {
        out << QStringLiteral("%1 %2 %3 %4").arg(d.code).arg(int(d.kind))
                   .arg(ParamCompare::text_of(d, true), ParamCompare::text_of(d, false));
    }
    return out;
}

} // namespace

class tst_ParamCompare : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { build(m_machine); }
    void compareListsExactlyTheDifferences();
    void defaultsAndFilesBecomeRawValues();
    void verificationFindsWhatTheDriveTookDifferently();
    void aValueCutBetweenItsWordsSaysSo();

private:
    QMachine m_machine;
};

void tst_ParamCompare::compareListsExactlyTheDifferences()
{
    // F0-10 is signed: 65535 and -1 are the same -0.1 %. X1-00 is unknown to
    // the description, F0-30 missing on the right; codes given twice count
    // with their last value.
    const QList<tagParamRaw> drive = raws({{"F0-07", 5000}, {"F0-10", 65535}, {"F0-20", 70000},
                                           {"F0-30", 1}});
    const QList<tagParamRaw> other = raws({{"F0-07", 4000}, {"F0-10", -1}, {"F0-20", 1},
                                           {"F0-20", 70000}, {"X1-00", 7}, {"F0-07", 4500}});
    QCOMPARE(described(ParamCompare::compare(drive, other, &m_machine)),
             (QStringList{QStringLiteral("F0-07 0 50.00 45.00"), QStringLiteral("F0-30 1 开 "),
                          QStringLiteral("X1-00 2  7")}));
    QVERIFY(ParamCompare::compare(drive, drive, &m_machine).isEmpty());
}

void tst_ParamCompare::defaultsAndFilesBecomeRawValues()
{
    QStringList problems;
    const QList<tagParamRaw> defaults = ParamCompare::defaults_of(&m_machine, &problems);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(described(ParamCompare::compare(defaults, raws({{"F0-07", 5000}, {"F0-10", 65535},
                                                              {"F0-20", 70000}, {"F0-30", 1}}),
                                              &m_machine)),
             QStringList());

    // Another model's file: unknown codes are kept for the listing; a raw
    // value that fits no register is a problem, not a value.
    QCSVFile table;
    table.load(QStringLiteral("代码,名称,值,单位,原始值\r\nF0-07,,,,6000\r\nF0-10,,,,-3\r\n"
                              "Z9-99,,,,12\r\nF0-30,,,,70000\r\nF0-20,,,,abc\r\n"));
    const QList<tagParamRaw> file = ParamSetFile::raw_values(table, &m_machine, &problems);
    QCOMPARE(problems.size(), 2);
    QVERIFY(problems.at(0).contains(QStringLiteral("F0-30")) && problems.at(1).contains(QStringLiteral("abc")));
    QCOMPARE(file.size(), 3);
    QCOMPARE(file.at(1).raw, 65533); // the register form of -3
    QCOMPARE(file.at(2).code, QStringLiteral("Z9-99"));

    // A snapshot written out as a file is read back as the same values.
    const QList<tagParamRaw> set = raws({{"F0-07", 1234}, {"F0-20", -5}, {"Q0-01", 3}});
    QCSVFile written;
    written.load(ParamSetFile::build_table(set, &m_machine).save());
    QVERIFY(ParamSetFile::check_header(written).isEmpty());
    QStringList none;
    QVERIFY(ParamCompare::compare(ParamSetFile::raw_values(written, &m_machine, &none), set, &m_machine).isEmpty());
    QVERIFY(none.isEmpty());
}

void tst_ParamCompare::verificationFindsWhatTheDriveTookDifferently()
{
    QMachineValue *freq = m_machine.get_value(QStringLiteral("F0-07"));
    QMachineValue *bias = m_machine.get_value(QStringLiteral("F0-10"));
    QMachineValue *hours = m_machine.get_value(QStringLiteral("F0-20"));
    QMachineValue *mode = m_machine.get_value(QStringLiteral("F0-30"));
    // F0-07 written twice (the last one counts) and clamped; F0-10 taken;
    // F0-20 refused; F0-30 taken but never read back.
    const QList<ParamVerify::Write> writes = {{freq, 100}, {bias, -5}, {freq, 60000}, {hours, 9}, {mode, 1}};
    const QHash<QMachineValue *, int> read = {{freq, 50000}, {bias, 65531}, {hours, 0}};
    const QHash<QMachineValue *, int> errors = {{hours, 4}};
    const tagVerifyReport report = ParamVerify::verify(writes, read, errors);
    QCOMPARE(report.written, 3);
    QCOMPARE(report.verified, 1);
    QCOMPARE(report.different.size(), 1);
    QCOMPARE(report.different.first().wanted, 60000);
    QCOMPARE(report.different.first().drive, 50000);
    QCOMPARE(report.refused.size(), 1);
    QCOMPARE(report.unread.size(), 1);
    QVERIFY(!report.all_verified());
    const QStringList lines = ParamVerify::lines(report);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).contains(QStringLiteral("600.00 Hz")) && lines.at(0).contains(QStringLiteral("500.00 Hz")),
             qPrintable(lines.at(0)));
    QVERIFY2(lines.at(2).contains(QStringLiteral("4")), qPrintable(lines.at(2)));
}

// A drive that takes only single-register writes gets a two-word value in
// two requests; when the second fails, the first may be in the drive.
void tst_ParamCompare::aValueCutBetweenItsWordsSaysSo()
{
    QMachineValue *hours = m_machine.get_value(QStringLiteral("F0-20"));
    const QList<ParamVerify::Write> writes = {{hours, 0x12345}};
    const QHash<QMachineValue *, int> errors = {{hours, 256}};
    // The low word taken, the high word not.
    const QHash<QMachineValue *, int> read = {{hours, 0x2345}};
    tagVerifyReport report = ParamVerify::verify(writes, read, errors, {hours});
    QCOMPARE(report.refused.size(), 1);
    QCOMPARE(ParamVerify::lines(report),
             QStringList{QStringLiteral("F0-20 累计时间：写入 74565 h 中断（无应答），可能只写入了一半，设备现为 9029 h")});
    report = ParamVerify::verify(writes, {}, errors, {hours});
    QVERIFY2(ParamVerify::lines(report).first().endsWith(QStringLiteral("可能只写入了一半，读回失败，请检查设备中的值")),
             qPrintable(ParamVerify::lines(report).first()));
}

QTEST_GUILESS_MAIN(tst_ParamCompare)
#include "tst_paramcompare.moc"
