#include <communicate/frames/qrtuframe.h>

#include <algorithm>

namespace {

quint16 crc_table_entry(quint16 value)
{
    for (int bit = 0; bit < 8; ++bit)
        value = (value & 1) ? quint16((value >> 1) ^ 0xA001) : quint16(value >> 1);
    return value;
}

struct CrcTable
{
    quint16 entries[256];
    CrcTable()
    {
        for (int i = 0; i < 256; ++i)
            entries[i] = crc_table_entry(quint16(i));
    }
};

inline int byte_at(const QByteArray &data, int index)
{
    return quint8(data.at(index));
}

bool in_range(int value, int low, int high)
{
    return value >= low && value <= high;
}

void append_word(QByteArray &frame, int word)
{
    frame.append(char((word >> 8) & 0xFF));
    frame.append(char(word & 0xFF));
}

} // namespace

quint16 QRtuFrame::crc16(const char *data, int size)
{
    static const CrcTable table;
    quint16 crc = 0xFFFF;
    for (int i = 0; i < size; ++i)
        crc = quint16((crc >> 8) ^ table.entries[(crc ^ quint8(data[i])) & 0xFF]);
    return crc;
}

QByteArray QRtuFrame::with_crc(const QByteArray &frame)
{
    const quint16 crc = crc16(frame);
    QByteArray out = frame;
    out.append(char(crc & 0xFF));
    out.append(char(crc >> 8));
    return out;
}

bool QRtuFrame::crc_ok(const char *data, int size)
{
    if (size < 4)
        return false;
    const quint16 crc = crc16(data, size - 2);
    return quint8(data[size - 2]) == (crc & 0xFF) && quint8(data[size - 1]) == (crc >> 8);
}

bool QRtuFrame::crc_ok(const QByteArray &frame)
{
    return crc_ok(frame.constData(), int(frame.size()));
}

QByteArray QRtuFrame::read_request(int station, int address, int count)
{
    if (!in_range(station, 1, 247) || !in_range(address, 0, 0xFFFF)
        || !in_range(count, 1, MAX_READ_COUNT) || address + count - 1 > 0xFFFF)
        return QByteArray();
    QByteArray frame;
    frame.append(char(station));
    frame.append(char(READ_HOLDING));
    append_word(frame, address);
    append_word(frame, count);
    return with_crc(frame);
}

QByteArray QRtuFrame::write_request(int station, int address, int value)
{
    if (!in_range(station, 1, 247) || !in_range(address, 0, 0xFFFF) || !in_range(value, 0, 0xFFFF))
        return QByteArray();
    QByteArray frame;
    frame.append(char(station));
    frame.append(char(WRITE_SINGLE));
    append_word(frame, address);
    append_word(frame, value);
    return with_crc(frame);
}

QByteArray QRtuFrame::write_multi_request(int station, int address, const QList<quint16> &values)
{
    const int count = int(values.size());
    if (!in_range(station, 1, 247) || !in_range(address, 0, 0xFFFF)
        || !in_range(count, 1, MAX_WRITE_COUNT) || address + count - 1 > 0xFFFF)
        return QByteArray();
    QByteArray frame;
    frame.append(char(station));
    frame.append(char(WRITE_MULTIPLE));
    append_word(frame, address);
    append_word(frame, count);
    frame.append(char(count * 2));
    for (quint16 v : values)
        append_word(frame, v);
    return with_crc(frame);
}

QByteArray QRtuFrame::exception_answer(int station, int function, int code)
{
    QByteArray frame;
    frame.append(char(station));
    frame.append(char((function | 0x80) & 0xFF));
    frame.append(char(code));
    return with_crc(frame);
}

QByteArray QRtuFrame::read_answer(int station, const QList<quint16> &values)
{
    const int count = int(values.size());
    if (!in_range(count, 1, MAX_READ_COUNT))
        return QByteArray();
    QByteArray frame;
    frame.append(char(station));
    frame.append(char(READ_HOLDING));
    frame.append(char(count * 2));
    for (quint16 v : values)
        append_word(frame, v);
    return with_crc(frame);
}

QList<quint16> QRtuFrame::answer_registers(const QByteArray &answer, int asked)
{
    QList<quint16> registers;
    if (answer.size() < 3)
        return registers;
    const qsizetype present = std::min<qsizetype>(byte_at(answer, 2), answer.size() - 3);
    const int count = std::max(0, std::min(asked, int(present / 2)));
    registers.reserve(count);
    for (int k = 0; k < count; ++k)
        registers.append(quint16(byte_at(answer, 3 + 2 * k) * 256 + byte_at(answer, 4 + 2 * k)));
    return registers;
}

int QRtuFrame::answer_length(const QByteArray &request)
{
    if (request.size() < 8 || !crc_ok(request))
        return 0;
    switch (byte_at(request, 1)) {
    case READ_HOLDING: {
        const int count = byte_at(request, 4) * 256 + byte_at(request, 5);
        return in_range(count, 1, MAX_READ_COUNT) ? 5 + 2 * count : 0;
    }
    case WRITE_SINGLE:
    case WRITE_MULTIPLE:
        return 8;
    default:
        return 0;
    }
}

QRtuFrame::Result QRtuFrame::match_answer(const QByteArray &request, const QByteArray &buffer)
{
    Result result;
    const int expected = answer_length(request);
    if (expected == 0) {
        result.match = Bad;
        return result;
    }
    const int station = byte_at(request, 0);
    const int function = byte_at(request, 1);
    const int size = int(buffer.size());
    const char *data = buffer.constData();

    // Whether the bytes from at on agree with the answer as far as they go:
    // a read's byte count, a write's echo (0x06 echoes the whole request,
    // 0x10 its address and count).
    auto prefix_fits = [&](int at) {
        const int have = size - at;
        if (function == READ_HOLDING)
            return have < 3 || byte_at(buffer, at + 2) == expected - 5;
        for (int i = 2; i < 6 && i < have; ++i)
            if (byte_at(buffer, at + i) != byte_at(request, i))
                return false;
        return true;
    };

    // Every place where the answer may start: a correct one there wins
    // (whatever precedes it is noise); one that may still become correct
    // with more bytes keeps the buffer undecided.
    bool pending = false;
    for (int i = 0; i < size; ++i) {
        if (byte_at(buffer, i) != station)
            continue;
        if (i + 1 >= size) {
            pending = true;
            break;
        }
        const int f = byte_at(buffer, i + 1);
        if (f == (function | 0x80)) {
            if (i + 5 > size) {
                pending = true;
            } else if (crc_ok(data + i, 5)) {
                result.match = ExceptionAnswer;
                result.offset = i;
                result.length = 5;
                result.exception_code = byte_at(buffer, i + 2);
                return result;
            }
            continue;
        }
        if (f != function || !prefix_fits(i))
            continue;
        if (i + expected > size) {
            pending = true;
        } else if (crc_ok(data + i, expected)) {
            result.match = Answer;
            result.offset = i;
            result.length = expected;
            return result;
        }
    }
    if (pending)
        return result;

    // Nothing here can become the answer any more: is there a complete
    // answer that is wrong?
    auto bad = [&](int offset, int length) {
        result.match = Bad;
        result.offset = offset;
        result.length = length;
        return result;
    };
    for (int i = 0; i + 1 < size; ++i) {
        const int s = byte_at(buffer, i);
        const int f = byte_at(buffer, i + 1);
        if (s == station && f == function) {
            if (i + expected <= size)
                return bad(i, expected); // complete, but CRC or echo wrong
            if (!prefix_fits(i))
                return bad(i, size - i); // wrong byte count or echo: known at once
            continue;
        }
        if (s == station && f == (function | 0x80)) {
            if (i + 5 <= size)
                return bad(i, 5); // exception answer with a bad CRC
            continue;
        }
        // A frame with a valid CRC from another station or with another
        // function is an answer, but not the one asked for.
        if (!in_range(s, 1, 247))
            continue;
        const int lengths[] = { 5, 8, expected, i + 2 < size ? 5 + byte_at(buffer, i + 2) : 0 };
        for (int length : lengths) {
            if (length >= 5 && i + length <= size && crc_ok(data + i, length))
                return bad(i, length);
        }
    }
    return result;
}

qint64 QRtuFrame::frame_nanoseconds(int bytes, int baud, int bits_per_char)
{
    if (baud <= 0)
        return 0;
    return qint64(bytes) * bits_per_char * 1000000000LL / baud;
}

qint64 QRtuFrame::silence_nanoseconds(int baud, int bits_per_char)
{
    if (baud <= 0)
        return 0;
    if (baud > 19200)
        return 1750000;
    return qint64(3.5 * bits_per_char * 1e9 / baud);
}
