#pragma once

#include <communicate/engine/qexchangerules.h>
#include <communicate/tagserialconfig.h>

#include <QAtomicInt>
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <memory>

class QIODevice;
class QLinkDevice;
class QLinkStatistics;
class QRtuEngine;

// The one worker loop of every link, whatever it talks to: a serial device,
// a TCP connection to a serial device server (RTU frames), or a Modbus TCP
// server. It lives in the transport's worker thread and owns the device
// there; it runs one exchange at a time, start to end, without returning to
// its event loop, and moves bytes and time between the device (a thin
// adapter, QLinkDevice) and the exchange rules (QRtuEngine or QMbapEngine),
// which make every decision. It alone sees abort, device loss and reporting.
//
// The queue of exchanges is filled from the GUI thread; the worker thread is
// woken only when it has nothing to do: a busy worker takes the next request
// straight from the queue.
class QLinkWorker : public QObject
{
    Q_OBJECT
public:
    // Whether a serial line runs at its baud rate (a real serial line) or
    // passes bytes at once (a pseudo-terminal). Auto: real unless the device
    // is a pseudo-terminal.
    enum LineTiming { AutoTiming = -1, Untimed = 0, Timed = 1 };

    explicit QLinkWorker(QObject *parent = nullptr);
    ~QLinkWorker() override;

    // Run in the worker thread (the transport calls them blocking).
    bool open_serial(const QString &name, const tagSerialConfig &config, int line_timing, bool local_echo,
                     QString *error);
    // rtu: RTU frames through a serial device server; else Modbus TCP.
    bool open_socket(const QString &host, quint16 port, bool rtu, int connect_timeout_ms, QString *error);
    void close();

    // Safe from any thread. silence_us: the silent interval before the
    // request; -1 = the line's own (ignored where there is no line).
    // miss_quiet_ms: how long the line must stay quiet after a try without
    // an answer before anything else goes on it; -1 = a whole time-out.
    // pause_ms: the quiet a slow drive needs before each request, where it
    // is longer than the rules' own (0: none).
    void enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us,
                 int miss_quiet_ms = -1, int pause_ms = 0);
    // Takes back the exchanges that have not started; their ids, oldest
    // first. Whatever is not returned is on the line or done.
    QList<quint64> take_waiting();
    // The exchange on the line is abandoned within a few milliseconds,
    // without a report (close() or an open follows).
    void abort();
    // Where the rules count what happens on the line (not owned; null:
    // nowhere). Set while no exchange runs.
    void set_statistics(QLinkStatistics *statistics);

signals:
    void finished(quint64 id, int result, const QByteArray &answer, int exception_code);
    // The device failed (adapter unplugged, connection reset); it is closed already.
    void port_lost(const QString &reason);

private:
    struct Request
    {
        quint64 id = 0;
        QByteArray request;
        int timeout_ms = 0;
        int tries = 0;
        int silence_us = -1;
        int miss_quiet_ms = -1;
        int pause_ms = 0;
    };
    struct Report
    {
        quint64 id = 0;
        int result = 0;
        QByteArray answer;
        int code = 0;
    };

    // Takes a freshly opened device and the rules for it.
    void take_device(QIODevice *device, bool socket, std::unique_ptr<QExchangeRules> rules);
    bool is_open() const { return m_device && !m_lost; }
    bool stopping() const { return !m_device || m_lost || m_abort.loadRelaxed() != 0; }
    void kick();
    bool take_next(Request *next);
    // The whole exchange; false when it was abandoned.
    bool run(const Request &request);
    bool abandon(const Request &request);
    // After a request went out: results held back go out unless they can
    // wait a little longer.
    void report_if_due();
    void flush_reports();
    // After an abort() that no close follows (a failed open of another
    // device): what the abort interrupted runs again.
    void resume();
    void lose(const QString &reason);
    void on_ready_read();
    void on_lost();
    qint64 now() const { return m_clock.nsecsElapsed(); }

    QMutex m_queue_lock;
    QList<Request> m_waiting;
    bool m_asleep = true; // the worker looks at m_waiting again only when woken
    QAtomicInt m_abort;
    bool m_busy = false;
    std::atomic<QLinkStatistics *> m_statistics{ nullptr };

    QIODevice *m_device = nullptr; // QSerialPort or QTcpSocket, owned
    std::unique_ptr<QLinkDevice> m_io;
    std::unique_ptr<QExchangeRules> m_rules;
    bool m_lost = false; // the device failed; it is closed at the next look
    QString m_lost_reason;
    QElapsedTimer m_clock;
    // Results of answered exchanges wait until the next request is on its
    // way (or the queue ran dry): the manager's work on them then overlaps
    // the line. While plenty waits, they go in small batches, so that the
    // manager is woken once for several.
    QList<Report> m_reports;
};
