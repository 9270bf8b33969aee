#pragma once

#include "qlinktransport.h"
#include "tagserialconfig.h"

#include <QThread>

class QSerialWorker;

// The serial transport as the GUI thread sees it: starts and stops the worker
// thread, hands it requests and passes its results on. Each exchange carries
// an id, so a result that the worker reports after the port was closed (or
// reopened) is never taken for the answer to a newer exchange.
class QSerialTransport : public QLinkTransport
{
    Q_OBJECT
public:
    explicit QSerialTransport(QObject *parent = nullptr);
    ~QSerialTransport() override;

    // Blocking: the port is open (or not) when they return.
    bool open(const QString &name, const tagSerialConfig &config, QString *error);
    void close();

    void start_exchange(const QByteArray &request) override;
    int pipeline_depth() const override { return 16; }
    void recall() override;

    void set_timeout(int ms) { m_timeout_ms = ms; }
    int timeout() const { return m_timeout_ms; }
    void set_retries(int retries) { m_retries = retries; }
    int retries() const { return m_retries; }
    void set_silent_interval(int us) { m_silence_us = us; }
    int silent_interval() const { return m_silence_us; }
    // -1 auto (a real serial line runs at its baud rate, a pseudo-terminal
    // does not), 0 untimed, 1 timed; takes effect at the next open().
    void set_line_timing(int mode) { m_line_timing = mode; }
    int line_timing() const { return m_line_timing; }

signals:
    void port_lost(const QString &reason);

private:
    void on_finished(quint64 id, int result, const QByteArray &answer, int code);

    QThread m_thread;
    QSerialWorker *m_worker = nullptr;
    quint64 m_next_id = 1;
    QList<quint64> m_outstanding; // handed to the worker, oldest first
    int m_timeout_ms = 500;
    int m_retries = 2;
    int m_silence_us = -1;
    int m_line_timing = -1;
};
