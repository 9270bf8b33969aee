#pragma once

#include <communicate/communicate_export.h>

#include <QByteArray>
#include <QList>

// Modbus RTU framing shared by the master (the serial worker), the simulated
// drive and the tests: CRC-16, request frames, and recognising the answer to a
// request inside whatever bytes came off the line.
class COMMUNICATE_EXPORT QRtuFrame
{
public:
    enum Function { READ_HOLDING = 0x03, WRITE_SINGLE = 0x06, WRITE_MULTIPLE = 0x10 };

    // Protocol limits of the three functions (Modbus application protocol 1.1b3).
    static constexpr int MAX_READ_COUNT = 125;
    static constexpr int MAX_WRITE_COUNT = 123;

    // CRC-16/MODBUS: polynomial 0xA001 (reflected), start 0xFFFF.
    static quint16 crc16(const char *data, int size);
    static quint16 crc16(const QByteArray &data) { return crc16(data.constData(), int(data.size())); }
    // frame + CRC, low byte first.
    static QByteArray with_crc(const QByteArray &frame);
    // True when the last two bytes are the CRC of the bytes before them.
    static bool crc_ok(const QByteArray &frame);
    static bool crc_ok(const char *data, int size);

    // Request frames (with CRC). Empty when an argument is out of range.
    static QByteArray read_request(int station, int address, int count);
    static QByteArray write_request(int station, int address, int value);
    static QByteArray write_multi_request(int station, int address, const QList<quint16> &values);
    // Exception answer frame (with CRC).
    static QByteArray exception_answer(int station, int function, int code);
    // Answer to a read (with CRC) carrying values, first register first.
    // Empty for no values or more than a read may ask for.
    static QByteArray read_answer(int station, const QList<quint16> &values);

    // The registers a read answer (the whole frame as received: station,
    // function, byte count, data, CRC) holds, first register first: never
    // more than asked, than its byte count says or than the bytes that
    // arrived, so a short or lying frame yields fewer, never garbage.
    static QList<quint16> answer_registers(const QByteArray &answer, int asked);

    // Length of a correct, non-exception answer to request; 0 for a request
    // this master does not send.
    static int answer_length(const QByteArray &request);

    enum Match {
        Incomplete,      // nothing usable yet: wait for more bytes (or the time-out)
        Answer,          // a correct answer at [offset, offset + length)
        ExceptionAnswer, // a correct exception answer; code in exception_code
        Bad              // a complete answer that is wrong (CRC, station, function, count, echo)
    };
    struct Result
    {
        Match match = Incomplete;
        int offset = 0;
        int length = 0;
        int exception_code = 0;
    };
    // Looks for the answer to request in buffer. Bytes that cannot start the
    // answer are skipped, so noise before a frame does no harm; a complete frame
    // that is recognisably an answer but wrong is Bad at once, without waiting.
    static Result match_answer(const QByteArray &request, const QByteArray &buffer);

    // Line time of n characters in nanoseconds.
    static qint64 frame_nanoseconds(int bytes, int baud, int bits_per_char);
    // The silent interval that must precede a frame: 3.5 characters, 1.75 ms
    // fixed above 19200 baud (Modbus over serial line 1.02, 2.5.1.1).
    static qint64 silence_nanoseconds(int baud, int bits_per_char);
};
