#pragma once

#include <communicate/transports/qworkertransport.h>
#include <communicate/tagserialconfig.h>


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
    // The adapter returns every byte sent (a two-wire RS-485 adapter): the
    // echo of each request is expected and removed. At the next open().
    void set_local_echo(bool on) { m_local_echo = on; }
    bool local_echo() const { return m_local_echo; }

private:
    int m_line_timing = -1;
    bool m_local_echo = false;
};
