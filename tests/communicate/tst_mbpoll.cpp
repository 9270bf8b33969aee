// An independent Modbus master (mbpoll, on libmodbus) against the simulated
// drive: both sides agree on the protocol, not only with each other.

#include "drivesim.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

class tst_MbPoll : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void read_data();
    void read();
    void write_data();
    void write();
    void exception_answers_data();
    void exception_answers();

private:
    // Runs mbpoll once on the simulated drive; 0-based register references.
    int mbpoll(const QStringList &arguments, QString *output);
    static QMap<int, int> parse(const QString &output);

    QString m_program;
    DriveSim *sim = nullptr;
};

void tst_MbPoll::initTestCase()
{
    m_program = QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
    if (m_program.isEmpty())
        QSKIP("mbpoll is not installed (Debian package mbpoll; scripts/setup.sh installs it)");
}

void tst_MbPoll::init()
{
    sim = new DriveSim;
    QVERIFY2(sim->start({ QStringLiteral("--machine"), QStringLiteral(TEST_DATA_DIR "/frames-drive.xml"),
                          QStringLiteral("--version"), QStringLiteral("207") }),
             qPrintable(sim->error_string()));
}

void tst_MbPoll::cleanup()
{
    delete sim;
    sim = nullptr;
}

int tst_MbPoll::mbpoll(const QStringList &arguments, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QStringList common{ QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-a"), QStringLiteral("1"),
                              QStringLiteral("-b"), QStringLiteral("19200"), QStringLiteral("-P"), QStringLiteral("none"),
                              QStringLiteral("-t"), QStringLiteral("4"), QStringLiteral("-0"), QStringLiteral("-1"),
                              QStringLiteral("-o"), QStringLiteral("1") };
    QStringList args = common;
    // Options first, then the device, then any values to write.
    QStringList values;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--"))
            values = arguments.mid(i + 1);
    }
    args += arguments.mid(0, values.isEmpty() ? arguments.size() : int(arguments.indexOf(QStringLiteral("--"))));
    args << sim->device() << values;
    p.start(m_program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        *output = QStringLiteral("mbpoll did not finish");
        return -1;
    }
    *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QMap<int, int> tst_MbPoll::parse(const QString &output)
{
    // Lines like "[61696]: \t0"; with -t 4 the values are unsigned decimal.
    QMap<int, int> values;
    static const QRegularExpression line(QStringLiteral("^\\[(\\d+)\\]:\\s+(-?\\d+)"), QRegularExpression::MultilineOption);
    auto it = line.globalMatch(output);
    while (it.hasNext()) {
        const auto m = it.next();
        values.insert(m.captured(1).toInt(), m.captured(2).toInt());
    }
    return values;
}

void tst_MbPoll::read_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::newRow("version") << 0 << 1;
    QTest::newRow("a group with a reserved register") << 0xF000 << 7;
    QTest::newRow("sixteen words") << 0xF100 << 16;
    QTest::newRow("runtime values") << 0x1001 << 3;
}

void tst_MbPoll::read()
{
    QFETCH(int, address);
    QFETCH(int, count);
    // Values that differ in every bit position matter more than defaults.
    QVERIFY(sim->set(0xF10F, 0xA55A));
    QString output;
    const int rc = mbpoll({ QStringLiteral("-r"), QString::number(address), QStringLiteral("-c"), QString::number(count) }, &output);
    QVERIFY2(rc == 0, qPrintable(output));
    const QMap<int, int> got = parse(output);
    QCOMPARE(got.size(), count);
    bool ok = false;
    const QList<int> expected = sim->get(address, count, &ok);
    QVERIFY2(ok, qPrintable(sim->error_string()));
    for (int k = 0; k < count; ++k) {
        if (address == 0x1001)
            QVERIFY(qAbs(got.value(address + k) - expected.at(k)) <= expected.at(k) / 5); // the motor runs
        else
            QCOMPARE(got.value(address + k), expected.at(k));
    }
    if (address == 0)
        QCOMPARE(got.value(0), 207);
}

void tst_MbPoll::write_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("one word") << 0xF105 << QList<int>{ 4321 };
    QTest::newRow("largest word") << 0xF106 << QList<int>{ 65535 };
    QTest::newRow("several words") << 0xF108 << QList<int>{ 1, 0x8000, 0x7FFF, 12 };
    QTest::newRow("a two-word parameter") << 0xF004 << QList<int>{ 0x86A0, 0x0001 };
}

void tst_MbPoll::write()
{
    QFETCH(int, address);
    QFETCH(QList<int>, values);
    QStringList args{ QStringLiteral("-r"), QString::number(address), QStringLiteral("--") };
    for (int v : values)
        args << QString::number(v);
    QString output;
    const int rc = mbpoll(args, &output);
    QVERIFY2(rc == 0, qPrintable(output));
    bool ok = false;
    QCOMPARE(sim->get(address, int(values.size()), &ok), values);
    QVERIFY(ok);
    // And read back by mbpoll too.
    QVERIFY(mbpoll({ QStringLiteral("-r"), QString::number(address), QStringLiteral("-c"), QString::number(values.size()) }, &output) == 0);
    QCOMPARE(parse(output).values(), values);
}

void tst_MbPoll::exception_answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("read outside every range") << QStringList{ QStringLiteral("-r"), QStringLiteral("8192"), QStringLiteral("-c"), QStringLiteral("2") }
                                              << QStringLiteral("Illegal data address");
    QTest::newRow("write outside") << QStringList{ QStringLiteral("-r"), QStringLiteral("8192"), QStringLiteral("--"), QStringLiteral("1") }
                                   << QStringLiteral("Illegal data value");
    QTest::newRow("write read-only") << QStringList{ QStringLiteral("-r"), QString::number(0xF002), QStringLiteral("--"), QStringLiteral("1") }
                                     << QStringLiteral("Slave device or server failure");
}

void tst_MbPoll::exception_answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QString output;
    const int rc = mbpoll(arguments, &output);
    QVERIFY2(rc != 0, qPrintable(output));
    QVERIFY2(output.contains(message, Qt::CaseInsensitive), qPrintable(output));
    QCOMPARE(sim->get_one(0xF002), 3);
}

QTEST_GUILESS_MAIN(tst_MbPoll)
#include "tst_mbpoll.moc"
