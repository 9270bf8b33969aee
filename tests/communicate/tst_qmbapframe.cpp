// Modbus TCP framing: what is taken as the answer to a transaction, and what
// is refused, from crafted bytes.

#include <communicate/frames/qmbapframe.h>
#include <communicate/frames/qrtuframe.h>

#include <QTest>

namespace {

QByteArray mbap(int tid, int protocol, int length, const QByteArray &unit_and_pdu)
{
    QByteArray f;
    for (int w : { tid, protocol, length }) {
        f.append(char((w >> 8) & 0xFF));
        f.append(char(w & 0xFF));
    }
    return f + unit_and_pdu;
}

// Unit 1, a read of two registers: 0x1234, 0xABCD.
const QByteArray READ_PDU = QByteArray::fromHex("0103041234abcd");

} // namespace

class tst_QMbapFrame : public QObject
{
    Q_OBJECT
private slots:
    void request_drops_station_crc_into_header();
    void take_data();
    void take();
};

void tst_QMbapFrame::request_drops_station_crc_into_header()
{
    const QByteArray rtu = QRtuFrame::read_request(17, 0xF000, 8);
    QCOMPARE(QMbapFrame::request(0xBEEF, rtu), QByteArray::fromHex("beef00000006" "11" "03f0000008"));
    // And back: the RTU frame with its CRC, as a serial answer would be.
    QCOMPARE(QMbapFrame::to_rtu(QMbapFrame::request(0xBEEF, rtu)), rtu);
    QVERIFY(QMbapFrame::request(1, QByteArray::fromHex("0103")).isEmpty());
}

void tst_QMbapFrame::take_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("length");

    const QByteArray good = mbap(7, 0, 7, READ_PDU);
    QTest::newRow("the answer") << good << int(QMbapFrame::Frame) << 13;
    QTest::newRow("half of it") << good.left(9) << int(QMbapFrame::Incomplete) << 0;
    QTest::newRow("header only") << good.left(5) << int(QMbapFrame::Incomplete) << 0;
    QTest::newRow("an earlier transaction's") << mbap(5, 0, 7, READ_PDU) << int(QMbapFrame::Stale) << 13;
    QTest::newRow("a transaction never sent") << mbap(9, 0, 7, READ_PDU) << int(QMbapFrame::Malformed) << 0;
    QTest::newRow("never sent, known from two bytes") << mbap(9, 0, 7, READ_PDU).left(2) << int(QMbapFrame::Malformed) << 0;
    QTest::newRow("protocol id 1") << mbap(7, 1, 7, READ_PDU) << int(QMbapFrame::Malformed) << 0;
    QTest::newRow("length 1") << mbap(7, 0, 1, READ_PDU.left(1)) << int(QMbapFrame::Malformed) << 0;
    // One byte more than the longest ADU the protocol allows.
    QTest::newRow("261 bytes") << mbap(7, 0, 255, QByteArray::fromHex("0103fc") + QByteArray(252, '\x11'))
                               << int(QMbapFrame::Malformed) << 0;
    // The frame ends where its length says; what trails is the caller's to judge.
    QTest::newRow("length short of the bytes") << mbap(7, 0, 6, READ_PDU) << int(QMbapFrame::Frame) << 12;
    QTest::newRow("length beyond the bytes") << mbap(7, 0, 9, READ_PDU) << int(QMbapFrame::Incomplete) << 0;
}

void tst_QMbapFrame::take()
{
    QFETCH(QByteArray, buffer);
    QFETCH(int, status);
    QFETCH(int, length);
    const QMbapFrame::Result r = QMbapFrame::take(buffer, 7, { 4, 5, 6 });
    QCOMPARE(int(r.status), status);
    if (status == QMbapFrame::Frame || status == QMbapFrame::Stale)
        QCOMPARE(r.length, length);
    if (status == QMbapFrame::Frame) {
        QCOMPARE(r.rtu, QRtuFrame::with_crc(buffer.mid(6, length - 6)));
        // A length short of the bytes leaves a frame the RTU check refuses.
        const QRtuFrame::Result m = QRtuFrame::match_answer(QRtuFrame::read_request(1, 0, 2), r.rtu);
        QCOMPARE(m.match == QRtuFrame::Answer && m.length == r.rtu.size(), length == 13);
    }
}

QTEST_GUILESS_MAIN(tst_QMbapFrame)
#include "tst_qmbapframe.moc"
