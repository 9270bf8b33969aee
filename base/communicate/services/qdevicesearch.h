#pragma once

#include <communicate/communicate_export.h>
#include <communicate/tagserialconfig.h>

#include <QElapsedTimer>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QStringList>

class QSerialTransport;
class QTcpTransport;
class QWorkerTransport;

// Parity and stop bits of one line setting to try (8 data bits).
struct tagFraming
{
    char parity = 'n';
    int stop = 1;

    // "8N1", "8E1", "8O1", "8N2", ...
    QString name() const
    {
        return QStringLiteral("8%1%2").arg(QChar::fromLatin1(char(parity - 'a' + 'A'))).arg(stop);
    }
    // From such a name (either case); false for anything else.
    static bool from_name(const QString &name, tagFraming *framing)
    {
        const QString n = name.trimmed().toLower();
        if (n.size() != 3 || n.at(0) != QLatin1Char('8') || !QStringLiteral("neo").contains(n.at(1))
            || (n.at(2) != QLatin1Char('1') && n.at(2) != QLatin1Char('2')))
            return false;
        framing->parity = n.at(1).toLatin1();
        framing->stop = n.at(2) == QLatin1Char('2') ? 2 : 1;
        return true;
    }
};

// What a search tries: every port at every baud rate with every framing,
// and on each of these every station of the range. 8 data bits.
struct COMMUNICATE_EXPORT tagSearchPlan
{
    QStringList ports;
    QList<int> baud_rates;
    QList<tagFraming> framings;
    int first_station = 1;
    int last_station = 247;
    // How long a probe waits for its answer after the request's line time
    // and the answer's; 0: the probe's line time plus 50 ms.
    int wait_ms = 0;
    // The quiet a slow drive needs before each request it hears (its
    // description's pause), in milliseconds; 0: the silent interval alone.
    int pause_ms = 0;

    // The common choices, in the order a technician tries them.
    static QList<int> standard_baud_rates();
    static QList<tagFraming> standard_framings();
    // Empty when the plan can be searched, else why not (in English, for
    // the log and the command line).
    QString check() const;
    int setting_count() const;
    int station_count() const;
};

// A drive that answered a probe.
struct tagFoundDrive
{
    // port_name, baud rate, parity, stop bits, 8 data bits, and the station
    tagSerialConfig config;
    int station = 0;
    // Register 0 as read, or -1 when the drive answered with an exception.
    int value = -1;
    int exception_code = 0;
    double response_ms = 0;
};

Q_DECLARE_METATYPE(tagFoundDrive)

// Looks for drives: probes register 0 of each station once (no retries) at
// each line setting of a plan. An answer, or a Modbus exception from that
// station, is a drive. It opens the ports through a link of its own, never
// the program's; a port that the program holds open cannot be opened and is
// reported like any port that fails.
//
// Lives in the thread that created it (a QCoreApplication is enough); the
// exchanges run in a worker thread of its own. Signals come from the event
// loop, never from inside start().
class COMMUNICATE_EXPORT QDeviceSearch : public QObject
{
    Q_OBJECT
public:
    explicit QDeviceSearch(QObject *parent = nullptr);
    ~QDeviceSearch() override;

    // False (and nothing starts) when the plan cannot be searched or a
    // search runs; error() says why.
    bool start(const tagSearchPlan &plan);
    // Ends the search at once: the port is closed when it returns, and
    // finished(true) follows. Nothing when no search runs.
    void stop();
    bool is_running() const { return m_running; }
    QString error() const { return m_error; }
    QList<tagFoundDrive> found_drives() const { return m_found; }

    // The line time of one probe: the silent interval, the request (8
    // characters) and the answer (7 characters).
    static qint64 probe_line_ns(int baud, const tagFraming &framing);
    // The default wait of a probe: its line time plus 50 ms, whole ms.
    static int default_wait_ms(int baud, const tagFraming &framing);

signals:
    void found(const tagFoundDrive &drive);
    // done of total probes; an estimate of the time left.
    void progress(int done, int total, qint64 ms_left);
    // A setting that could not be searched: the port did not open, refused
    // the line setting, or vanished during the search (its other settings
    // are skipped then).
    void setting_failed(const tagSerialConfig &config, const QString &reason);
    void finished(bool stopped);

private:
    void next_setting();
    void ask_next();
    void on_finished(int result, const QByteArray &answer, int exception_code);
    void on_port_lost(const QString &reason);
    void close_link();
    void end(bool stopped);
    void skip_port();
    int wait_for(const tagSerialConfig &config) const;
    void emit_progress();

    QSerialTransport *m_serial = nullptr;
    QTcpTransport *m_tcp = nullptr;
    QWorkerTransport *m_link = nullptr; // the one open, or null

    tagSearchPlan m_plan;
    QList<tagSerialConfig> m_settings;
    int m_setting = -1;
    // Stations of this setting not yet asked, the one asked now (0: none),
    // and those that got a garbled answer (asked once more at the end).
    QList<int> m_to_ask;
    int m_asking = 0;
    QList<int> m_garbled;
    bool m_second_round = false;
    QList<tagFoundDrive> m_found;
    bool m_running = false;
    int m_done = 0;
    int m_total = 0;
    QElapsedTimer m_clock;       // since start()
    QElapsedTimer m_probe_clock; // since the probe under way was handed over
    QString m_error;
    quint64 m_generation = 0; // a queued step of an ended search does nothing
};
