#pragma once

#include <machine/machine_export.h>

#include <QList>
#include <QString>

// How a drive speaks Modbus, from its description's <Protocol> element. A
// description without one gets the defaults below, which are the habits of
// the drives this tool was first made for. Everything that builds requests
// (the core's reads, the page, the monitoring page, the command-line tool,
// the simulated drive) takes its rules from here.
//
// A value's word order is not kept here: the loader writes it into each
// value's row (VALUE_WORD_ORDER), so a value converts its registers alone.
struct MACHINE_EXPORT DriveProfile
{
    // The largest read Modbus allows (0x03, 125 registers).
    static constexpr int kProtocolMaxRead = 125;

    enum class AddressBase {
        AsStored, // addresses shown as the description writes them
        OneBased, // the register number one above the address on the line
        Modicon   // 4xxxx notation: 40001 for the address 0
    };

    // Registers one read asks for at most.
    int max_read = 8;
    // Unwanted registers one read may span between two wanted ones; -1: as
    // many as the largest read leaves room for.
    int max_gap = -1;
    // Function of a one-register write: 0x06 or 0x10.
    int single_write = 0x06;
    // Function of a two-register write: 0x10 (both words in one request) or
    // 0x06 (two requests, one per word); 0 leaves it to the tool's own rule.
    int double_write = 0;
    // The high word of a 32-bit value at its address (the low word first
    // when false).
    bool high_word_first = false;
    AddressBase address_base = AddressBase::AsStored;
    // Quiet time the drive needs between two requests, in milliseconds.
    int pause_ms = 0;
    // Answer time-out and retries for this drive; -1: the settings' own.
    int timeout_ms = -1;
    int retries = -1;

    // The drive's serial number, where it keeps one: `serial_length`
    // registers from `serial_address` (-1: the description names none),
    // read once when the link comes up and kept with every record.
    enum class SerialForm {
        Text,  // two characters a register, the high byte first (ASCII)
        Number // one unsigned number, in the word order of 32-bit values
    };
    int serial_address = -1;
    int serial_length = 0;
    SerialForm serial_form = SerialForm::Text;
    // Registers a serial number may take: 32 characters, or 64 bits.
    static constexpr int kMaxSerialText = 16;
    static constexpr int kMaxSerialNumber = 4;

    bool has_serial() const { return serial_address >= 0 && serial_length > 0; }
    // The serial number in the registers read from serial_address; empty
    // when they hold none (all zero, or characters that are not printable
    // ASCII, which a serial number never holds).
    QString serial_text(const QList<quint16> &registers) const;
    // The registers that hold `serial` (the simulated drive serves them);
    // empty when it does not fit or is not of the profile's form.
    QList<quint16> serial_registers(const QString &serial) const;

    bool is_default() const;
    // The address as the drive's manual writes it, for showing beside the
    // code; empty when addresses are shown as stored.
    QString shown_address(int address) const;
    // Does the drive take writes with this function (0x06 or 0x10)? It
    // takes a function its profile writes with; the default profile both.
    bool takes_function(int function) const;

    bool operator==(const DriveProfile &other) const;
    bool operator!=(const DriveProfile &other) const { return !(*this == other); }
};
