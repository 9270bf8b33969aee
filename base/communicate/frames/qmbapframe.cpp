#include <communicate/frames/qmbapframe.h>

#include <communicate/frames/qrtuframe.h>

namespace {

int word_at(const QByteArray &data, int index)
{
    return quint8(data.at(index)) * 256 + quint8(data.at(index + 1));
}

void append_word(QByteArray &frame, int word)
{
    frame.append(char((word >> 8) & 0xFF));
    frame.append(char(word & 0xFF));
}

} // namespace

QByteArray QMbapFrame::request(quint16 transaction, const QByteArray &rtu_request)
{
    // Station and function at least, and the CRC that is dropped.
    const qsizetype pdu_and_unit = rtu_request.size() - 2;
    if (pdu_and_unit < 2 || pdu_and_unit > MAX_LENGTH)
        return QByteArray();
    QByteArray frame;
    frame.reserve(6 + pdu_and_unit);
    append_word(frame, transaction);
    append_word(frame, 0);
    append_word(frame, int(pdu_and_unit));
    frame.append(rtu_request.constData(), pdu_and_unit);
    return frame;
}

QByteArray QMbapFrame::to_rtu(const QByteArray &mbap)
{
    if (mbap.size() < HEADER + 1)
        return QByteArray();
    return QRtuFrame::with_crc(mbap.mid(6, word_at(mbap, 4)));
}

QMbapFrame::Result QMbapFrame::take(const QByteArray &buffer, quint16 transaction, const QList<quint16> &earlier)
{
    Result r;
    const qsizetype size = buffer.size();
    // Each field is judged as soon as it is there: a wrong one never waits
    // for the time-out.
    if (size >= 4 && word_at(buffer, 2) != 0) {
        r.status = Malformed;
        return r;
    }
    if (size >= 6) {
        const int length = word_at(buffer, 4);
        if (length < MIN_LENGTH || length > MAX_LENGTH) {
            r.status = Malformed;
            return r;
        }
        r.length = 6 + length;
    }
    if (size >= 2) {
        const quint16 tid = quint16(word_at(buffer, 0));
        if (tid != transaction && !earlier.contains(tid)) {
            r.status = Malformed; // an answer to nothing we asked
            return r;
        }
    }
    if (r.length == 0 || size < r.length) {
        r.length = 0;
        if (size > MAX_ADU)
            r.status = Malformed;
        return r;
    }
    if (quint16(word_at(buffer, 0)) != transaction) {
        r.status = Stale;
        return r;
    }
    r.status = Frame;
    r.rtu = to_rtu(buffer.left(r.length));
    return r;
}
