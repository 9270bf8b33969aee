#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QVector>

#include <deque>

// The history of the monitored values behind the trend, bounded whatever the
// run time: per channel the samples of the last full_rate_ms (an hour by
// default) at full rate, and older data as the lowest and highest value of
// each interval. When the older data outgrows max_buckets intervals,
// neighbouring intervals are merged (the interval doubles), so a channel
// never holds more than the last hour plus max_buckets intervals.
//
// Times are milliseconds on any steady clock; samples of one channel come in
// time order. A NaN value is a sample that failed: it takes room in the time
// line but draws no point. No widgets: the chart asks for points decimated
// to its width, and a benchmark or a test can feed it millions of samples.
class QTrendHistory
{
public:
    explicit QTrendHistory(qint64 full_rate_ms = 3600000, int max_buckets = 2048);

    // The channel of a key (a value's code), made when it is new.
    int channel(const QString &key);
    int channel_count() const { return int(m_channels.size()); }
    QString key(int channel) const;

    void append(int channel, qint64 time, double value);
    void clear();

    // Time of the first and last sample of any channel (0 when empty).
    qint64 first_time() const;
    qint64 last_time() const;

    // The channel's points between from and to, at most two per interval of
    // (to - from) / intervals: its lowest and its highest, in time order. A
    // line through them shows every peak the samples hold.
    QVector<QPointF> points(int channel, qint64 from, qint64 to, int intervals) const;

    // The reading at a time: the last sample at or before it when that lies
    // in the full-rate part, else the interval that holds it (low < high).
    // False when the channel has nothing there.
    bool value_at(int channel, qint64 time, double *low, double *high) const;

    // Samples and intervals held (for the memory bound).
    qint64 sample_count() const;
    qint64 bucket_count() const;
    qint64 bucket_ms(int channel) const;

private:
    struct Sample
    {
        qint64 time;
        double value;
    };
    struct Bucket
    {
        qint64 time; // start of the interval
        float low;
        float high;
    };
    struct Channel
    {
        QString key;
        std::deque<Sample> recent;
        // The full-rate part once more as the lowest and highest of each
        // second: what a view spanning hours draws from.
        std::deque<Bucket> recent_seconds;
        QVector<Bucket> old;
        qint64 bucket_ms;
    };

    static void add_to(Bucket *bucket, double value);
    void fold(Channel &c, const Sample &sample) const;
    void merge(Channel &c) const;

    qint64 m_full_rate_ms;
    int m_max_buckets;
    std::deque<Channel> m_channels;
};
