#include <coredata/qlocalcodec.h>

#include <QTest>

class tst_QLocalCodec : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QLocalCodec::install()); }

    void gbkRoundTrip()
    {
        const QString text = QStringLiteral("通信设置");
        const QByteArray bytes = QLocalCodec::encode(text);
        // 4 Chinese characters, two GBK bytes each: not UTF-8.
        QCOMPARE(bytes, QByteArray("\xCD\xA8\xD0\xC5\xC9\xE8\xD6\xC3"));
        QCOMPARE(QLocalCodec::decode(bytes), text);
    }

    void decodeStopsAtNul()
    {
        QCOMPARE(QLocalCodec::decode(QByteArray("ab\0cd", 5)), QStringLiteral("ab"));
    }
};

QTEST_GUILESS_MAIN(tst_QLocalCodec)
#include "tst_qlocalcodec.moc"
