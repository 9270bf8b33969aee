#pragma once

#include "qworkertransport.h"
#include "tagserialconfig.h"

class QSerialWorker;

// The RTU link: a serial port, or RTU frames over a TCP connection to a
// serial device server (rtutcp://host:port), through the serial worker.
class QSerialTransport : public QWorkerTransport
{
    Q_OBJECT
public:
    explicit QSerialTransport(QObject *parent = nullptr);

    // Blocking: the port is open (or not) when it returns.
    bool open(const QString &name, const tagSerialConfig &config, QString *error);

    void set_silent_interval(int us) { m_silence_us = us; }
    int silent_interval() const { return m_silence_us; }
    // -1 auto (a real serial line runs at its baud rate, a pseudo-terminal
    // does not), 0 untimed, 1 timed; takes effect at the next open().
    void set_line_timing(int mode) { m_line_timing = mode; }
    int line_timing() const { return m_line_timing; }

private:
    QSerialTransport(QSerialWorker *worker, QObject *parent);

    QSerialWorker *m_serial = nullptr; // owned by the base, in the worker thread
    int m_line_timing = -1;
};
