#include <monitor/qdrivestate.h>
#include <monitor/qmonitorwidget.h>
#include <monitor/qtrendscale.h>

#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>
#include <paramset/machinebuilder.h>

#include <QTest>

#include <cmath>

#include <memory>

namespace {

// A runtime row of a description: code, unit, monitor flag, role.
QStringList row(const QString &code, const QString &unit, const QString &monitor = QString(),
                const QString &role = QString())
{
    QStringList r;
    for (int i = 0; i < VALUE_EXTRA_END; ++i)
        r.append(QString());
    r[VALUE_CODE] = code;
    r[VALUE_UNIT] = unit;
    r[VALUE_MONITOR] = monitor;
    r[VALUE_ROLE] = role;
    return r;
}

std::unique_ptr<QMachineValue> value_with(enValuePropertyExtra slot, const QString &text)
{
    auto value = std::make_unique<QMachineValue>();
    value->set_value_property(VALUE_LENGTH, QStringLiteral("1"));
    value->set_value_property(VALUE_SCALE, QStringLiteral("1"));
    value->set_value_property(extra_property(slot), text);
    return value;
}

} // namespace

// The parts of the monitoring page that decide what it shows: the default
// set, the axis ticks, the drive's state in words and the recording line.
class tst_MonitorParts : public QObject
{
    Q_OBJECT
private slots:
    void default_set_data();
    void default_set();
    void axis_ticks_data();
    void axis_ticks();
    void drive_state_data();
    void drive_state();
    void recording_line();
};

void tst_MonitorParts::default_set_data()
{
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("codes");

    const QList<QStringList> unmarked{row(QStringLiteral("U0-00"), QStringLiteral("Hz")),
                                      row(QStringLiteral("U0-01"), QStringLiteral("Hz")),
                                      row(QStringLiteral("U0-02"), QStringLiteral("V")),
                                      row(QStringLiteral("U0-04"), QStringLiteral("A")),
                                      row(QStringLiteral("U0-07"), QString()),
                                      row(QStringLiteral("U0-23"), QString(), QString(), QStringLiteral("state"))};
    QTest::newRow("unmarked: Hz, A, V and the state word")
        << unmarked
        << QStringList{QStringLiteral("U0-00"), QStringLiteral("U0-04"), QStringLiteral("U0-02"),
                       QStringLiteral("U0-23")};
    QTest::newRow("unmarked without state word or current")
        << QList<QStringList>{row(QStringLiteral("U0-00"), QStringLiteral("Hz")),
                              row(QStringLiteral("U0-07"), QString())}
        << QStringList{QStringLiteral("U0-00")};
    QList<QStringList> marked = unmarked;
    marked[1][VALUE_MONITOR] = QStringLiteral("1");
    marked[4][VALUE_MONITOR] = QStringLiteral("1");
    QTest::newRow("marked: exactly the marks")
        << marked << QStringList{QStringLiteral("U0-01"), QStringLiteral("U0-07")};
    QTest::newRow("nothing that fits") << QList<QStringList>{row(QStringLiteral("U0-12"), QStringLiteral("m"))}
                                       << QStringList();
}

void tst_MonitorParts::default_set()
{
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, codes);
    QCOMPARE(MachineBuilder::default_runtime_codes(rows), codes);
}

void tst_MonitorParts::axis_ticks_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<double>("step");
    QTest::addColumn<int>("decimals");

    // Noise of a tenth of an ampere on a steady current stays a ripple.
    QTest::newRow("noise on a constant current") << 12.08 << 12.28 << QStringLiteral("A")
                                                 << 11.6 << 12.8 << 0.2 << 1;
    QTest::newRow("constant voltage") << 540.0 << 540.0 << QStringLiteral("V") << 534.0 << 546.0 << 2.0 << 0;
    QTest::newRow("zero frequency starts at zero") << 0.0 << 0.0 << QStringLiteral("Hz") << 0.0 << 1.0 << 0.2 << 1;
    QTest::newRow("frequency ramp") << 0.0 << 50.0 << QStringLiteral("Hz") << 0.0 << 50.0 << 10.0 << 0;
    QTest::newRow("odd limits round out") << 3.61575 << 47.3 << QStringLiteral("Hz") << 0.0 << 50.0 << 10.0 << 0;
    QTest::newRow("negative torque") << -12.5 << 80.1 << QStringLiteral("%") << -20.0 << 100.0 << 20.0 << 0;
    QTest::newRow("small values of no unit") << 0.0 << 0.03 << QString() << 0.0 << 1.0 << 0.2 << 1;
    QTest::newRow("below zero only") << -0.2 << -0.1 << QStringLiteral("A") << -1.0 << 0.0 << 0.2 << 1;
    QTest::newRow("nothing in view") << 1.0 << 0.0 << QStringLiteral("Hz") << 0.0 << 1.0 << 0.2 << 1;
    QTest::newRow("large counts") << 12345.0 << 98765.0 << QString() << 0.0 << 100000.0 << 20000.0 << 0;
}

void tst_MonitorParts::axis_ticks()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(QString, unit);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(double, step);
    QFETCH(int, decimals);
    const TrendScale scale = TrendScale::of(min, max, TrendScale::least_span(unit));
    QCOMPARE(scale.low, low);
    QCOMPARE(scale.high, high);
    QCOMPARE(scale.step, step);
    QCOMPARE(scale.decimals, decimals);
    QVERIFY(scale.low <= min || min > max);
    QVERIFY(scale.high >= max || min > max);
    // Limits are whole steps, so every tick label is a round number.
    const double steps = (scale.high - scale.low) / scale.step;
    QVERIFY(std::abs(steps - std::round(steps)) < 1e-6);
}

void tst_MonitorParts::drive_state_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    QTest::newRow("stopped") << false << 0 << 0 << int(QDriveState::Stopped) << QStringLiteral("停止");
    QTest::newRow("running in reverse") << false << 3 << 0 << int(QDriveState::Running)
                                        << QStringLiteral("运行 · 反转");
    QTest::newRow("fault with a name") << false << 4 << 2 << int(QDriveState::Faulted)
                                       << QStringLiteral("故障：加速过电流");
    QTest::newRow("fault in English") << true << 4 << 2 << int(QDriveState::Faulted)
                                      << QStringLiteral("故障：Over-current accelerating");
    QTest::newRow("fault code not named") << false << 0 << 77 << int(QDriveState::Faulted)
                                          << QStringLiteral("故障：代码 77");
    QTest::newRow("fault bit, code zero") << false << 4 << 0 << int(QDriveState::Faulted) << QStringLiteral("故障");
}

void tst_MonitorParts::drive_state()
{
    QFETCH(bool, english);
    QFETCH(int, word);
    QFETCH(int, fault);
    QFETCH(int, kind);
    QFETCH(QString, text);

    auto state = value_with(english ? VALUE_BITS_EN : VALUE_BITS,
                            english ? QStringLiteral("0:run:Running;1::Reverse;2:fault:Fault")
                                    : QStringLiteral("0:run:运行;1::反转;2:fault:故障"));
    auto code = value_with(english ? VALUE_FAULTS_EN : VALUE_FAULTS,
                           english ? QStringLiteral("2:Over-current accelerating;9:Under-voltage")
                                   : QStringLiteral("2:加速过电流;9:欠压故障"));
    QMachineValue::set_english(english);
    const QDriveState::Reading state_reading{state.get(), true, word};
    const QDriveState::Reading fault_reading{code.get(), true, fault};
    // The words themselves are translated by the program, not here.
    const QString shown = QDriveState::text(state_reading, fault_reading);
    QMachineValue::set_english(false);
    QCOMPARE(int(QDriveState::kind(state_reading, fault_reading)), kind);
    QCOMPARE(shown, text);

    // A state word that was not read, and no fault code, says nothing.
    QCOMPARE(QDriveState::text({state.get(), false, word}, {}), QString());
    QCOMPARE(int(QDriveState::kind({state.get(), false, word}, {})), int(QDriveState::Unknown));
}

void tst_MonitorParts::recording_line()
{
    QCOMPARE(QMonitorWidget::recording_text(QStringLiteral("run.csv"), 3723999, 1234),
             QStringLiteral("● 记录中：run.csv  01:02:03  1234 行"));
    QCOMPARE(QMonitorWidget::recording_text(QStringLiteral("a.csv"), 0, 0),
             QStringLiteral("● 记录中：a.csv  00:00:00  0 行"));
    QCOMPARE(QMonitorWidget::saved_text(QStringLiteral("/tmp/run.csv"), 12),
             QStringLiteral("已记录 12 行到 /tmp/run.csv"));
}

QTEST_GUILESS_MAIN(tst_MonitorParts)
#include "tst_monitorparts.moc"
