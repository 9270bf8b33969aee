#pragma once

#include "communicate_export.h"

#include <QList>
#include <QObject>
#include <QString>

class QMission;

// The queue of missions of one link. Lives in the GUI thread; it hands one
// request at a time to the serial transport (a worker thread) and turns the
// answers back into mission_success / mission_failed.
//
// Ownership: add_mission and add_mission_group copy the missions they are
// given; set_connect_mission takes the probe itself. The QMission* passed with
// mission_success / mission_failed is the manager's own copy and is valid only
// during the signal.
//
// Error codes of mission_failed: 1..255 the drive's Modbus exception code;
// 256 no answer after all retries; 257 only malformed answers; 258 the link
// closed while the mission was queued or running.
class COMMUNICATE_EXPORT QMissionManager : public QObject
{
    Q_OBJECT
public:
    enum ErrorCode { ERR_NO_ANSWER = 256, ERR_MALFORMED = 257, ERR_LINK_CLOSED = 258 };

    explicit QMissionManager(QObject *parent = nullptr);
    ~QMissionManager() override;

    void set_connect_mission(QMission *mission);
    void add_mission(QMission *mission);
    void add_mission_group(const QList<QMission *> &missions, const QString &name);
    void reset();
    QString group_mission_name() const;

    // Number of missions waiting (not counting the one on the line).
    int pending_count() const;

signals:
    void mission_success(QMission *mission);
    void mission_failed(QMission *mission, int code);
    void machine_version(int version);
    void mission_group_start(int size);
    void mission_group_progress(int left);
    void mission_group_end(bool success);

private:
    friend class QCommunicate;
    class Private;
    Private *d;
};
