// The registers of a read answer: what the core decodes values from.
#include <communicate/frames/qrtuframe.h>

#include <QTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

} // namespace

class tst_AnswerRegisters : public QObject
{
    Q_OBJECT
private slots:
    void bounds_data();
    void bounds();
    void read_answer();
};

void tst_AnswerRegisters::bounds_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QList<quint16>>("registers");

    using R = QList<quint16>;
    const QByteArray two = QRtuFrame::with_crc(hex("01 03 04 12 34 AB CD"));
    QTest::newRow("whole answer") << two << 2 << R{0x1234, 0xABCD};
    QTest::newRow("asked fewer") << two << 1 << R{0x1234};
    // The CRC behind the data is not a register, whatever is asked.
    QTest::newRow("asked more") << two << 4 << R{0x1234, 0xABCD};
    QTest::newRow("byte count says less") << QRtuFrame::with_crc(hex("01 03 02 12 34 AB CD")) << 2 << R{0x1234};
    QTest::newRow("cut off") << hex("01 03 08 12 34 AB") << 4 << R{0x1234};
    QTest::newRow("odd byte count") << hex("01 03 03 12 34 AB") << 2 << R{0x1234};
    QTest::newRow("header only") << hex("01 03 04") << 2 << R{};
    QTest::newRow("too short") << hex("01 03") << 2 << R{};
    QTest::newRow("nothing asked") << two << 0 << R{};
}

void tst_AnswerRegisters::bounds()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, asked);
    QFETCH(QList<quint16>, registers);
    QCOMPARE(QRtuFrame::answer_registers(answer, asked), registers);
}

void tst_AnswerRegisters::read_answer()
{
    const QList<quint16> values{0x0001, 0xFF80, 0x8000};
    const QByteArray answer = QRtuFrame::read_answer(7, values);
    QCOMPARE(answer.toHex(' '), QRtuFrame::with_crc(hex("07 03 06 00 01 FF 80 80 00")).toHex(' '));
    // It is the answer the master waits for, and reads back the same values.
    const QRtuFrame::Result match = QRtuFrame::match_answer(QRtuFrame::read_request(7, 0xF000, 3), answer);
    QCOMPARE(int(match.match), int(QRtuFrame::Answer));
    QCOMPARE(QRtuFrame::answer_registers(answer, 3), values);

    QVERIFY(QRtuFrame::read_answer(1, {}).isEmpty());
    QVERIFY(QRtuFrame::read_answer(1, QList<quint16>(QRtuFrame::MAX_READ_COUNT, 1)).size() > 0);
    QVERIFY(QRtuFrame::read_answer(1, QList<quint16>(QRtuFrame::MAX_READ_COUNT + 1, 1)).isEmpty());
}

QTEST_GUILESS_MAIN(tst_AnswerRegisters)
#include "tst_answer_registers.moc"
