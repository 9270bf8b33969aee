#include "driveprofile.h"

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
        && retries == other.retries;
}
