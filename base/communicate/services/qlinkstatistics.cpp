#include <communicate/services/qlinkstatistics.h>

#include <cmath>

namespace {

constexpr double FIRST_BUCKET_NS = 10000;
constexpr double BUCKET_GROWTH = 1.05;

void add_response(tagLinkCounters &c, qint64 ns)
{
    ns = qMax<qint64>(0, ns);
    ++c.response_count;
    c.response_total_ns += ns;
    c.response_max_ns = qMax(c.response_max_ns, ns);
    ++c.response_buckets[size_t(tagLinkCounters::bucket_of(ns))];
}

} // namespace

int tagLinkCounters::bucket_of(qint64 ns)
{
    if (ns <= FIRST_BUCKET_NS)
        return 0;
    const int b = int(std::ceil(std::log(double(ns) / FIRST_BUCKET_NS) / std::log(BUCKET_GROWTH)));
    return qBound(0, b, TIME_BUCKETS - 1);
}

qint64 tagLinkCounters::bucket_limit_ns(int bucket)
{
    return qint64(FIRST_BUCKET_NS * std::pow(BUCKET_GROWTH, bucket));
}

qint64 tagLinkCounters::exception_total() const
{
    qint64 n = 0;
    for (qint64 v : exceptions)
        n += v;
    return n;
}

double tagLinkCounters::response_mean_ms() const
{
    return response_count == 0 ? 0.0 : double(response_total_ns) / double(response_count) / 1e6;
}

double tagLinkCounters::response_p95_ms() const
{
    if (response_count == 0)
        return 0.0;
    // The smallest time that 95 % of the answers did not exceed.
    const qint64 wanted = (response_count * 95 + 99) / 100;
    qint64 seen = 0;
    for (int b = 0; b < TIME_BUCKETS; ++b) {
        seen += response_buckets[size_t(b)];
        if (seen >= wanted)
            return double(qMin(bucket_limit_ns(b), response_max_ns)) / 1e6;
    }
    return response_max_ms();
}

QLinkStatistics::Snapshot QLinkStatistics::snapshot() const
{
    QMutexLocker lock(&m_lock);
    return { m_connection, m_total };
}

void QLinkStatistics::begin_connection()
{
    QMutexLocker lock(&m_lock);
    m_connection = tagLinkCounters();
}

void QLinkStatistics::reset()
{
    QMutexLocker lock(&m_lock);
    m_connection = tagLinkCounters();
    m_total = tagLinkCounters();
}

void QLinkStatistics::note_sent(int bytes, SendKind kind)
{
    both([&](tagLinkCounters &c) {
        ++c.requests;
        c.bytes_sent += bytes;
        if (kind == RetrySend)
            ++c.retries;
        else if (kind == RepeatSend)
            ++c.repeats;
    });
}

void QLinkStatistics::note_received(qint64 bytes)
{
    both([&](tagLinkCounters &c) { c.bytes_received += bytes; });
}

void QLinkStatistics::note_answer(qint64 response_ns)
{
    both([&](tagLinkCounters &c) {
        ++c.answers;
        add_response(c, response_ns);
    });
}

void QLinkStatistics::note_exception(int code, qint64 response_ns)
{
    both([&](tagLinkCounters &c) {
        ++c.answers;
        ++c.exceptions[code];
        add_response(c, response_ns);
    });
}

void QLinkStatistics::note_timeout()
{
    both([](tagLinkCounters &c) { ++c.timeouts; });
}

void QLinkStatistics::note_bad_crc()
{
    both([](tagLinkCounters &c) { ++c.bad_crc; });
}

void QLinkStatistics::note_malformed()
{
    both([](tagLinkCounters &c) { ++c.malformed; });
}
