#include "qtrendhistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The first interval of older data; it doubles as the data grows. Also the
// interval of the summary of the full-rate part.
constexpr qint64 kFirstBucketMs = 1000;
// A view whose intervals are this many seconds wide or more draws the
// full-rate part from its summary: the same peaks for a fraction of the work.
constexpr double kSummaryFactor = 4;

qint64 floor_to(qint64 time, qint64 step)
{
    const qint64 q = time / step;
    return (time % step < 0 ? q - 1 : q) * step;
}

// Lowest and highest of one interval of the output, with their times.
struct Extremes
{
    qint64 low_time = 0;
    double low = std::numeric_limits<double>::infinity();
    qint64 high_time = 0;
    double high = -std::numeric_limits<double>::infinity();

    bool empty() const { return low > high; }
    void add(qint64 time, double value)
    {
        if (value < low) {
            low = value;
            low_time = time;
        }
        if (value > high) {
            high = value;
            high_time = time;
        }
    }
    void flush(QVector<QPointF> *out)
    {
        if (empty())
            return;
        if (low_time == high_time) {
            out->append(QPointF(double(low_time), low));
        } else if (low_time < high_time) {
            out->append(QPointF(double(low_time), low));
            out->append(QPointF(double(high_time), high));
        } else {
            out->append(QPointF(double(high_time), high));
            out->append(QPointF(double(low_time), low));
        }
        *this = Extremes();
    }
};

} // namespace

QTrendHistory::QTrendHistory(qint64 full_rate_ms, int max_buckets)
    : m_full_rate_ms(std::max<qint64>(0, full_rate_ms))
    , m_max_buckets(std::max(2, max_buckets))
{
}

int QTrendHistory::channel(const QString &key)
{
    for (size_t i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i].key == key)
            return int(i);
    }
    m_channels.push_back(Channel{key, {}, {}, {}, kFirstBucketMs});
    return int(m_channels.size()) - 1;
}

QString QTrendHistory::key(int channel) const
{
    return channel >= 0 && channel < channel_count() ? m_channels[size_t(channel)].key : QString();
}

void QTrendHistory::clear()
{
    m_channels.clear();
}

void QTrendHistory::append(int channel, qint64 time, double value)
{
    if (channel < 0 || channel >= channel_count())
        return;
    Channel &c = m_channels[size_t(channel)];
    if (!c.recent.empty() && time < c.recent.back().time)
        time = c.recent.back().time; // a clock step back must not unsort the line
    c.recent.push_back(Sample{time, value});
    const qint64 second = floor_to(time, kFirstBucketMs);
    if (c.recent_seconds.empty() || c.recent_seconds.back().time != second) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        c.recent_seconds.push_back(Bucket{second, nan, nan});
    }
    add_to(&c.recent_seconds.back(), value);

    const qint64 horizon = time - m_full_rate_ms;
    while (!c.recent.empty() && c.recent.front().time < horizon) {
        fold(c, c.recent.front());
        c.recent.pop_front();
    }
    const qint64 first = c.recent.empty() ? time : c.recent.front().time;
    while (!c.recent_seconds.empty() && c.recent_seconds.front().time + kFirstBucketMs <= first)
        c.recent_seconds.pop_front();
}

void QTrendHistory::add_to(Bucket *bucket, double value)
{
    if (std::isnan(value))
        return;
    const float v = float(value);
    if (std::isnan(bucket->low)) {
        bucket->low = bucket->high = v;
    } else {
        bucket->low = std::min(bucket->low, v);
        bucket->high = std::max(bucket->high, v);
    }
}

void QTrendHistory::fold(Channel &c, const Sample &sample) const
{
    const qint64 start = floor_to(sample.time, c.bucket_ms);
    if (!c.old.isEmpty() && c.old.last().time == start) {
        add_to(&c.old.last(), sample.value);
        return;
    }
    const float v = float(sample.value);
    c.old.append(Bucket{start, v, v});
    if (c.old.size() > m_max_buckets)
        merge(c);
}

void QTrendHistory::merge(Channel &c) const
{
    c.bucket_ms *= 2;
    QVector<Bucket> merged;
    merged.reserve(c.old.size() / 2 + 1);
    for (const Bucket &b : std::as_const(c.old)) {
        const qint64 start = floor_to(b.time, c.bucket_ms);
        if (merged.isEmpty() || merged.last().time != start) {
            merged.append(Bucket{start, b.low, b.high});
            continue;
        }
        Bucket &m = merged.last();
        if (std::isnan(m.low)) {
            m.low = b.low;
            m.high = b.high;
        } else if (!std::isnan(b.low)) {
            m.low = std::min(m.low, b.low);
            m.high = std::max(m.high, b.high);
        }
    }
    c.old = merged;
}

qint64 QTrendHistory::first_time() const
{
    qint64 first = std::numeric_limits<qint64>::max();
    for (const Channel &c : m_channels) {
        if (!c.old.isEmpty())
            first = std::min(first, c.old.first().time);
        else if (!c.recent.empty())
            first = std::min(first, c.recent.front().time);
    }
    return first == std::numeric_limits<qint64>::max() ? 0 : first;
}

qint64 QTrendHistory::last_time() const
{
    qint64 last = std::numeric_limits<qint64>::min();
    for (const Channel &c : m_channels) {
        if (!c.recent.empty())
            last = std::max(last, c.recent.back().time);
        else if (!c.old.isEmpty())
            last = std::max(last, c.old.last().time);
    }
    return last == std::numeric_limits<qint64>::min() ? 0 : last;
}

QVector<QPointF> QTrendHistory::points(int channel, qint64 from, qint64 to, int intervals) const
{
    QVector<QPointF> out;
    if (channel < 0 || channel >= channel_count() || to <= from || intervals < 1)
        return out;
    const Channel &c = m_channels[size_t(channel)];
    const double width = double(to - from) / intervals;
    const auto slot = [&](qint64 time) { return std::min(intervals - 1, int(double(time - from) / width)); };

    Extremes current;
    int current_slot = -1;
    const auto take = [&](qint64 time, double value) {
        const int s = slot(time);
        if (s != current_slot) {
            current.flush(&out);
            current_slot = s;
        }
        current.add(time, value);
    };

    // Older data ends where the full-rate part begins.
    const qint64 recent_from = c.recent.empty() ? std::numeric_limits<qint64>::max() : c.recent.front().time;

    // Older data: an interval stands for its lowest and highest at its middle.
    auto b = std::lower_bound(c.old.cbegin(), c.old.cend(), from - c.bucket_ms,
                              [](const Bucket &x, qint64 t) { return x.time < t; });
    for (; b != c.old.cend() && b->time <= to; ++b) {
        const qint64 middle = std::min(b->time + c.bucket_ms / 2, recent_from - 1);
        if (middle < from || middle > to || std::isnan(b->low))
            continue;
        take(middle, double(b->low));
        take(middle, double(b->high));
    }
    if (width >= kSummaryFactor * kFirstBucketMs) {
        for (const Bucket &s : c.recent_seconds) {
            const qint64 middle = std::max(recent_from, s.time + kFirstBucketMs / 2);
            if (middle < from || middle > to || std::isnan(s.low))
                continue;
            take(middle, double(s.low));
            take(middle, double(s.high));
        }
    } else {
        auto r = std::lower_bound(c.recent.cbegin(), c.recent.cend(), from,
                                  [](const Sample &x, qint64 t) { return x.time < t; });
        for (; r != c.recent.cend() && r->time <= to; ++r) {
            if (!std::isnan(r->value))
                take(r->time, r->value);
        }
    }
    current.flush(&out);
    return out;
}

bool QTrendHistory::value_at(int channel, qint64 time, double *low, double *high) const
{
    if (channel < 0 || channel >= channel_count())
        return false;
    const Channel &c = m_channels[size_t(channel)];
    if (!c.recent.empty() && time >= c.recent.front().time) {
        auto r = std::upper_bound(c.recent.cbegin(), c.recent.cend(), time,
                                  [](qint64 t, const Sample &x) { return t < x.time; });
        --r; // the last sample at or before the time
        if (std::isnan(r->value))
            return false;
        *low = *high = r->value;
        return true;
    }
    auto b = std::upper_bound(c.old.cbegin(), c.old.cend(), time,
                              [](qint64 t, const Bucket &x) { return t < x.time; });
    if (b == c.old.cbegin())
        return false;
    --b;
    if (time >= b->time + c.bucket_ms || std::isnan(b->low))
        return false;
    *low = double(b->low);
    *high = double(b->high);
    return true;
}

qint64 QTrendHistory::sample_count() const
{
    qint64 n = 0;
    for (const Channel &c : m_channels)
        n += qint64(c.recent.size());
    return n;
}

qint64 QTrendHistory::bucket_count() const
{
    qint64 n = 0;
    for (const Channel &c : m_channels)
        n += c.old.size();
    return n;
}

qint64 QTrendHistory::bucket_ms(int channel) const
{
    return channel >= 0 && channel < channel_count() ? m_channels[size_t(channel)].bucket_ms : 0;
}
