#pragma once

#include "drivefaults.h"
#include "driveregisters.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>

#include <map>

class QSocketNotifier;

// Options of one simulated drive; the command line fills them, the control
// channel changes the fault ones while it runs.
struct DriveOptions
{
    QString link;           // where the pseudo-terminal's device is published
    QString port;           // or a real serial port to serve instead
    QString machine;        // description file
    QList<int> stations{ 1 }; // each with registers of its own
    int version = 100;
    QString serial;         // in the serial-number registers the description names
    int baud = 0;           // line timing; 0 = answers go out at once
    int bits_per_char = 10; // 8N1
    int port_baud = 19200;  // speed set on a real port; the drive's own line speed
    char parity = 'n';      // the drive's own framing (8 data bits)
    int stop = 1;
    bool any_line = false;  // answer whatever line setting the master uses
    double turnaround_ms = 0;
    double drop_rate = 0;
    double corrupt_rate = 0;
    double late_rate = 0;
    int late_ms = 1000;
    double garbage_rate = 0;
    double truncate_rate = 0;
    double split_rate = 0;
    int split_ms = 20;
    double wrong_station_rate = 0;
    double wrong_function_rate = 0;
    double wrong_count_rate = 0;
    int hangup_after = -1;  // frames answered before the adapter is pulled
    quint32 seed = 1;
    // Served over TCP instead when tcp_port >= 0 (0: any free port): Modbus
    // TCP, or RTU frames as a serial device server passes them.
    int tcp_port = -1;
    bool rtu_over_tcp = false;
    QString listen = QStringLiteral("127.0.0.1");
    bool run = false; // the motor runs from the start
    // Every read of a runtime register answers the number of requests heard
    // so far (as a running drive's values change between two reads).
    bool changing = false;
    // The line returns every byte the master sends, as a two-wire RS-485
    // adapter does.
    bool echo = false;
    // Write faults to set at start, as control commands ("clamp 61447 100").
    QStringList fault_commands;
};

// The simulated drive: a pseudo-terminal (or a real port) on which it answers
// Modbus RTU requests for one or more stations, each from a register space
// of its own, with line timing and faults on demand. Like drives on a real
// bus, it answers on a pseudo-terminal only when the master's line settings
// are its own (see master_line()).

class DriveSimulator : public QObject
{
    Q_OBJECT
public:
    explicit DriveSimulator(const DriveOptions &options, QObject *parent = nullptr);
    ~DriveSimulator() override;

    bool start(QString *error);
    // The device the master opens (the pty's slave, or the real port).
    QString device() const { return m_device; }
    // Closes the line now, like an unplugged adapter; removes the link.
    void hangup();
    void stop();

    // One control command; returns the reply lines (the last one "ok ..." or
    // "error ...").
    QStringList command(const QString &line);

private:
    enum Fault { NONE, DROP, CORRUPT, LATE, GARBAGE, TRUNCATE, SPLIT, WRONG_STATION, WRONG_FUNCTION, WRONG_COUNT };

    struct Piece
    {
        qint64 at_ns; // when to write, on m_clock
        QByteArray bytes;
    };

    // The master's line settings as far as they are known: baud rate and
    // stop bits from the pseudo-terminal, which reports what the master
    // set (parity it does not report: the kernel clears it), or all three
    // as the "line" command gave them. parity 0: not known.
    struct Line
    {
        int baud = 0;
        char parity = 0;
        int stop = 0;
    };
    Line master_line() const;
    bool line_matches() const;
    DriveRegisters &registers() { return m_stations[m_selected]; }

    void on_readable();
    void parse_requests();
    void handle_request(const QByteArray &frame, qint64 received_ns);
    QByteArray answer_for(DriveRegisters &registers, const QByteArray &frame);
    Fault pick_fault();
    void schedule(const QByteArray &answer, Fault fault, qint64 ready_ns);
    void flush_pieces();
    void wait_receiving(qint64 ns);
    void take_pending_requests();
    void write_bytes(const QByteArray &bytes);
    bool set_fault(const QString &name, const QString &value, QString *error);
    static Fault fault_from_name(const QString &name, bool *ok);
    static QString fault_name(Fault fault);

    // TCP side (drivesimtcp.cpp): one client at a time; its socket takes the
    // place of the pseudo-terminal, so everything else works as on a line.
    bool start_listening(QString *error);
    void stop_listening();
    void on_connection();
    // Before the client's socket is closed: the close becomes a reset.
    void reset_client();
    // Modbus TCP requests in m_rx, handed on as the RTU frames they stand for.
    void parse_mbap();
    // The answer in MBAP, with the faults that take another form there.
    QByteArray mbap_answer(const QByteArray &rtu_answer, Fault *fault);

    DriveOptions m_options;
    std::map<int, DriveRegisters> m_stations;
    int m_selected = 1; // the station the control commands address
    bool m_line_given = false; // the "line" command set what the master uses
    Line m_given_line;
    DriveFaults m_faults; // the same on every station
    QRandomGenerator m_random;
    QElapsedTimer m_clock;

    int m_master_fd = -1;
    int m_slave_fd = -1; // held open so the master never sees a hang-up between clients
    QString m_device;
    QString m_published_link;
    QSocketNotifier *m_notifier = nullptr;

    QByteArray m_rx;
    qint64 m_rx_last_ns = 0;
    bool m_rx_pending = false; // read while waiting to send, not parsed yet
    bool m_in_parse = false;
    QTimer m_gap_timer;     // an incomplete frame that stops growing is dropped
    QList<Piece> m_pieces;  // answers (or pieces of them) waiting for their time
    QTimer m_piece_timer;
    QTimer m_motor_timer;
    QList<Fault> m_next_faults;
    // "hold 1": answers wait here until "hold 0" sends them (a test decides
    // exactly when a request on the line is answered).
    bool m_hold = false;
    QList<QByteArray> m_held;

    qint64 m_requests = 0;
    qint64 m_answers = 0;
    qint64 m_bad_frames = 0;
    qint64 m_mismatched = 0; // requests at another line setting: not heard
    QMap<Fault, qint64> m_faults_done;

    int m_listen_fd = -1;
    QSocketNotifier *m_listen_notifier = nullptr;
    bool m_mbap = false;
    // When the last answer on the line was ready, on m_clock: a slow drive
    // hears nothing before its pause after it has passed.
    qint64 m_answered_ns = -1;
    quint16 m_tid = 0;      // of the request being answered
    int m_corrupt_turn = 0; // which MBAP field the next corrupt answer breaks
};
