// The bounded history behind the trend: what survives decimation and what
// the chart and the cursor get back.

#include <monitor/qtrendhistory.h>

#include <QTest>

#include <cmath>
#include <limits>

class tst_QTrendHistory : public QObject
{
    Q_OBJECT
private slots:
    void full_rate_then_min_max();
    void memory_stays_bounded();
    void points_keep_peaks_and_skip_failures();
};

// The last span at full rate; older samples as the lowest and highest of
// their interval, read back by the cursor as a range.
void tst_QTrendHistory::full_rate_then_min_max()
{
    QTrendHistory history(10000, 64);
    const int c = history.channel(QStringLiteral("U0-00"));
    QCOMPARE(history.channel(QStringLiteral("U0-00")), c);
    for (qint64 t = 0; t <= 20000; t += 100)
        history.append(c, t, double(t % 1000)); // a saw tooth: 0..900 each second

    double low = 0;
    double high = 0;
    QVERIFY(history.value_at(c, 15050, &low, &high)); // full rate: the sample at 15000
    QCOMPARE(low, 0.0);
    QCOMPARE(high, 0.0);
    QVERIFY(history.value_at(c, 15150, &low, &high));
    QCOMPARE(low, 100.0);
    QVERIFY(history.value_at(c, 3500, &low, &high)); // decimated: the interval's range
    QCOMPARE(low, 0.0);
    QCOMPARE(high, 900.0);
    QVERIFY(!history.value_at(c, -5, &low, &high));
    QCOMPARE(history.first_time(), 0);
    QCOMPARE(history.last_time(), 20000);
    QVERIFY(history.sample_count() <= 102);
}

// Days of samples at 50 per second hold no more than the full-rate span and
// a bounded number of intervals, and the oldest data is still there.
void tst_QTrendHistory::memory_stays_bounded()
{
    QTrendHistory history(60000, 256);
    const int c = history.channel(QStringLiteral("U0-04"));
    const qint64 end = 2LL * 24 * 3600 * 1000;
    for (qint64 t = 0; t <= end; t += 20)
        history.append(c, t, std::sin(double(t) / 1e6));
    QVERIFY(history.sample_count() <= 60000 / 20 + 1);
    QVERIFY(history.bucket_count() <= 256);
    QVERIFY(history.bucket_ms(c) > 1000);
    double low = 0;
    double high = 0;
    QVERIFY(history.value_at(c, 1000, &low, &high));
    QVERIFY(low <= high);
}

// Decimated to a few intervals, the points still hold the single spike and
// the failed samples (NaN) add nothing; points come in time order.
void tst_QTrendHistory::points_keep_peaks_and_skip_failures()
{
    QTrendHistory history;
    const int c = history.channel(QStringLiteral("U0-02"));
    for (qint64 t = 0; t < 10000; t += 10) {
        double v = 540;
        if (t == 4320)
            v = 610; // one spike among a thousand samples
        if (t >= 7000 && t < 7500)
            v = std::numeric_limits<double>::quiet_NaN();
        history.append(c, t, v);
    }
    const QVector<QPointF> points = history.points(c, 0, 9999, 10);
    QVERIFY(points.size() <= 20);
    double highest = 0;
    for (int i = 0; i < points.size(); ++i) {
        QVERIFY(!std::isnan(points.at(i).y()));
        if (i > 0)
            QVERIFY(points.at(i).x() >= points.at(i - 1).x());
        highest = qMax(highest, points.at(i).y());
    }
    QCOMPARE(highest, 610.0);
    QVERIFY(history.points(c, 7100, 7400, 10).isEmpty());
    double low = 0;
    double high = 0;
    QVERIFY(!history.value_at(c, 7200, &low, &high)); // a failed reading reads as nothing
}

QTEST_APPLESS_MAIN(tst_QTrendHistory)
#include "tst_qtrendhistory.moc"
