#pragma once

// Missions and answers as the link tests build and read them.

#include <communicate/missions/qmission.h>
#include <communicate/frames/qrtuframe.h>

#include <QList>
#include <QString>
#include <QVariant>

namespace LinkMissions {

// The tests' own attribute: which mission a result belongs to.
inline const QString &tag_key()
{
    static const QString key = QStringLiteral("Test.Tag");
    return key;
}

// A mission for station 1, tagged with a number of its own; the caller owns it.
inline QMission *mission(enMissionType type, int address, int length, const QVariant &data = QVariant())
{
    static int tag = 0;
    auto *m = new QMission(type);
    m->set_attribute(MissionKey::station(), 1);
    m->set_attribute(MissionKey::address(), address);
    m->set_attribute(MissionKey::length(), length);
    if (data.isValid())
        m->set_attribute(MissionKey::write_data(), data);
    m->set_attribute(tag_key(), ++tag);
    m->update_send_buffer();
    return m;
}

inline QList<int> words_of(const QByteArray &answer, int count)
{
    QList<int> words;
    for (quint16 word : QRtuFrame::answer_registers(answer, count))
        words << word;
    return words;
}

} // namespace LinkMissions
