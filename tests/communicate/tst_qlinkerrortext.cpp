// The one table of error-code texts: a code's name for the log and the
// pages, and the reason a failed exchange gives in the verification of a
// download and in the command-line tool.

#include <communicate/services/qlinkerrortext.h>
#include <communicate/missions/qmissionmanager.h>

#include <QTest>

class tst_QLinkErrorText : public QObject
{
    Q_OBJECT
private slots:
    void texts_data();
    void texts();
};

void tst_QLinkErrorText::texts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("meaning");
    QTest::addColumn<QString>("reason");

    QTest::newRow("named exception") << 2 << QStringLiteral("非法数据地址")
                                     << QStringLiteral("设备拒绝（异常码 2：非法数据地址）");
    QTest::newRow("exception without a name") << 9 << QStringLiteral("异常码 9")
                                              << QStringLiteral("设备拒绝（异常码 9）");
    QTest::newRow("no answer") << int(QMissionManager::ERR_NO_ANSWER) << QStringLiteral("无应答")
                               << QStringLiteral("无应答");
    QTest::newRow("malformed") << int(QMissionManager::ERR_MALFORMED) << QStringLiteral("应答错误")
                               << QStringLiteral("应答错误");
    QTest::newRow("link closed") << int(QMissionManager::ERR_LINK_CLOSED) << QStringLiteral("通信中断")
                                 << QStringLiteral("通信中断");
    QTest::newRow("not a code") << 0 << QStringLiteral("未知错误") << QStringLiteral("未知错误");
}

void tst_QLinkErrorText::texts()
{
    QFETCH(int, code);
    QFETCH(QString, meaning);
    QFETCH(QString, reason);
    QCOMPARE(QLinkErrorText::meaning(code), meaning);
    QCOMPARE(QLinkErrorText::reason(code), reason);
}

QTEST_GUILESS_MAIN(tst_QLinkErrorText)
#include "tst_qlinkerrortext.moc"
