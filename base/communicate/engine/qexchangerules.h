#pragma once

#include <communicate/communicate_export.h>

#include <QByteArray>
#include <QtGlobal>

class QLinkStatistics;

// One step of an exchange, as the rules decide it. Exactly one of these
// holds: there are bytes to write (the caller writes them, then calls
// sent()), or the caller waits for bytes until wait_until_ns (and calls
// bytes() for what comes, or waited() when nothing came), or the exchange
// is done. A report may come with any step; it is the exchange's result and
// comes once per exchange.
struct COMMUNICATE_EXPORT tagLinkStep
{
    QByteArray write;
    qint64 wait_until_ns = 0;
    bool done = false;

    bool has_report = false;
    int result = 0; // QLinkTransport::Result
    QByteArray answer;
    int exception_code = 0;
};

// The decisions of a request and answer exchange, without any I/O and
// without a clock of their own: the worker loop feeds them what happened
// (bytes with the time they arrived, the end of a wait, a request) and does
// what they answer. Times are nanoseconds on the caller's monotonic clock.
// Two rule sets exist: Modbus RTU (QRtuEngine, also for RTU frames over TCP)
// and Modbus TCP (QMbapEngine).
class COMMUNICATE_EXPORT QExchangeRules
{
public:
    struct Request
    {
        QByteArray request; // an RTU request frame (station, function, data, CRC)
        qint64 timeout_ns = 0;
        int tries = 1;
        // How long the line stays quiet after a try without an answer before
        // anything else goes on it; -1 a whole time-out.
        qint64 miss_quiet_ns = -1;
        // The silent interval before the request; -1 the line's own (where
        // there is a line).
        qint64 silence_ns = -1;
        // The least quiet a slow drive needs between the end of the last
        // exchange and each request to it (its description's pause), kept
        // where it is longer than the rules' own quiet; 0 none.
        qint64 pause_ns = 0;
    };

    virtual ~QExchangeRules() = default;

    // A new exchange; the previous one is done.
    virtual tagLinkStep start(const Request &request, qint64 now) = 0;
    // The bytes the last step asked for were written at now.
    virtual tagLinkStep sent(qint64 now) = 0;
    // Bytes came off the device at at.
    virtual tagLinkStep bytes(const QByteArray &bytes, qint64 at) = 0;
    // The wait of the last step ended at now without bytes.
    virtual tagLinkStep waited(qint64 now) = 0;
    // Bytes that came while no exchange ran: they belong to nobody.
    virtual void idle_bytes(const QByteArray &bytes, qint64 at) = 0;
    // The exchange under way is given up (the link is closed or aborted).
    virtual void abandon() = 0;
    // A new connection: nothing of the old one counts any more.
    virtual void reset(qint64 now) = 0;

    // Where tries, answers and failures are counted (not owned; null:
    // nowhere).
    void set_statistics(QLinkStatistics *statistics) { m_statistics = statistics; }

protected:
    QLinkStatistics *m_statistics = nullptr;
};
