#include <communicate/missions/qmission.h>

#include <communicate/frames/qrtuframe.h>

#include <QVariantList>

namespace {

bool to_int(const QVariant &v, int *out)
{
    if (!v.isValid())
        return false;
    bool ok = false;
    const int value = v.toInt(&ok);
    if (ok)
        *out = value;
    return ok;
}

// The words of the write data for a write of several registers: a list
// of words, or one int that is split low word first (the layout of a two-word
// value) when the length asks for two registers.
bool write_words(const QVariant &data, const QVariant &length, QList<quint16> *words)
{
    if (data.typeId() == QMetaType::QVariantList || data.typeId() == QMetaType::QStringList) {
        for (const QVariant &item : data.toList()) {
            int w = 0;
            if (!to_int(item, &w) || w < 0 || w > 0xFFFF)
                return false;
            words->append(quint16(w));
        }
        int count = 0;
        return !words->isEmpty() && (!length.isValid() || (to_int(length, &count) && count == words->size()));
    }
    bool ok = false;
    const qlonglong value = data.toLongLong(&ok);
    if (!ok)
        return false;
    int count = 1;
    if (length.isValid() && !to_int(length, &count))
        return false;
    if (count == 1 && value >= 0 && value <= 0xFFFF) {
        words->append(quint16(value));
        return true;
    }
    if (count == 2 && value >= -0x80000000LL && value <= 0xFFFFFFFFLL) {
        const quint32 raw = quint32(value);
        words->append(quint16(raw & 0xFFFF));
        words->append(quint16(raw >> 16));
        return true;
    }
    return false;
}

} // namespace

QMission::QMission(enMissionType type)
    : m_type(type)
{
}

QMission QMission::connect_probe(int station)
{
    QMission probe(MISSION_READ);
    probe.set_attribute(MissionKey::station(), QVariant(station));
    probe.set_attribute(MissionKey::address(), QVariant(0));
    probe.set_attribute(MissionKey::length(), QVariant(1));
    probe.update_send_buffer();
    return probe;
}

void QMission::set_attribute(const QString &key, const QVariant &value)
{
    m_attributes.insert(key, value);
}

QVariant QMission::get_attribute(const QString &key, const QVariant &def) const
{
    if (key == MissionKey::type() && !m_attributes.contains(key))
        return QVariant(int(m_type));
    return m_attributes.value(key, def);
}

bool QMission::update_send_buffer()
{
    m_send_buffer.clear();
    int station = 0;
    int address = 0;
    if (!to_int(m_attributes.value(MissionKey::station()), &station)
        || !to_int(m_attributes.value(MissionKey::address()), &address))
        return false;
    const QVariant length = m_attributes.value(MissionKey::length());
    const QVariant data = m_attributes.value(MissionKey::write_data());

    switch (m_type) {
    case MISSION_READ:
    case MISSION_READ_BACK: {
        int count = 0;
        if (to_int(length, &count))
            m_send_buffer = QRtuFrame::read_request(station, address, count);
        break;
    }
    case MISSION_WRITE: {
        // Only the one word that the caller gave: a value out of 0..65535 is
        // refused rather than cut down to 16 bits and written into the drive.
        int value = 0;
        if (to_int(data, &value))
            m_send_buffer = QRtuFrame::write_request(station, address, value);
        break;
    }
    case MISSION_WRITE_MULTI: {
        QList<quint16> words;
        if (write_words(data, length, &words))
            m_send_buffer = QRtuFrame::write_multi_request(station, address, words);
        break;
    }
    }
    return !m_send_buffer.isEmpty();
}

int QMission::expected_answer_length() const
{
    return QRtuFrame::answer_length(m_send_buffer);
}

int QMission::level() const
{
    return m_attributes.value(MissionKey::level()).toInt();
}

int QMission::station() const
{
    return m_attributes.value(MissionKey::station()).toInt();
}
