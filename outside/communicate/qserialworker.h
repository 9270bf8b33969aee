#pragma once

#include "tagserialconfig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <optional>

// The line side of the link; lives in the transport's worker thread and owns
// the port there. It runs one exchange at a time: silent interval, request,
// answer framing, retries, and draining the line after a time-out or a bad
// frame so that a late answer is never taken for the answer to the next
// request. Only byte arrays and numbers cross to the GUI thread.
class QSerialWorker : public QObject
{
    Q_OBJECT
public:
    explicit QSerialWorker(QObject *parent = nullptr);
    ~QSerialWorker() override;

    // Run in the worker thread (the transport calls them blocking).
    bool open(const QString &name, const tagSerialConfig &config, QString *error);
    void close();

    // Called from the transport's thread (safe from any thread). Exchanges
    // handed over while one runs wait for it and go on the line one after
    // another. The worker thread is woken only when it has nothing to do: a
    // busy worker takes the next request straight from the queue.
    // silence_us: the silent interval before the request; -1 = 3.5 characters.
    void enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us);
    // Takes back the exchanges that have not started (safe from any thread);
    // their ids, oldest first. Whatever is not returned is on the line or done.
    QList<quint64> take_waiting();

signals:
    void finished(quint64 id, int result, const QByteArray &answer, int exception_code);
    // The port failed (adapter unplugged, device gone); it is closed already.
    void port_lost(const QString &reason);

private:
    enum Phase { Idle, Silence, Waiting, Draining };

    struct Request
    {
        quint64 id = 0;
        QByteArray request;
        int timeout_ms = 0;
        int tries = 0;
        int silence_us = -1;
    };

    struct Report
    {
        quint64 id = 0;
        int result = 0;
        QByteArray answer;
        int code = 0;
    };

    void kick();
    // The next waiting request; false (and the worker counts as asleep) when
    // there is none.
    bool take_next(Request *next);
    // Emits the result held back by finish(), if any.
    void flush_report();
    void on_ready_read();
    // Takes what the port has buffered (an answer, noise, or a late reply).
    void take_input();
    // Bytes off the line, whoever read them.
    void handle_input(const char *data, qsizetype size);
    // Waits up to left_ns for input and takes it; false on time-out or when
    // the port must deal with the device itself (error, hang-up).
    bool wait_input(qint64 left_ns);
    void write_request();
    void on_error(QSerialPort::SerialPortError error);
    void on_timer();
    void start_attempt();
    void send();
    void attempt_failed(bool got_bytes);
    void finish(int result, const QByteArray &answer, int code);
    void drain(qint64 quiet_ms);
    qint64 now() const { return m_clock.nsecsElapsed(); }

    QSerialPort *m_port = nullptr;
    bool m_lost = false; // the port failed; it is closed on the next turn of the loop
    QTimer m_timer;
    QElapsedTimer m_clock;
    Phase m_phase = Idle;

    int m_baud = 19200;
    int m_bits_per_char = 10;
    qint64 m_last_line_ns = 0; // last byte seen on the line (either way)

    // Shared with the transport's thread, under m_queue_lock.
    QMutex m_queue_lock;
    QList<Request> m_waiting; // handed over ahead, run one after another
    bool m_asleep = true;     // the worker looks at m_waiting again only when woken

    // A finished exchange whose report waits until the next request is on
    // its way (or the worker has nothing more to do).
    std::optional<Report> m_report;
    bool m_has_exchange = false;
    bool m_in_kick = false;
    quint64 m_id = 0;
    QByteArray m_request;
    int m_timeout_ms = 500;
    int m_tries_left = 0;
    qint64 m_silence_ns = 0;
    qint64 m_request_sent_ns = 0;
    bool m_any_bytes = false;
    QByteArray m_rx;
    qint64 m_drain_quiet_ms = 0;
};
