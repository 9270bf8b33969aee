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
        QString decoded;
        QString error;
        QVERIFY(QLocalCodec::decode(bytes, &decoded, &error));
        QCOMPARE(decoded, text);
    }

    // Bytes that would be dropped or replaced are refused with their line.
    void refusesWhatItCannotKeep_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("NUL cuts a row short")
            << QByteArray("a\r\nF0-07,k,45.00,Hz,45\x00" "00\r\n", 26) << QStringLiteral("第 2 行有 NUL 字节");
        QTest::newRow("byte no character starts with, LF lines")
            << QByteArray("a\nb\n4\xFF" "5\n") << QStringLiteral("第 3 行有不是 GBK 编码的字节 \\xFF5");
        QTest::newRow("pair cut off at the end, CR lines")
            << QByteArray("a\rb\xCD") << QStringLiteral("第 2 行有不是 GBK 编码的字节 \\xCD");
        QTest::newRow("second byte out of range")
            << QByteArray("\xCD\x0A") << QStringLiteral("第 1 行有不是 GBK 编码的字节 \\xCD\\x0A");
    }
    void refusesWhatItCannotKeep()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QString text = QStringLiteral("untouched");
        QString reason;
        QVERIFY(!QLocalCodec::decode(bytes, &text, &reason));
        QCOMPARE(reason, error);
        QCOMPARE(text, QStringLiteral("untouched"));
    }
};

QTEST_GUILESS_MAIN(tst_QLocalCodec)
#include "tst_qlocalcodec.moc"
