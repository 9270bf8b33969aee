#pragma once

#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the simulated drive (drive-sim from the program directory) for a test:
// starts it on its own pseudo-terminal, published in a temporary directory,
// and talks to its control channel. Every call waits a bounded time; a failed
// call returns false (or an empty result) and error_string() says why, so a
// test fails with a reason instead of hanging.
class DriveSim
{
public:
    DriveSim();
    ~DriveSim();
    DriveSim(const DriveSim &) = delete;
    DriveSim &operator=(const DriveSim &) = delete;

    // The program started by start().
    static QString program();

    // Starts drive-sim with extra arguments (for example --machine, --baud,
    // --turnaround, fault rates). --link is added unless given, or unless
    // --tcp PORT / --rtu-tcp PORT serve it over TCP (PORT 0: a free one).
    bool start(const QStringList &arguments = QStringList(), int timeout_ms = 10000);
    bool is_running() const;
    // The device path to open (the published link), or the port name
    // (tcp://127.0.0.1:PORT, rtutcp://...) when it is served over TCP.
    QString device() const { return m_link; }
    QString error_string() const { return m_error; }

    // Control channel.
    QList<int> get(int address, int count = 1, bool *ok = nullptr);
    int get_one(int address, bool *ok = nullptr);
    bool set(int address, int value);
    QMap<int, int> dump(bool *ok = nullptr);
    bool fault(const QString &name, const QString &value);
    bool hangup();
    // Any command: the reply lines, the last one "ok ..." (returns true) or
    // "error ..." (returns false).
    bool command(const QString &line, QStringList *reply = nullptr, int timeout_ms = 5000);

    // Asks it to quit, then terminates and kills it if it does not.
    void stop();

private:
    bool read_line(QString *line, int timeout_ms);

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_link;
    QString m_error;
    QByteArray m_buffer;
};
