#pragma once

#include <communicate/communicate_export.h>

#include <QByteArray>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <communicate/missions/missionvocabulary.h>

// What a mission does on the line.
enum enMissionType {
    MISSION_WRITE = 0,        // write one register (0x06)
    MISSION_READ_BACK = 1,    // read back after a write (0x03)
    MISSION_WRITE_MULTI = 2,  // write several registers (0x10)
    MISSION_READ = 3          // read registers (0x03)
};

// One request and answer exchange. A plain value: the mission manager keeps
// its own copy of every mission handed to it, so callers delete theirs at once.
//
// Attributes: the keys of MissionKey (missionvocabulary.h).
class COMMUNICATE_EXPORT QMission
{
public:
    explicit QMission(enMissionType type = MISSION_READ);

    // The connect probe: a read of the one register at address 0 of the
    // station, which holds the drive's software version. Send buffer built.
    static QMission connect_probe(int station);

    enMissionType mission_type() const { return m_type; }

    void set_attribute(const QString &key, const QVariant &value);
    QVariant get_attribute(const QString &key, const QVariant &def = QVariant()) const;

    // Builds the request frame (station, function, data, CRC) from the
    // attributes set so far. Returns false, leaving the buffer empty, when the
    // attributes do not make a valid request (missing or out-of-range fields).
    bool update_send_buffer();
    QByteArray get_send_buffer() const { return m_send_buffer; }

    // The whole response frame as received: station, function, byte count,
    // data, CRC. Register k of a read is at offset 3 + 2k.
    QByteArray get_recv_buffer() const { return m_recv_buffer; }
    void set_recv_buffer(const QByteArray &frame) { m_recv_buffer = frame; }

    // Length in bytes of a correct answer to this mission (0 when unknown).
    int expected_answer_length() const;

    // Convenience accessors used by the manager.
    int level() const;
    int station() const;

private:
    enMissionType m_type;
    QMap<QString, QVariant> m_attributes;
    QByteArray m_send_buffer;
    QByteArray m_recv_buffer;
};

Q_DECLARE_METATYPE(QMission *)
