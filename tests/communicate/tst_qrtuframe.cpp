#include <communicate/missions/qmission.h>
#include <communicate/frames/qrtuframe.h>

#include <QTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A correct read answer of the given words, for station 1.
QByteArray read_answer(const QList<int> &words, int station = 1)
{
    QByteArray frame;
    frame.append(char(station));
    frame.append(char(0x03));
    frame.append(char(words.size() * 2));
    for (int w : words) {
        frame.append(char(w >> 8));
        frame.append(char(w & 0xFF));
    }
    return QRtuFrame::with_crc(frame);
}

} // namespace

class tst_QRtuFrame : public QObject
{
    Q_OBJECT
private slots:
    void crc_data();
    void crc();
    void requests_data();
    void requests();
    void match_answer_data();
    void match_answer();
    void mission_frames_data();
    void mission_frames();
    void mission_type_attribute();
    void line_times();
};

void tst_QRtuFrame::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    // The check value of CRC-16/MODBUS, and frames from the Modbus over
    // serial line guide and from a drive manual.
    QTest::newRow("check string") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("read 0, 1 word") << hex("01 03 00 00 00 01") << 0x0A84;
    QTest::newRow("write 1 = 3") << hex("01 06 00 01 00 03") << 0x0B98;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("one zero byte") << hex("00") << 0x40BF;
}

void tst_QRtuFrame::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    QCOMPARE(int(QRtuFrame::crc16(data)), crc);
    const QByteArray framed = QRtuFrame::with_crc(data);
    QCOMPARE(quint8(framed.at(framed.size() - 2)), quint8(crc & 0xFF)); // low byte first
    QCOMPARE(quint8(framed.at(framed.size() - 1)), quint8(crc >> 8));
    if (framed.size() >= 4) {
        QVERIFY(QRtuFrame::crc_ok(framed));
        QByteArray broken = framed;
        broken[0] = char(broken.at(0) ^ 0x01);
        QVERIFY(!QRtuFrame::crc_ok(broken));
    }
}

void tst_QRtuFrame::requests_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("answer_length");

    QTest::newRow("read 8 at 0xF000") << QRtuFrame::read_request(1, 0xF000, 8) << hex("01 03 F0 00 00 08 77 0C") << 21;
    QTest::newRow("read 125") << QRtuFrame::read_request(247, 0, 125).left(6) << hex("F7 03 00 00 00 7D") << 0;
    QTest::newRow("write single") << QRtuFrame::write_request(1, 1, 3) << hex("01 06 00 01 00 03 98 0B") << 8;
    QTest::newRow("write 65535") << QRtuFrame::write_request(2, 0x1000, 0xFFFF).left(6) << hex("02 06 10 00 FF FF") << 0;
    QTest::newRow("write two words")
        << QRtuFrame::write_multi_request(1, 0xF004, { 0x86A0, 0x0001 }).left(11)
        << hex("01 10 F0 04 00 02 04 86 A0 00 01") << 0;
    // Refused: nothing is built, so nothing reaches a drive.
    QTest::newRow("station 0") << QRtuFrame::read_request(0, 0, 1) << QByteArray() << 0;
    QTest::newRow("station 248") << QRtuFrame::read_request(248, 0, 1) << QByteArray() << 0;
    QTest::newRow("read 0 words") << QRtuFrame::read_request(1, 0, 0) << QByteArray() << 0;
    QTest::newRow("read 126 words") << QRtuFrame::read_request(1, 0, 126) << QByteArray() << 0;
    QTest::newRow("read past 0xFFFF") << QRtuFrame::read_request(1, 0xFFFF, 2) << QByteArray() << 0;
    QTest::newRow("write -1") << QRtuFrame::write_request(1, 0, -1) << QByteArray() << 0;
    QTest::newRow("write 65536") << QRtuFrame::write_request(1, 0, 65536) << QByteArray() << 0;
    QTest::newRow("write 124 words") << QRtuFrame::write_multi_request(1, 0, QList<quint16>(124, 0)) << QByteArray() << 0;
}

void tst_QRtuFrame::requests()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QFETCH(int, answer_length);
    QCOMPARE(built.toHex(' '), expected.toHex(' '));
    if (answer_length > 0)
        QCOMPARE(QRtuFrame::answer_length(built), answer_length);
}

void tst_QRtuFrame::match_answer_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("match");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("code");

    const QByteArray read2 = QRtuFrame::read_request(1, 0xF000, 2);
    const QByteArray good = read_answer({ 0x1234, 0xABCD });
    const QByteArray write = QRtuFrame::write_request(1, 0xF001, 500);

    QTest::newRow("answer") << read2 << good << int(QRtuFrame::Answer) << 0 << 0;
    QTest::newRow("nothing yet") << read2 << QByteArray() << int(QRtuFrame::Incomplete) << 0 << 0;
    QTest::newRow("first half") << read2 << good.left(4) << int(QRtuFrame::Incomplete) << 0 << 0;
    QTest::newRow("all but the CRC") << read2 << good.left(7) << int(QRtuFrame::Incomplete) << 0 << 0;
    QTest::newRow("noise before") << read2 << hex("00 FF 55 AA") + good << int(QRtuFrame::Answer) << 4 << 0;
    QTest::newRow("noise holding the station byte") << read2 << hex("01 01 7E") + good << int(QRtuFrame::Answer) << 3 << 0;
    QTest::newRow("noise after") << read2 << good + hex("00 00") << int(QRtuFrame::Answer) << 0 << 0;
    QByteArray bad_crc = good;
    bad_crc[bad_crc.size() - 1] = char(bad_crc.at(bad_crc.size() - 1) ^ 0x5A);
    QTest::newRow("bad CRC") << read2 << bad_crc << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("wrong station") << read2 << read_answer({ 0x1234, 0xABCD }, 2) << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("wrong function") << read2 << QRtuFrame::with_crc(hex("01 04 04 12 34 AB CD")) << int(QRtuFrame::Bad) << 0 << 0;
    // Known to be wrong as soon as the byte count is in.
    QTest::newRow("wrong byte count") << read2 << hex("01 03 06 12") << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("answer to a longer read") << read2 << read_answer({ 1, 2, 3 }) << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("exception") << read2 << QRtuFrame::exception_answer(1, 3, 2) << int(QRtuFrame::ExceptionAnswer) << 0 << 2;
    QTest::newRow("exception after noise") << read2 << hex("FF") + QRtuFrame::exception_answer(1, 3, 4) << int(QRtuFrame::ExceptionAnswer) << 1 << 4;
    QByteArray bad_exception = QRtuFrame::exception_answer(1, 3, 2);
    bad_exception[4] = char(bad_exception.at(4) ^ 0x01);
    QTest::newRow("exception with bad CRC") << read2 << bad_exception << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("exception for another function") << read2 << QRtuFrame::exception_answer(1, 6, 2) << int(QRtuFrame::Bad) << 0 << 0;
    QTest::newRow("write echo") << write << write << int(QRtuFrame::Answer) << 0 << 0;
    // The echo of another write (a late answer, say) is not this write's answer.
    QTest::newRow("echo of another write") << write << QRtuFrame::write_request(1, 0xF001, 501) << int(QRtuFrame::Bad) << 0 << 0;
    const QByteArray multi = QRtuFrame::write_multi_request(1, 0xF100, { 1, 2, 3 });
    QTest::newRow("write multiple answer") << multi << QRtuFrame::with_crc(hex("01 10 F1 00 00 03")) << int(QRtuFrame::Answer) << 0 << 0;
    // Register data that look like the start of a frame, or hold a whole
    // frame with a valid CRC, must not decide a partial answer.
    const QByteArray read4 = QRtuFrame::read_request(1, 0xF000, 4);
    QTest::newRow("data holding station and function") << read4 << read_answer({ 0, 0x0103, 0, 0 }) << int(QRtuFrame::Answer) << 0 << 0;
    const QByteArray inner = hex("00") + QRtuFrame::exception_answer(1, 6, 2) + hex("00 00");
    QList<int> inner_words;
    for (int k = 0; k < 4; ++k)
        inner_words << quint8(inner.at(2 * k)) * 256 + quint8(inner.at(2 * k + 1));
    QTest::newRow("data holding a whole frame") << read4 << read_answer(inner_words) << int(QRtuFrame::Answer) << 0 << 0;
    QTest::newRow("write multiple, wrong count") << multi << QRtuFrame::with_crc(hex("01 10 F1 00 00 02")) << int(QRtuFrame::Bad) << 0 << 0;
}

void tst_QRtuFrame::match_answer()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, buffer);
    QFETCH(int, match);
    QFETCH(int, offset);
    QFETCH(int, code);
    const QRtuFrame::Result r = QRtuFrame::match_answer(request, buffer);
    QCOMPARE(int(r.match), match);
    if (match == QRtuFrame::Answer || match == QRtuFrame::ExceptionAnswer)
        QCOMPARE(r.offset, offset);
    if (match == QRtuFrame::ExceptionAnswer)
        QCOMPARE(r.exception_code, code);

    // Fed byte by byte (a frame split into pieces), the outcome is the same
    // and nothing is decided before the last byte is in.
    if (match == QRtuFrame::Answer) {
        for (int n = 0; n < offset + r.length; ++n)
            QCOMPARE(int(QRtuFrame::match_answer(request, buffer.left(n)).match), int(QRtuFrame::Incomplete));
    }
}

void tst_QRtuFrame::mission_frames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariantMap>("attributes");
    QTest::addColumn<QByteArray>("frame"); // without CRC; empty = refused

    auto attrs = [](int station, int address, QVariant length, QVariant data = QVariant()) {
        QVariantMap m;
        m.insert(QStringLiteral("Machine.Address"), station);
        m.insert(QStringLiteral("Data.Address"), address);
        if (length.isValid())
            m.insert(QStringLiteral("Data.Length"), length);
        if (data.isValid())
            m.insert(QStringLiteral("Mission.Write.Data"), data);
        return m;
    };
    QTest::newRow("read") << int(MISSION_READ) << attrs(1, 0xF000, 8) << hex("01 03 F0 00 00 08");
    QTest::newRow("read-back") << int(MISSION_READ_BACK) << attrs(7, 4096, 2) << hex("07 03 10 00 00 02");
    QTest::newRow("write") << int(MISSION_WRITE) << attrs(1, 0xF001, 1, 65535) << hex("01 06 F0 01 FF FF");
    QTest::newRow("write several, list") << int(MISSION_WRITE_MULTI)
                                         << attrs(1, 0xF100, 3, QVariantList{ 1, 2, 0xFFFF })
                                         << hex("01 10 F1 00 00 03 06 00 01 00 02 FF FF");
    QTest::newRow("write several, one int as two words") << int(MISSION_WRITE_MULTI) << attrs(1, 0xF004, 2, 100000)
                                                         << hex("01 10 F0 04 00 02 04 86 A0 00 01");
    QTest::newRow("write several, one word") << int(MISSION_WRITE_MULTI) << attrs(1, 0xF004, QVariant(), 5)
                                             << hex("01 10 F0 04 00 01 02 00 05");
    // Refused, never cut down to something else and sent.
    QTest::newRow("no station") << int(MISSION_READ) << QVariantMap{ { QStringLiteral("Data.Address"), 0 }, { QStringLiteral("Data.Length"), 1 } } << QByteArray();
    QTest::newRow("read without length") << int(MISSION_READ) << attrs(1, 0, QVariant()) << QByteArray();
    QTest::newRow("write without data") << int(MISSION_WRITE) << attrs(1, 0, 1) << QByteArray();
    QTest::newRow("write -1") << int(MISSION_WRITE) << attrs(1, 0, 1, -1) << QByteArray();
    QTest::newRow("write 65536") << int(MISSION_WRITE) << attrs(1, 0, 1, 65536) << QByteArray();
    QTest::newRow("write text") << int(MISSION_WRITE) << attrs(1, 0, 1, QStringLiteral("abc")) << QByteArray();
    QTest::newRow("list longer than length") << int(MISSION_WRITE_MULTI) << attrs(1, 0, 1, QVariantList{ 1, 2 }) << QByteArray();
    QTest::newRow("word out of range in list") << int(MISSION_WRITE_MULTI) << attrs(1, 0, 2, QVariantList{ 1, 70000 }) << QByteArray();
    QTest::newRow("address 65536") << int(MISSION_READ) << attrs(1, 65536, 1) << QByteArray();
}

void tst_QRtuFrame::mission_frames()
{
    QFETCH(int, type);
    QFETCH(QVariantMap, attributes);
    QFETCH(QByteArray, frame);
    QMission mission{ enMissionType(type) };
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        mission.set_attribute(it.key(), it.value());
    QCOMPARE(mission.update_send_buffer(), !frame.isEmpty());
    if (frame.isEmpty()) {
        QVERIFY(mission.get_send_buffer().isEmpty());
        return;
    }
    QCOMPARE(mission.get_send_buffer().toHex(' '), QRtuFrame::with_crc(frame).toHex(' '));

    // The manager's copy is the same mission; attributes set after the frame
    // was built ("Mission.Level", "Mission.Type") do not change it.
    QMission copy = mission;
    copy.set_attribute(QStringLiteral("Mission.Level"), 9);
    copy.set_attribute(QStringLiteral("Mission.Type"), 1);
    QVERIFY(copy.update_send_buffer());
    QCOMPARE(copy.get_send_buffer(), mission.get_send_buffer());
    QCOMPARE(copy.level(), 9);
}

void tst_QRtuFrame::mission_type_attribute()
{
    QMission write(MISSION_WRITE);
    QCOMPARE(write.get_attribute(QStringLiteral("Mission.Type"), QVariant()).toInt(), 0);
    QMission probe(MISSION_READ);
    QCOMPARE(probe.get_attribute(QStringLiteral("Mission.Type"), QVariant()).toInt(), 3);
    probe.set_attribute(QStringLiteral("Mission.Type"), 1);
    QCOMPARE(probe.get_attribute(QStringLiteral("Mission.Type")).toInt(), 1);
    QCOMPARE(probe.mission_type(), MISSION_READ);
    QCOMPARE(probe.get_attribute(QStringLiteral("Data.Address"), 42).toInt(), 42);
}

void tst_QRtuFrame::line_times()
{
    // 8 bytes at 19200 8N1: 80 bits, 4.1667 ms; 3.5 characters: 1.8229 ms.
    QCOMPARE(QRtuFrame::frame_nanoseconds(8, 19200, 10), qint64(4166666));
    QCOMPARE(QRtuFrame::silence_nanoseconds(19200, 10), qint64(1822916));
    QCOMPARE(QRtuFrame::silence_nanoseconds(9600, 11), qint64(4010416));
    QCOMPARE(QRtuFrame::silence_nanoseconds(38400, 10), qint64(1750000));
    QCOMPARE(QRtuFrame::silence_nanoseconds(115200, 10), qint64(1750000));
}

QTEST_GUILESS_MAIN(tst_QRtuFrame)
#include "tst_qrtuframe.moc"
