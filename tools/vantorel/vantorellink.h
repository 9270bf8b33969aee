#pragma once

#include <communicate/tagserialconfig.h>

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QCommunicate;
struct DriveProfile;
class QMission;
class QMissionManager;

// The tool's side of one link to one station: opens the port, probes the
// station until it answers (or the wait runs out) and runs lists of missions
// to their end, waiting in a local event loop. Owns the link; closing it or
// destroying the object closes the port.
class VantorelLink : public QObject
{
    Q_OBJECT
public:
    explicit VantorelLink(QObject *parent = nullptr);
    ~VantorelLink() override;

    void set_timeout(int ms, int retries);
    // Names the parameter at a register in failure texts ("F0-07 键盘设定频率").
    void set_namer(const std::function<QString(int address)> &namer) { m_namer = namer; }
    // How long open() waits for the station's first answer.
    void set_connect_wait(int ms) { m_connect_wait = ms; }

    // False when the port cannot be opened or the station does not answer;
    // error() says which, exit_code() gives the tool's exit code.
    bool open(const tagSerialConfig &config, int station);
    // The same in two steps: start() opens the port and hands over the
    // probe, which goes out as soon as the event loop runs (the caller may
    // meanwhile do its own work); wait_online() waits for the answer.
    void start(const tagSerialConfig &config, int station);
    bool wait_online();
    // The drive's own timing (its description's profile) for the probe from
    // now on, while it is still being asked for; the other missions carry it
    // themselves.
    void set_profile(const DriveProfile &profile);
    void close();
    int version() const { return m_version; }
    // Reads the serial-number registers the profile names (nothing to do
    // without them). False, with error() and exit_code(), when the drive
    // did not answer the read; serial() stays empty then.
    bool read_serial(const DriveProfile &profile);
    // The drive's serial number; empty when not read or when the registers
    // hold none.
    QString serial() const { return m_serial; }
    QString port() const;
    QMissionManager *manager() const;
    int station() const { return m_station; }

    struct Failure
    {
        int address = 0;
        int code = 0;
        bool write = false;
    };
    using Answer = std::function<void(const QMission &)>;
    using Progress = std::function<void(int done, int total)>;

    // Runs the missions (the caller keeps ownership), in order, as one
    // group; each answer goes to answer as it comes. True when every mission
    // was answered; otherwise failures() lists those that were not.
    bool run(const QList<QMission *> &missions, const Answer &answer, const Progress &progress = {});
    // The same for a group someone else hands to manager() (a parameter
    // exchange): start() queues it; the wait ends with the group.
    bool watch(const std::function<void()> &start, const Answer &answer, const Progress &progress = {});
    QList<Failure> failures() const { return m_failures; }
    // The one line for a failed run or open, and the exit code it means.
    QString error() const { return m_error; }
    int exit_code() const { return m_exit; }

signals:
    void answered();

private:
    QCommunicate *m_link;
    tagSerialConfig m_config;
    QElapsedTimer m_since;
    std::function<QString(int)> m_namer;
    int m_connect_wait = 3000;
    int m_station = 1;
    int m_version = -1;
    QString m_serial;
    QList<Failure> m_failures;
    QString m_error;
    int m_exit = 0;
};
