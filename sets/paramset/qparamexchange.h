#pragma once

#include <paramset/paramset_export.h>
#include "parammissions.h"
#include "paramsnapshot.h"
#include "paramverify.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class QMachineValue;
class QMission;
class QMissionManager;

// Moves parameter values over a link and keeps what the drive answered to
// exactly its own missions: a full read (upload, compare, the backup before a
// download) or writes each followed by reading everything written back (the
// verified download). One run at a time, as one mission group; finished()
// comes from the event loop after the group has ended, so a progress dialog
// on that group is closed by then.
//
// It only listens to the mission manager, which it does not own; the values
// belong to the machine model, which must outlive a run. Whoever else decodes
// the answers (the core puts read answers into the model) is not disturbed.
class PARAMSET_EXPORT QParamExchange : public QObject
{
    Q_OBJECT
public:
    explicit QParamExchange(QMissionManager *manager, int station, QObject *parent = nullptr);
    ~QParamExchange() override;

    // Reads every register of the values. False (nothing queued) while
    // another run is under way.
    bool read(const QList<QMachineValue *> &values, const QString &group = QString());
    // Writes the raw values in order, then reads every written parameter
    // back, all in one group.
    bool write_and_verify(const QList<ParamVerify::Write> &writes, const QString &group = QString());

    bool is_running() const { return m_running; }
    // Forgets the run under way (its values are about to go away): its
    // missions still run, their answers are no longer looked at, and
    // finished() does not come.
    void abandon();
    // The station the next run talks to.
    void set_station(int station) { m_station = station; }
    // How the next runs write two-word values (one 0x10 request unless the
    // drive takes only 0x06).
    void set_two_words(ParamMissions::TwoWords how) { m_two_words = how; }
    // Whether the next runs go to the link as one mission group (the
    // default: a progress dialog follows it) or mission by mission, as a
    // single edit does; finished() then comes after the last answer.
    void set_grouped(bool grouped) { m_grouped = grouped; }

    // Results of the last run. What the drive answered, for each value of a
    // read or read-back that got its answer.
    QHash<QMachineValue *, int> values() const { return m_values; }
    // The same as code and raw value, in the order of `order`, each value once.
    QList<tagParamRaw> values_in(const QList<QMachineValue *> &order) const;
    // Values a read missed (their mission failed).
    QList<QMachineValue *> unread() const;
    // Writes that failed, with the first error code per parameter.
    QHash<QMachineValue *, int> write_errors() const { return m_write_errors; }
    // Parameters written in several requests of which some were taken and
    // some failed: the drive may hold half of the value.
    QSet<QMachineValue *> partly_written() const;
    // True when the link went away during the run (code 258).
    bool link_lost() const { return m_link_lost; }
    // The writes of the last write_and_verify, checked.
    tagVerifyReport report() const;
    // The writes of the last write_and_verify, as asked.
    QList<ParamVerify::Write> writes() const { return m_writes; }

signals:
    // Every mission of the run got an answer.
    void finished(bool complete);

private:
    void start(QList<QMission *> missions, const QString &group);
    void on_success(QMission *mission);
    void on_failed(QMission *mission, int code);
    void on_group_end();
    bool is_mine(QMission *mission) const;
    void count_done();
    void end_run();

    QMissionManager *m_manager;
    int m_station;
    int m_run = 0;
    bool m_running = false;
    int m_outstanding = 0;
    bool m_complete = true;
    bool m_link_lost = false;
    QList<QMachineValue *> m_asked;
    QHash<int, QMachineValue *> m_by_register; // every register of an asked value
    QHash<QMachineValue *, int> m_values;
    QHash<QMachineValue *, int> m_write_errors;
    QSet<QMachineValue *> m_write_taken; // one of its write requests was answered
    QList<ParamVerify::Write> m_writes;
    ParamMissions::TwoWords m_two_words = ParamMissions::TwoWords::OneRequest;
    bool m_grouped = true;
};
