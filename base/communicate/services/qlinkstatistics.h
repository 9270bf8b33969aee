#pragma once

#include <communicate/communicate_export.h>

#include <QMap>
#include <QMutex>
#include <QtGlobal>

#include <array>

// What happened on a link, counted by its worker thread as it happens.
struct COMMUNICATE_EXPORT tagLinkCounters
{
    // Response times are kept in buckets 5 % wide from 10 us up (about 23 s
    // in the last one): the 95th percentile is then exact to 5 % whatever
    // the number of exchanges, in a record of fixed size.
    static constexpr int TIME_BUCKETS = 300;

    qint64 requests = 0;   // frames sent, tries included
    qint64 answers = 0;    // correct answers taken, exception answers included
    qint64 timeouts = 0;   // tries that got not a byte back
    qint64 retries = 0;    // requests sent again after a failed try
    qint64 repeats = 0;    // requests sent again because a late answer of an earlier one came or met theirs
    qint64 bad_crc = 0;    // answers whose CRC was wrong
    qint64 malformed = 0;  // other answers that could not be taken
    QMap<int, qint64> exceptions; // by exception code
    qint64 bytes_sent = 0;
    qint64 bytes_received = 0;
    qint64 response_count = 0;
    qint64 response_total_ns = 0;
    qint64 response_max_ns = 0;
    std::array<quint32, TIME_BUCKETS> response_buckets{};

    qint64 exception_total() const;
    // Mean and 95th percentile of the response times in milliseconds; 0
    // before the first answer.
    double response_mean_ms() const;
    double response_p95_ms() const;
    double response_max_ms() const { return double(response_max_ns) / 1e6; }

    static int bucket_of(qint64 ns);
    // The upper end of a bucket.
    static qint64 bucket_limit_ns(int bucket);
};

// The counters of one link: those of the connection open now (or last open)
// and those since the program started or the operator reset them. The
// worker writes, the screen reads a copy whenever it likes (a few times a
// second): nobody is woken per exchange. Safe from any thread.
class COMMUNICATE_EXPORT QLinkStatistics
{
public:
    struct Snapshot
    {
        tagLinkCounters connection;
        tagLinkCounters total;
    };

    Snapshot snapshot() const;
    // A new connection: its counters start at zero.
    void begin_connection();
    // Both sets start again at zero.
    void reset();

    enum SendKind {
        FirstSend, // an exchange's first try
        RetrySend, // again after a try that failed
        RepeatSend // again because an earlier request's late answer came instead (uses up no try)
    };
    void note_sent(int bytes, SendKind kind);
    void note_received(qint64 bytes);
    void note_answer(qint64 response_ns);
    void note_exception(int code, qint64 response_ns);
    void note_timeout();
    void note_bad_crc();
    void note_malformed();

private:
    template<typename F>
    void both(F f)
    {
        QMutexLocker lock(&m_lock);
        f(m_connection);
        f(m_total);
    }

    mutable QMutex m_lock;
    tagLinkCounters m_connection;
    tagLinkCounters m_total;
};
