#pragma once

#include <communicate/communicate_export.h>
#include <communicate/tagserialconfig.h>

#include <QObject>

class QLinkStatistics;
class QMissionManager;

// The serial link: owns the port (in a worker thread) and the mission manager.
// open() opens the port and starts sending the connect mission until the drive
// answers; the first answer emits online(). Every loss of the port (closed(),
// adapter unplugged, three missions in a row without any answer) emits
// offline() once; missions still queued then fail with code 258.
//
// A port name tcp://host[:port] or rtutcp://host:port opens a TCP connection
// instead (Modbus TCP, or RTU frames through a serial device server); the
// missions, error codes and link life are the same, and a connection that
// closes or resets counts as an unplugged adapter. Time-out and retries apply
// to both kinds; the silent interval, line timing and local echo
// (tagSerialConfig::local_echo) only to a serial line.
class COMMUNICATE_EXPORT QCommunicate : public QObject
{
    Q_OBJECT
public:
    explicit QCommunicate(QObject *parent = nullptr);
    ~QCommunicate() override;

    bool open(const tagSerialConfig &config);
    void closed();

    // 0 while the port is open.
    int serial_status() const;
    // 0 while the port is open and the drive has answered.
    int commu_status() const;

    QMissionManager *mission_manager() const;

    // Answer time-out in milliseconds (default 500) and retries after the
    // first try (default 2).
    void set_timeout(int ms);
    int timeout() const;
    void set_retries(int retries);
    int retries() const;

    // Silent interval kept before each request, in microseconds; -1 (the
    // default) keeps the protocol's 3.5 characters (1.75 ms above 19200
    // baud). A link that is no line (a pseudo-terminal without a simulated
    // line) may set 0.
    void set_silent_interval(int microseconds);
    int silent_interval() const;

    // Whether the line runs at its baud rate, so that an answer cannot begin
    // before the request has left the wire (bytes that come sooner are
    // stale): -1 (the default) decides by the device (a real serial port is
    // timed, a pseudo-terminal is not), 0 untimed, 1 timed (a pseudo-terminal
    // behind a simulated line). Takes effect at the next open().
    void set_line_timing(int mode);
    int line_timing() const;

    // What happened on the line, counted by the link's worker: for this
    // connection (from the last successful open()) and in total. Read it
    // whenever you like; it sends no signal.
    QLinkStatistics *statistics() const;

    // The device path that config names (port_name, or the port number mapped
    // to a device as described in tagSerialConfig).
    static QString port_for(const tagSerialConfig &config);

signals:
    void online();
    void offline();

private:
    class Private;
    Private *d;
};
