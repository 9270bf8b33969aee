#pragma once

#include <communicate/communicate_export.h>

#include <QByteArray>
#include <QList>

// Modbus TCP framing (MBAP header: transaction id, protocol id 0, length,
// unit id) at the border between the TCP transport and the rest of the link,
// which speaks RTU frames: a request goes out as MBAP + PDU of the RTU
// request, an answer comes back as the RTU frame it stands for (unit id, PDU,
// CRC), so that it is checked against the request exactly like a serial one.
class COMMUNICATE_EXPORT QMbapFrame
{
public:
    static constexpr int HEADER = 7;
    // The longest ADU the protocol allows: header plus a 253-byte PDU.
    static constexpr int MAX_ADU = 260;
    // The length field counts the unit id and the PDU.
    static constexpr int MIN_LENGTH = 2;
    static constexpr int MAX_LENGTH = 254;

    // The MBAP request for an RTU request frame (station, function, data,
    // CRC); empty when the frame is too short to hold a PDU.
    static QByteArray request(quint16 transaction, const QByteArray &rtu_request);
    // The MBAP frame for an RTU frame (used by the simulated drive to answer).
    static QByteArray from_rtu(quint16 transaction, const QByteArray &rtu_frame) { return request(transaction, rtu_frame); }
    // The RTU frame (with CRC) that an MBAP frame carries; the MBAP frame must
    // be complete and consistent (see take()).
    static QByteArray to_rtu(const QByteArray &mbap);

    enum Status {
        Incomplete, // the frame at the front is not complete yet
        Frame,      // the frame for the transaction asked for
        Stale,      // a whole frame of an earlier transaction: drop it
        Malformed   // not a frame we can trust (header, length, transaction, size)
    };
    struct Result
    {
        Status status = Incomplete;
        int length = 0;    // bytes the frame takes at the front of the buffer
        QByteArray rtu;    // Frame: the RTU frame it carries
    };
    // Looks at the front of what came from the peer while waiting for the
    // answer to transaction. earlier: the transactions sent before it whose
    // answers may still come. A buffer longer than MAX_ADU that holds no
    // complete frame is malformed, so a babbling peer cannot grow it.
    static Result take(const QByteArray &buffer, quint16 transaction, const QList<quint16> &earlier);
};
