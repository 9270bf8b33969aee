#pragma once

#include "qlinkworker.h"
#include "tagserialconfig.h"

#include <QAtomicInt>
#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QSerialPort>

#include <optional>

// The line side of the link; lives in the transport's worker thread and owns
// the port there. It runs one exchange at a time, start to end, without
// returning to its event loop: silent interval, request, answer, the quiet
// after the answer, retries, and draining the line after a time-out or a bad
// answer. Only byte arrays and numbers cross to the GUI thread.
//
// The rules that keep a stale answer out (one that belongs to an earlier
// request): whatever the device holds is read and thrown away right before a
// request is written; an answer counts only once the line stayed quiet for the
// silent interval after its last byte (bytes after it make it suspect: the
// attempt fails and is retried); on a line that really runs at its baud rate,
// bytes that come before the request can have left the wire, and a frame that
// is complete before it could have been sent, are stale.
//
// On Unix the worker reads and writes the device itself (one poll and one
// read per wake-up). Built with COMMUNICATE_PORTABLE_IO, it goes through
// QSerialPort's waiting functions only, as it does on every other system.
class QSerialWorker : public QLinkWorker
{
    Q_OBJECT
public:
    // Whether the line runs at its baud rate (a real serial line) or passes
    // bytes at once (a pseudo-terminal). Auto: real unless the device is a
    // pseudo-terminal.
    enum LineTiming { AutoTiming = -1, Untimed = 0, Timed = 1 };

    explicit QSerialWorker(QObject *parent = nullptr);
    ~QSerialWorker() override;

    // Run in the worker thread (the transport calls them blocking).
    bool open(const QString &name, const tagSerialConfig &config, int line_timing, QString *error);
    // RTU frames over a TCP connection (a serial device server): the same
    // exchange, without line timing on this side.
    bool open_socket(const QString &host, quint16 port, int connect_timeout_ms, QString *error);
    void close() override;
    bool line_timed() const { return m_timed; }

    enum Wait { GotBytes, Nothing, Lost, Stopped };

private:

    struct Report
    {
        quint64 id = 0;
        int result = 0;
        QByteArray answer;
        int code = 0;
    };

    enum Attempt { Accepted, NoBytes, BadBytes, OrphansAnswer, Abandoned };

    // A request that got no answer: the drive may still answer it, late.
    struct Orphan
    {
        QByteArray request;
        qint64 until_ns = 0; // after this nobody waits for its answer any more
    };

    bool is_open() const override { return m_port && !m_lost; }
    // The whole exchange with its retries; false when it was abandoned (port
    // lost, closed, aborted).
    bool run(const Request &request) override;
    void exchanges_done() override;
    // maybe_late: the answer could also be the late answer of an earlier
    // request that got none.
    Attempt attempt(const Request &request, Report *report, bool *maybe_late);
    // Counts the outcome of one try.
    void count(Attempt attempt, const Report &report);
    void received(qint64 bytes);
    // Gives up the exchange on the line; always false.
    bool abandon(const Request &request);
    // Waits until the line was quiet for quiet_ns (bytes are thrown away), or
    // limit_ns passed; false when the exchange must be abandoned.
    bool keep_quiet(qint64 quiet_ns, qint64 limit_ns);
    bool write_request(const QByteArray &request);
    // Appends what the device holds now, without waiting.
    Wait read_now(QByteArray *into);
    // Appends what comes within left_ns.
    Wait wait_input(qint64 left_ns, QByteArray *into);
    bool stopping() const;
    // Whether frame could be the late answer to a request that got none.
    // OrphanSlow: it came far slower than answers do, so it is taken for that
    // late answer; OrphanFits: it came in time, but could still be it.
    enum OrphanCheck { NoOrphan, OrphanFits, OrphanSlow };
    OrphanCheck check_orphans(const QByteArray &frame, qint64 excess_ns);
    // Bytes thrown away: a frame in them was the late answer it could be.
    void forget_orphan(const QByteArray &bytes);
    void note_response(qint64 excess_ns);
    void flush_report();
    void lose(const QString &reason);
    void on_ready_read();
    void on_error(QSerialPort::SerialPortError error);
    void on_lost();
    qint64 now() const { return m_clock.nsecsElapsed(); }
    qint64 line_ns(int bytes) const;

    QIODevice *m_port = nullptr; // the serial port, or the socket to a serial server
    int m_fd = -1;
    bool m_socket = false;
    bool m_lost = false; // the port reported a failure; it is closed at the next look
    QString m_lost_reason;
    QElapsedTimer m_clock;

    int m_baud = 19200;
    int m_bits_per_char = 10;
    bool m_timed = false;
    qint64 m_last_line_ns = 0; // last byte seen on the line (either way)
    qint64 m_silence_ns = 0;
    QList<Orphan> m_orphans;
    // How long answers take beyond their line time, the last few of them.
    QList<qint64> m_excess_ns;

    // The result of an answered exchange waits until the next request is on
    // its way (or the worker has nothing more to do): the manager's work on
    // it then overlaps the line.
    std::optional<Report> m_report;

    // For the counters: the try about to go out is the exchange's first;
    // the bad answer of the last try failed its check sum; the time from
    // the request to its accepted answer.
    bool m_first_try = true;
    bool m_bad_crc = false;
    qint64 m_response_ns = 0;
};
