// A parameter file edited without a drive: what a save writes back.
#include <paramset/paramfiledocument.h>

#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kGroup = QStringLiteral("F0 基本功能组");

// code, name, address, length, scale, default, min, max, unit, access
void add(QMachine &machine, const QStringList &row)
{
    auto *v = new QMachineValue;
    for (int i = 0; i < row.size(); ++i)
        v->set_value_property(enValuePropertyIndex(i), row.at(i));
    v->set_value_property(VALUE_EDITOR, QStringLiteral("十进制"));
    if (!machine.add_value(kGroup, v))
        delete v;
}

} // namespace

class tst_ParamFileDocument : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void saves_data();
    void saves();
    void keeps_a_file_gbk_cannot_hold();

private:
    QMachine m_machine;
    QTemporaryDir m_dir;
};

void tst_ParamFileDocument::initTestCase()
{
    QVERIFY(QLocalCodec::install());
    m_machine.add_group(kGroup);
    add(m_machine, {QStringLiteral("F0-07"), QStringLiteral("键盘设定频率"), QStringLiteral("61447"), QStringLiteral("1"),
                    QStringLiteral("100"), QStringLiteral("50.00"), QStringLiteral("0.00"), QStringLiteral("600.00"),
                    QStringLiteral("Hz"), QStringLiteral("rw")});
    add(m_machine, {QStringLiteral("F0-20"), QStringLiteral("累计时间"), QStringLiteral("61472"), QStringLiteral("2"),
                    QStringLiteral("1"), QStringLiteral("0"), QString(), QString(), QStringLiteral("h"),
                    QStringLiteral("rw")});
}

void tst_ParamFileDocument::saves_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("saved");

    const QString header = QStringLiteral("代码,名称,值,单位,原始值\r\n");
    const QString other = QStringLiteral("X9-99,别的机型,1,,1\r\n");
    QTest::newRow("changed row only")
        << header + QStringLiteral("F0-07,键盘设定频率,50, Hz ,5000\r\n") + other << QStringLiteral("F0-07") << 4250
        << header + QStringLiteral("F0-07,键盘设定频率,42.5, Hz ,4250\r\n") + other;
    QTest::newRow("set back to the file's value")
        << header + QStringLiteral("F0-07,键盘设定频率,50.0,Hz, 5000\r\n") << QStringLiteral("F0-07") << 5000
        << header + QStringLiteral("F0-07,键盘设定频率,50.0,Hz, 5000\r\n");
    QTest::newRow("a parameter the file lacks follows its rows")
        << header + other << QStringLiteral("F0-20") << 70000
        << header + other + QStringLiteral("F0-20,累计时间,70000,h,70000\r\n");
    QTest::newRow("no line break at the end")
        << header + QStringLiteral("F0-07,键盘设定频率,50,Hz,5000") << QStringLiteral("F0-07") << 1
        << header + QStringLiteral("F0-07,键盘设定频率,0.01,Hz,1\r\n");
    QTest::newRow("a code given twice says one thing afterwards")
        << header + QStringLiteral("F0-07,a,50,Hz,5000\r\nF0-07,b,1,Hz,100\r\n") << QStringLiteral("F0-07") << 200
        << header + QStringLiteral("F0-07,a,2,Hz,200\r\nF0-07,b,2,Hz,200\r\n");
}

void tst_ParamFileDocument::saves()
{
    QFETCH(QString, file);
    QFETCH(QString, code);
    QFETCH(int, raw);
    QFETCH(QString, saved);

    const QString path = m_dir.filePath(QStringLiteral("set.csv"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(QLocalCodec::encode(file));
    out.close();

    ParamFileDocument document;
    QString error;
    QVERIFY2(document.load(path, &m_machine, &error), qPrintable(error));
    document.set_raw(m_machine.get_value(code), raw);
    QString text;
    QVERIFY(QLocalCodec::decode(document.bytes(&m_machine), &text, &error));
    QCOMPARE(text, saved);
    QVERIFY(document.save(path, &m_machine, &error));
    QVERIFY(!document.is_modified());
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), QLocalCodec::encode(saved));
}

void tst_ParamFileDocument::keeps_a_file_gbk_cannot_hold()
{
    // Read as UTF-8; the character of the second row has no GBK bytes.
    const QByteArray file = QStringLiteral("代码,名称,值,单位,原始值\r\nF0-07,键盘设定频率,50,Hz,5000\r\n"
                                           "X9-99,\U0001F600,1,,1\r\n").toUtf8();
    const QString path = m_dir.filePath(QStringLiteral("utf8.csv"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();
    ParamFileDocument document;
    QString error;
    QVERIFY2(document.load(path, &m_machine, &error), qPrintable(error));
    document.set_raw(m_machine.get_value(QStringLiteral("F0-07")), 4250);
    QVERIFY(!document.save(path, &m_machine, &error));
    QVERIFY2(error.contains(QStringLiteral("第 3 行")), qPrintable(error));
    QVERIFY(document.is_modified());
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), file);
}

QTEST_GUILESS_MAIN(tst_ParamFileDocument)
#include "tst_paramfiledocument.moc"
