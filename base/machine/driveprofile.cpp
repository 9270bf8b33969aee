#include "driveprofile.h"

#include <QByteArray>

#include <utility>

bool DriveProfile::is_default() const
{
    return *this == DriveProfile();
}

QString DriveProfile::shown_address(int address) const
{
    switch (address_base) {
    case AddressBase::OneBased:
        return QString::number(address + 1);
    case AddressBase::Modicon:
        // Five digits up to 9999, six beyond (406001 for 0x1770), as the
        // manuals that use this notation write them.
        return address < 9999 ? QString::number(40001 + address)
                              : QString::number(400001 + address);
    case AddressBase::AsStored:
        break;
    }
    return QString();
}

bool DriveProfile::takes_function(int function) const
{
    if (function == 0x06)
        return single_write == 0x06 || double_write == 0x06;
    if (function == 0x10)
        return single_write == 0x10 || double_write != 0x06;
    return false;
}

bool DriveProfile::operator==(const DriveProfile &other) const
{
    return max_read == other.max_read && max_gap == other.max_gap
        && single_write == other.single_write && double_write == other.double_write
        && high_word_first == other.high_word_first && address_base == other.address_base
        && pause_ms == other.pause_ms && timeout_ms == other.timeout_ms
        && retries == other.retries && serial_address == other.serial_address
        && serial_length == other.serial_length && serial_form == other.serial_form;
}

QString DriveProfile::serial_text(const QList<quint16> &registers) const
{
    if (!has_serial() || registers.size() != serial_length)
        return QString();
    if (serial_form == SerialForm::Number) {
        quint64 number = 0;
        for (int i = 0; i < serial_length; ++i) {
            // The most significant word first, as 32-bit values are kept.
            const int k = high_word_first ? i : serial_length - 1 - i;
            number = (number << 16) | registers.at(k);
        }
        return number == 0 ? QString() : QString::number(number);
    }
    QByteArray bytes;
    for (quint16 word : registers) {
        bytes.append(char(word >> 8));
        bytes.append(char(word & 0xFF));
    }
    // Padding at the end is NUL or blank; anything else that is not
    // printable means the registers hold something other than text.
    while (!bytes.isEmpty() && (bytes.back() == '\0' || bytes.back() == ' '))
        bytes.chop(1);
    for (char c : std::as_const(bytes)) {
        if (c < 0x20 || c > 0x7E)
            return QString();
    }
    return QString::fromLatin1(bytes).trimmed();
}

QList<quint16> DriveProfile::serial_registers(const QString &serial) const
{
    QList<quint16> words;
    if (!has_serial())
        return words;
    if (serial_form == SerialForm::Number) {
        bool ok = false;
        quint64 number = serial.toULongLong(&ok);
        if (!ok || (serial_length < 4 && number >> (16 * serial_length) != 0))
            return words;
        words.resize(serial_length);
        for (int i = serial_length - 1; i >= 0; --i) {
            words[high_word_first ? i : serial_length - 1 - i] = quint16(number & 0xFFFF);
            number >>= 16;
        }
        return words;
    }
    for (QChar c : serial) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return words;
    }
    const QByteArray bytes = serial.toLatin1();
    if (bytes.size() > 2 * serial_length)
        return words;
    for (int i = 0; i < serial_length; ++i) {
        const quint16 high = 2 * i < bytes.size() ? quint8(bytes.at(2 * i)) : 0;
        const quint16 low = 2 * i + 1 < bytes.size() ? quint8(bytes.at(2 * i + 1)) : 0;
        words.append(quint16(high << 8 | low));
    }
    return words;
}
