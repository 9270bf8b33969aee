#pragma once

#include <communicate/communicate_export.h>

#include <QList>
#include <QObject>
#include <QString>

class QLinkTransport;
class QMission;

// The queue of missions of one link. Lives in the GUI thread; it hands the
// requests to the link's transport (serial or TCP, each with a worker
// thread), the next ones while one is on the line (below), and turns the
// answers back into mission_success / mission_failed.
//
// Ownership: add_mission and add_mission_group copy the missions they are
// given; set_connect_mission takes the probe itself. The QMission* passed with
// mission_success / mission_failed is the manager's own copy and is valid only
// during the signal.
//
// Error codes of mission_failed: 1..255 the drive's Modbus exception code;
// 256 no answer after all retries; 257 only malformed answers; 258 the link
// closed while the mission was queued or running. A mission whose attributes
// make no valid request (see QMission::update_send_buffer) is never sent and
// fails with 3, the code a drive gives to a request it cannot serve.
//
// Nothing is emitted from inside add_mission, add_mission_group,
// set_connect_mission or reset: results, failures of missions added while the
// port is closed and the start and end of a group (an empty one included) all
// come from the event loop, so a caller finishes queueing before any of them.
// group_mission_name() keeps the name of the last group until the next group
// starts, so queued receivers of mission_group_end can still ask for it.
//
// The connect mission is sent after link_opened() until the drive answers it;
// failed probes are repeated, not reported. Its first answer emits link_up()
// (QCommunicate::online()), machine_version(register 0) and mission_success
// for the probe. Missions added meanwhile wait for that answer.
//
// Higher level (MissionKey::level()) first, equal levels in order of arrival. The serial
// transport is handed the next requests while the current one is on the line
// (QLinkTransport::pipeline_depth()); when a mission of higher level comes,
// those not yet on the line are taken back, so it goes right after the one
// on the line.
class COMMUNICATE_EXPORT QMissionManager : public QObject
{
    Q_OBJECT
public:
    enum ErrorCode { ERR_NO_ANSWER = 256, ERR_MALFORMED = 257, ERR_LINK_CLOSED = 258, ERR_ECHO = 259 };

    explicit QMissionManager(QObject *parent = nullptr);
    ~QMissionManager() override;

    void set_connect_mission(QMission *mission);
    void add_mission(QMission *mission);
    void add_mission_group(const QList<QMission *> &missions, const QString &name);
    void reset();
    QString group_mission_name() const;

    // Number of missions waiting (not counting the one on the line).
    int pending_count() const;
    // Number of missions handed to the link whose results are not in yet:
    // the one on the line, and those behind it that were started or
    // answered before a mission of higher level came.
    int in_flight_count() const;

    // The link seam, driven by QCommunicate (and by unit tests with a
    // scripted transport). The transport is not owned.
    void set_transport(QLinkTransport *transport);
    // The port is open: probe until the drive answers.
    void link_opened();
    // The port is gone: the running and queued missions fail with 258, a
    // running group ends with failure; link_down() once if the link was open.
    void link_closed();
    // The port is open and the drive has answered.
    bool is_online() const;
    // Pause between two unanswered probes (default 100 ms).
    void set_probe_interval(int ms);
    // Why the last probe of this connection failed (ERR_NO_ANSWER,
    // ERR_MALFORMED, ERR_ECHO; 0 before the first failure), and for a
    // malformed answer what came.
    int probe_failure(QByteArray *bytes = nullptr) const;

signals:
    void mission_success(QMission *mission);
    void mission_failed(QMission *mission, int code);
    void machine_version(int version);
    void mission_group_start(int size);
    void mission_group_progress(int left);
    void mission_group_end(bool success);

    void link_up();
    void link_down();
    // Three missions in a row got no answer at all; the link counts as lost
    // (link_closed() follows at once; the owner closes the port on this signal).
    void link_silent();

private:
    friend class QCommunicate;
    class Private;
    Private *d;
};
