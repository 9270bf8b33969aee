#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <machine/tagvaluegroup.h>

#include <QPointer>
#include <QTest>

#include <memory>

namespace {

QMachineValue *make(const QString &code, int address, int length = 1, const QString &access = QStringLiteral("rw"),
                    const QString &start = QStringLiteral("0"))
{
    auto *v = new QMachineValue;
    v->set_value_property(VALUE_CODE, code);
    v->set_value_property(VALUE_ADDRESS, QString::number(address));
    v->set_value_property(VALUE_LENGTH, QString::number(length));
    v->set_value_property(VALUE_ACCESS, access);
    v->set_value_property(VALUE_START, start);
    return v;
}

// Takes the value or deletes it, as the core does with a refused row.
bool add(QMachine &m, const QString &group, QMachineValue *v)
{
    if (m.add_value(group, v))
        return true;
    delete v;
    return false;
}

} // namespace

class tst_QMachine : public QObject
{
    Q_OBJECT
private slots:
    void add_value_refusals_data();
    void add_value_refusals();
    void groups_in_order();
    void look_ups();
    void start_list();
    void check_value_right_data();
    void check_value_right();
    void deletes_everything_it_took();
    void builds_default_description();
};

void tst_QMachine::add_value_refusals_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("taken");

    // The machine holds F0-00 at 100 (one word) and F0-01 at 110 (two words).
    QTest::newRow("fresh") << QStringLiteral("G") << QStringLiteral("F0-02") << 120 << 1 << true;
    QTest::newRow("second group") << QStringLiteral("H") << QStringLiteral("F0-02") << 120 << 2 << true;
    QTest::newRow("unknown group") << QStringLiteral("X") << QStringLiteral("F0-02") << 120 << 1 << false;
    QTest::newRow("duplicate code") << QStringLiteral("H") << QStringLiteral("F0-00") << 120 << 1 << false;
    QTest::newRow("duplicate address") << QStringLiteral("G") << QStringLiteral("F0-02") << 100 << 1 << false;
    QTest::newRow("on a high word") << QStringLiteral("G") << QStringLiteral("F0-02") << 111 << 1 << false;
    QTest::newRow("high word on a value") << QStringLiteral("G") << QStringLiteral("F0-02") << 99 << 2 << false;
    QTest::newRow("just after a high word") << QStringLiteral("G") << QStringLiteral("F0-02") << 112 << 1 << true;
    QTest::newRow("no code") << QStringLiteral("G") << QString() << 120 << 1 << false;
}

void tst_QMachine::add_value_refusals()
{
    QFETCH(QString, group);
    QFETCH(QString, code);
    QFETCH(int, address);
    QFETCH(int, length);
    QFETCH(bool, taken);
    QMachine m;
    m.add_group(QStringLiteral("G"));
    m.add_group(QStringLiteral("H"));
    QVERIFY(add(m, QStringLiteral("G"), make(QStringLiteral("F0-00"), 100)));
    QVERIFY(add(m, QStringLiteral("G"), make(QStringLiteral("F0-01"), 110, 2)));
    QMachineValue *v = make(code, address, length);
    QCOMPARE(m.add_value(group, v), taken);
    if (!taken) {
        delete v;
        // A refusal leaves the earlier values where they were.
        QCOMPARE(m.get_value(100)->get_value_property(VALUE_CODE).toString(), QStringLiteral("F0-00"));
        QCOMPARE(m.get_group(QStringLiteral("G"))->m_values.size(), 2);
        return;
    }
    QCOMPARE(m.get_value(address), v);
    QCOMPARE(m.get_value(code), v);
    QCOMPARE(m.get_group(group)->m_code_map.value(code), v);
    QCOMPARE(m.get_group(group)->m_values.last(), v);
}

void tst_QMachine::groups_in_order()
{
    QMachine m;
    m.set_type(QStringLiteral("T"));
    m.set_version(QStringLiteral("7"));
    QCOMPARE(m.get_type(), QStringLiteral("T"));
    QCOMPARE(m.get_version(), QStringLiteral("7"));
    QVERIFY(m.get_groups().isEmpty());
    for (const char *name : {"F2", "F0", "F1"})
        m.add_group(QString::fromLatin1(name));
    QStringList names;
    for (const tagValueGroup *g : m.get_groups())
        names << g->m_name;
    QCOMPARE(names, QStringList({QStringLiteral("F2"), QStringLiteral("F0"), QStringLiteral("F1")}));
    QVERIFY(m.get_group(QStringLiteral("F0"))->m_values.isEmpty());
    QCOMPARE(m.get_group(QStringLiteral("F3")), nullptr);
}

void tst_QMachine::look_ups()
{
    QMachine m;
    m.add_group(QStringLiteral("G"));
    QMachineValue *p = make(QStringLiteral("F0-00"), 4096, 2);
    QVERIFY(add(m, QStringLiteral("G"), p));
    // A runtime value at the same register as a parameter, and one whose
    // code repeats a parameter's.
    QMachineValue *r1 = make(QStringLiteral("U0-00"), 4096, 1, QStringLiteral("ro"));
    QMachineValue *r2 = make(QStringLiteral("F0-00"), 5000, 1, QStringLiteral("ro"));
    m.add_all_runtime_value(r1);
    m.add_runtime_value(r1);
    m.add_all_runtime_value(r2);

    QCOMPARE(m.get_value(4096), p);
    QCOMPARE(m.get_value(4097), nullptr);  // the high word is no parameter of its own
    QCOMPARE(m.get_value(5000), nullptr);  // runtime values are not found by address
    QCOMPARE(m.get_value(QStringLiteral("F0-00")), p);
    QCOMPARE(m.get_value(QStringLiteral("U0-00")), r1);
    QCOMPARE(m.get_value(QStringLiteral("u0-00")), nullptr);
    QCOMPARE(m.get_all_runtimes(), QList<QMachineValue *>({r1, r2}));
    QCOMPARE(m.get_runtimes(), QList<QMachineValue *>({r1}));
    // Marking twice keeps one entry.
    m.add_runtime_value(r1);
    m.add_all_runtime_value(r1);
    QCOMPARE(m.get_runtimes().size(), 1);
    QCOMPARE(m.get_all_runtimes().size(), 2);
    // A parameter is owned through its group; offering it as a runtime value
    // too must not make the machine delete it twice.
    m.add_all_runtime_value(p);
    m.add_runtime_value(p);
    QCOMPARE(m.get_all_runtimes().size(), 2);
    QCOMPARE(m.get_runtimes().size(), 1);
}

void tst_QMachine::start_list()
{
    QMachine m;
    m.add_group(QStringLiteral("A"));
    m.add_group(QStringLiteral("B"));
    const QString on = QStringLiteral("1");
    QMachineValue *b0 = make(QStringLiteral("B-00"), 20, 1, QStringLiteral("rw"), on);
    QMachineValue *a0 = make(QStringLiteral("A-00"), 10, 1, QStringLiteral("rw"), on);
    QMachineValue *a1 = make(QStringLiteral("A-01"), 11);
    QMachineValue *a2 = make(QStringLiteral("A-02"), 12, 2, QStringLiteral("rw"), on);
    QVERIFY(add(m, QStringLiteral("B"), b0));
    QVERIFY(add(m, QStringLiteral("A"), a0));
    QVERIFY(add(m, QStringLiteral("A"), a1));
    QVERIFY(add(m, QStringLiteral("A"), a2));
    QMachineValue *u0 = make(QStringLiteral("U-00"), 100, 1, QStringLiteral("ro"), on);
    QMachineValue *u1 = make(QStringLiteral("U-01"), 101, 1, QStringLiteral("ro"));
    QMachineValue *u2 = make(QStringLiteral("U-02"), 102, 1, QStringLiteral("ro"), on);
    for (QMachineValue *u : {u0, u1, u2})
        m.add_all_runtime_value(u);
    m.add_runtime_value(u1);
    m.add_runtime_value(u0);
    // Groups in their order, then monitored runtime values in description
    // order; u2 is not monitored, so its answer would never be decoded.
    QCOMPARE(m.get_start_list(), QList<QMachineValue *>({a0, a2, b0, u0}));
}

void tst_QMachine::check_value_right_data()
{
    QTest::addColumn<QString>("access");
    QTest::addColumn<bool>("writable");
    QTest::newRow("rw") << QStringLiteral("rw") << true;
    QTest::newRow("stop") << QStringLiteral("stop") << true;
    QTest::newRow("ro") << QStringLiteral("ro") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("other") << QStringLiteral("wo") << false;
}

void tst_QMachine::check_value_right()
{
    QFETCH(QString, access);
    QFETCH(bool, writable);
    QMachine m;
    std::unique_ptr<QMachineValue> v(make(QStringLiteral("F0-00"), 1, 1, access));
    QCOMPARE(m.check_value_right(v.get()), writable);
    QVERIFY(!m.check_value_right(nullptr));
}

void tst_QMachine::deletes_everything_it_took()
{
    auto *m = new QMachine;
    m->add_group(QStringLiteral("G"));
    QPointer<QMachineValue> p = make(QStringLiteral("F0-00"), 1);
    QPointer<QMachineValue> all = make(QStringLiteral("U0-00"), 2);
    QPointer<QMachineValue> both = make(QStringLiteral("U0-01"), 3);
    QPointer<QMachineValue> marked_only = make(QStringLiteral("U0-02"), 4);
    QVERIFY(m->add_value(QStringLiteral("G"), p));
    m->add_all_runtime_value(all);
    m->add_all_runtime_value(both);
    m->add_runtime_value(both);
    m->add_runtime_value(marked_only);
    delete m;
    QVERIFY(p.isNull());
    QVERIFY(all.isNull());
    QVERIFY(both.isNull());
    QVERIFY(marked_only.isNull());
}

void tst_QMachine::builds_default_description()
{
    QMachineConfig config;
    QVERIFY2(config.load_file(QStringLiteral(TEST_SOURCE_DIR "/machines/default.xml")),
             qPrintable(config.error_string()));
    QMachine m;
    int rows = 0;
    for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
        m.add_group(page.name);
        for (const QStringList &row : page.rows) {
            auto *v = new QMachineValue;
            for (int i = 0; i < row.size(); ++i)
                v->set_value_property(enValuePropertyIndex(i), row.at(i));
            // Every row of a description the loader accepted is taken.
            QVERIFY2(add(m, page.name, v), qPrintable(row.at(0)));
            ++rows;
        }
    }
    for (const QStringList &row : config.get_runtime_config()->get_page(0).rows) {
        auto *v = new QMachineValue;
        for (int i = 0; i < row.size(); ++i)
            v->set_value_property(enValuePropertyIndex(i), row.at(i));
        m.add_all_runtime_value(v);
        m.add_runtime_value(v);
    }
    QVERIFY(rows >= 350);
    QCOMPARE(m.get_value(0), nullptr);
    QCOMPARE(m.get_value(0xF000)->get_value_property(VALUE_CODE).toString(), QStringLiteral("F0-00"));
    QCOMPARE(m.get_value(0xF100)->get_value_property(VALUE_CODE).toString(), QStringLiteral("F1-00"));
    const QList<QMachineValue *> start = m.get_start_list();
    QVERIFY(start.size() >= 10);
    bool has_runtime = false;
    for (QMachineValue *v : start)
        has_runtime = has_runtime || m.get_all_runtimes().contains(v);
    QVERIFY(has_runtime);
}

QTEST_GUILESS_MAIN(tst_QMachine)
#include "tst_qmachine.moc"
