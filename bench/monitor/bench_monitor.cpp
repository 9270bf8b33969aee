// The monitoring page against drive-sim with line timing (19200 baud 8N1,
// 2 ms turnaround), polling as fast as the line allows:
//  1. samples per second for 8 and for 30 runtime values, against the
//     protocol's limit for the same reads (per read: the 3.5-character
//     silence, the 8-byte request, the turnaround, the 5 + 2N byte answer);
//  2. with 30 values and the trend in view, how late a 10 ms timer of the
//     GUI event loop fires (99th percentile);
//  3. eight hours of 30 values at 20 samples a second fed into the page's
//     history without a line: the process's memory and the trend's redraw.
// It prints its figures and never fails on a slow machine; a non-zero exit
// means the measurement itself could not be made.

#include "drivesim.h"

#include <monitor/qmonitorpoller.h>
#include <monitor/qmonitorwidget.h>
#include <monitor/qtrendchart.h>
#include <monitor/qtrendhistory.h>

#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/tagserialconfig.h>

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kBaud = 19200;
constexpr double kBitsPerChar = 10; // 8N1
constexpr double kTurnaroundMs = 2;
constexpr int kWarmupMs = 1500;
constexpr int kMeasureMs = 8000;
constexpr int kLagTimerMs = 10;
constexpr qint64 kHistoryHours = 8;
constexpr int kHistoryPeriodMs = 50;
constexpr int kValues = 30;

int fail(const QString &reason)
{
    std::fprintf(stderr, "bench_monitor: %s\n", qPrintable(reason));
    return 1;
}

bool wait_for(const std::function<bool()> &condition, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void run_for(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double char_ms(double chars)
{
    return chars * kBitsPerChar * 1000.0 / kBaud;
}

double rss_mb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int index = std::min(int(values.size()) - 1, int(std::ceil(p * values.size())) - 1);
    return values.at(std::max(0, index));
}

// Connects the core to the drive and waits for the page's first samples.
bool connect_drive(const QString &device, QMonitorWidget *page)
{
    QSoftCore *core = QSoftCore::get_core();
    tagSerialConfig config;
    config.port_name = device;
    if (!core->serial_connect(config))
        return false;
    const qint64 before = page->poller()->cycles();
    return wait_for([&] { return page->poller()->cycles() > before + 2; }, 20000);
}

// Per poll cycle: the protocol's time for the page's grouped reads.
double cycle_limit_ms(const QList<QMachineValue *> &values, int *reads, int *registers)
{
    const QList<QMission *> missions = QSoftCore::get_core()->make_mission(values);
    double limit = 0;
    *reads = int(missions.size());
    *registers = 0;
    for (QMission *m : missions) {
        const int count = m->get_attribute(MissionKey::length()).toInt();
        *registers += count;
        limit += char_ms(3.5) + char_ms(8) + kTurnaroundMs + char_ms(5 + 2 * count);
    }
    qDeleteAll(missions);
    return limit;
}

struct Throughput
{
    double rate = 0;
    double limit_rate = 0;
};

// Samples per second over the measuring window, and the lateness of a 10 ms
// timer meanwhile.
Throughput measure(QMonitorWidget *page, QList<double> *lateness)
{
    QList<QMachineValue *> values = page->poller()->values();
    int reads = 0;
    int registers = 0;
    const double limit_ms = cycle_limit_ms(values, &reads, &registers);

    run_for(kWarmupMs);
    qint64 samples = 0;
    QMetaObject::Connection counting =
        QObject::connect(page->poller(), &QMonitorPoller::sample_ready, [&samples] { ++samples; });
    QTimer lag;
    lag.setTimerType(Qt::PreciseTimer);
    lag.setInterval(kLagTimerMs);
    QElapsedTimer since;
    QObject::connect(&lag, &QTimer::timeout, [&] {
        const double late = since.nsecsElapsed() / 1e6 - kLagTimerMs;
        since.start();
        if (lateness)
            lateness->append(std::max(0.0, late));
    });
    QElapsedTimer clock;
    clock.start();
    since.start();
    lag.start();
    run_for(kMeasureMs);
    lag.stop();
    const double seconds = clock.nsecsElapsed() / 1e9;
    QObject::disconnect(counting);

    // Baseline of the same run: the same reads for as many samples, all
    // queued at once, as an upload does (the link's best on this machine).
    page->poller()->stop();
    run_for(300);
    const int rounds = std::max(20, int(samples / 2));
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    int answered = 0;
    QMetaObject::Connection bulk_done =
        QObject::connect(manager, &QMissionManager::mission_success, [&answered] { ++answered; });
    QElapsedTimer bulk;
    bulk.start();
    for (int r = 0; r < rounds; ++r) {
        const QList<QMission *> missions = QSoftCore::get_core()->make_mission(values);
        for (QMission *m : missions) {
            m->set_attribute(MissionKey::level(), QVariant(MissionLevel::Monitoring));
            manager->add_mission(m);
        }
        qDeleteAll(missions);
    }
    wait_for([&] { return answered >= rounds * reads; }, 120000);
    const double bulk_rate = rounds / (bulk.nsecsElapsed() / 1e9);
    QObject::disconnect(bulk_done);

    Throughput t;
    t.rate = samples / seconds;
    t.limit_rate = 1000.0 / limit_ms;
    std::printf("  %2lld values: %d reads (%d registers) per sample\n", static_cast<long long>(values.size()),
                reads, registers);
    std::printf("     measured        %.2f samples/s\n", t.rate);
    std::printf("     protocol limit  %.2f samples/s\n", t.limit_rate);
    std::printf("     measured/limit  %.3f (time per sample against the limit's; target <= 1.05)\n",
                t.limit_rate / t.rate);
    std::printf("     baseline: the same reads queued at once %.2f samples/s, %.3f x the limit's time; "
                "polling/baseline %.3f\n",
                bulk_rate, t.limit_rate / bulk_rate, bulk_rate / t.rate);
    return t;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QLocalCodec::install())
        return fail(QStringLiteral("no GBK codec"));
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("no temporary directory"));
    QSettingManager::set_default_file(dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(QStringLiteral(SOURCE_DIR "/machines"));

    DriveSim sim;
    if (!sim.start({QStringLiteral("--machine"), QStringLiteral(SOURCE_DIR "/machines/default.xml"),
                    QStringLiteral("--baud"), QString::number(kBaud), QStringLiteral("--turnaround"),
                    QString::number(kTurnaroundMs), QStringLiteral("--run")}))
        return fail(sim.error_string());

    QSoftCore *core = QSoftCore::get_core();
    QMonitorWidget page;
    auto *period = page.findChild<QComboBox *>(QStringLiteral("periodBox"));
    if (!period)
        return fail(QStringLiteral("the page has no period box"));
    const int fastest = period->findData(0);
    period->setCurrentIndex(fastest);
    emit period->activated(fastest);

    std::printf("Polling \"as fast as possible\" through the monitoring page, %d baud 8N1, turnaround %.0f ms\n",
                kBaud, kTurnaroundMs);

    // Eight values: the first eight runtime values of the description.
    QStringList eight;
    QStringList every;
    {
        QMachineConfig config;
        if (!config.load())
            return fail(config.error_string());
        const tagDataPage runtime = config.get_runtime_config()->get_page(0);
        for (int i = 0; i < runtime.rows.size(); ++i) {
            if (i < 8)
                eight << runtime.rows.at(i).value(0);
            every << runtime.rows.at(i).value(0);
        }
    }
    core->set_setting_value(QStringLiteral("Runtime.0"), QVariant(eight.join(QLatin1Char('.'))));
    if (!connect_drive(sim.device(), &page))
        return fail(QStringLiteral("no samples from %1").arg(sim.device()));
    measure(&page, nullptr);
    core->serial_disconnect();
    run_for(300);

    // Thirty values (every one chosen), with the trend in view.
    core->set_setting_value(QStringLiteral("Runtime.0"), QVariant(every.join(QLatin1Char('.'))));
    page.resize(1200, 800);
    page.show();
    if (!connect_drive(sim.device(), &page))
        return fail(QStringLiteral("no samples from %1").arg(sim.device()));
    if (page.poller()->values().size() != kValues)
        return fail(QStringLiteral("%1 values polled, not %2").arg(page.poller()->values().size()).arg(kValues));
    QList<double> lateness;
    measure(&page, &lateness);
    core->serial_disconnect();
    page.hide();
    std::printf("GUI event loop while 30 values are polled as fast as possible and the trend is drawn:\n");
    std::printf("  lateness of a %d ms timer: median %.2f ms, p99 %.2f ms, max %.2f ms over %lld shots "
                "(target p99 <= 30 ms)\n",
                kLagTimerMs, percentile(lateness, 0.5), percentile(lateness, 0.99), percentile(lateness, 1.0),
                static_cast<long long>(lateness.size()));

    // Eight hours of history, no line.
    const double rss_before = rss_mb();
    QTrendHistory history;
    QList<QTrendChart::Channel> channels;
    for (int c = 0; c < kValues; ++c) {
        const int channel = history.channel(QStringLiteral("U0-%1").arg(c, 2, 10, QLatin1Char('0')));
        channels.append({channel, history.key(channel), QString(), QTrendChart::colour(c), QString(), QString()});
    }
    const qint64 start = 1700000000000LL;
    const qint64 end = start + kHistoryHours * 3600 * 1000;
    QElapsedTimer feeding;
    feeding.start();
    qint64 appended = 0;
    for (qint64 t = start; t < end; t += kHistoryPeriodMs) {
        const double x = double(t - start) / 1000.0;
        for (int c = 0; c < kValues; ++c) {
            history.append(c, t, 50.0 * std::sin(x / (30.0 + c)) + 5.0 * std::sin(x * 1.7 + c) + c);
            ++appended;
        }
    }
    const double feed_s = feeding.nsecsElapsed() / 1e9;
    const double rss_after = rss_mb();

    QTrendChart chart(&history);
    chart.resize(1200, 600);
    chart.set_channels(channels);
    chart.show();
    run_for(200);
    double refresh_ms = 0;
    const auto redraw = [&](qint64 span, int *points) {
        chart.set_span(span);
        QList<double> times;
        QList<double> refreshes;
        for (int i = 0; i < 5; ++i) {
            QElapsedTimer t;
            t.start();
            *points = chart.refresh();
            refreshes << t.nsecsElapsed() / 1e6;
            chart.grab(); // paints the chart, as a screen update does
            times << t.nsecsElapsed() / 1e6;
        }
        refresh_ms = percentile(refreshes, 0.5);
        return percentile(times, 0.5);
    };
    int points_minute = 0;
    int points_all = 0;
    const double minute_ms = redraw(60 * 1000, &points_minute);
    const double minute_refresh_ms = refresh_ms;
    const double all_ms = redraw(kHistoryHours * 3600 * 1000, &points_all);
    const double all_refresh_ms = refresh_ms;
    QElapsedTimer scan;
    scan.start();
    qint64 scanned = 0;
    for (int c = 0; c < kValues; ++c)
        scanned += history.points(c, start, end, 400).size();
    const double scan_ms = scan.nsecsElapsed() / 1e6;
    std::printf("History of %lld hours, %d values at %d ms (%lld samples fed in %.1f s):\n",
                static_cast<long long>(kHistoryHours), kValues, kHistoryPeriodMs,
                static_cast<long long>(appended), feed_s);
    std::printf("  held: %lld full-rate samples, %lld min/max intervals\n",
                static_cast<long long>(history.sample_count()), static_cast<long long>(history.bucket_count()));
    std::printf("  process memory %.1f MB (%.1f MB before the history; target <= 200 MB)\n", rss_after,
                rss_before);
    std::printf("  the history's points for all eight hours, 400 intervals, 30 values: %.1f ms (%lld points)\n",
                scan_ms, static_cast<long long>(scanned));
    std::printf("  redraw (median of 5, points from the history and painting), target <= 50 ms:\n");
    std::printf("    last minute in view  %.1f ms (%d points; %.1f ms of it taking the points)\n", minute_ms,
                points_minute, minute_refresh_ms);
    std::printf("    all eight hours      %.1f ms (%d points; %.1f ms of it taking the points)\n", all_ms,
                points_all, all_refresh_ms);
    sim.stop();
    return 0;
}
