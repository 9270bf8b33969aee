#pragma once

#include "tagserialconfig.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QTimer>

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

    // Queued from the transport; exchanges handed over while one runs wait
    // for it and go on the line one after another.
    // silence_us: the silent interval before the request; -1 = 3.5 characters.
    void exchange(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us);
    // Gives back the exchanges that have not started.
    void recall();

signals:
    void finished(quint64 id, int result, const QByteArray &answer, int exception_code);
    void recalled(const QList<quint64> &ids);
    // The port failed (adapter unplugged, device gone); it is closed already.
    void port_lost(const QString &reason);

private:
    enum Phase { Idle, Silence, Waiting, Draining };

    struct Request
    {
        quint64 id;
        QByteArray request;
        int timeout_ms;
        int tries;
        qint64 silence_ns;
    };

    void kick();
    void on_ready_read();
    // Takes what the port has buffered (an answer, noise, or a late reply).
    void take_input();
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

    QList<Request> m_waiting; // handed over ahead, run one after another
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
