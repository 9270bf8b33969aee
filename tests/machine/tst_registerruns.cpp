// The reads that fetch a set of values, under a drive's largest read and gap.
#include <machine/qmachinevalue.h>
#include <machine/registerruns.h>

#include <QTest>

#include <memory>
#include <vector>

using Runs = QList<QPair<int, int>>; // first register, count

class tst_RegisterRuns : public QObject
{
    Q_OBJECT
private slots:
    void runs_data();
    void runs();
};

void tst_RegisterRuns::runs_data()
{
    QTest::addColumn<QList<int>>("addresses");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("max_read");
    QTest::addColumn<int>("max_gap");
    QTest::addColumn<Runs>("expected");

    const QList<int> spread{0x10, 0x11, 0x14, 0x15, 0x20};
    const QList<int> ones{1, 1, 1, 1, 1};
    QTest::newRow("eight, any gap") << spread << ones << 8 << -1 << Runs{{0x10, 6}, {0x20, 1}};
    QTest::newRow("thirty-two, any gap") << spread << ones << 32 << -1 << Runs{{0x10, 17}};
    QTest::newRow("no gap") << spread << ones << 32 << 0 << Runs{{0x10, 2}, {0x14, 2}, {0x20, 1}};
    QTest::newRow("gap of two") << spread << ones << 32 << 2 << Runs{{0x10, 6}, {0x20, 1}};
    // A two-word value is never split, and its high word is no gap.
    QTest::newRow("two words at the edge")
        << QList<int>{0, 1, 3} << QList<int>{1, 2, 2} << 4 << 0 << Runs{{0, 3}, {3, 2}};
    QTest::newRow("one-register reads") << QList<int>{5, 6} << QList<int>{1, 1} << 1 << -1
                                        << Runs{{5, 1}, {6, 1}};
}

void tst_RegisterRuns::runs()
{
    QFETCH(QList<int>, addresses);
    QFETCH(QList<int>, lengths);
    QFETCH(int, max_read);
    QFETCH(int, max_gap);
    QFETCH(Runs, expected);
    std::vector<std::unique_ptr<QMachineValue>> owned;
    QList<QMachineValue *> values;
    for (int i = 0; i < addresses.size(); ++i) {
        owned.push_back(std::make_unique<QMachineValue>());
        owned.back()->set_value_property(VALUE_ADDRESS, QString::number(addresses.at(i)));
        owned.back()->set_value_property(VALUE_LENGTH, QString::number(lengths.at(i)));
        values.append(owned.back().get());
    }
    Runs got;
    for (const RegisterRuns::Run &run : RegisterRuns::of(values, max_read, max_gap))
        got.append({run.first, run.count});
    QCOMPARE(got, expected);
}

QTEST_APPLESS_MAIN(tst_RegisterRuns)
#include "tst_registerruns.moc"
