#pragma once

#include "driveruntime.h"

#include <machine/driveprofile.h>

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>

// The register space of the simulated drive, built from a machine
// description: every parameter and runtime value at its address, initialised
// from its default, and register 0 holding the software version.
//
// Like the real drive: a reserved register inside a group's address range
// reads as 0; a read touching an address outside every range is refused with
// exception 2, a write outside with exception 3, a write to a read-only or
// reserved register with exception 4.
//
// Where the description has a <Protocol> element, the drive keeps to it: a
// read of more registers than its largest read answers exception 3, a write
// function it does not take answers exception 1, two-word values (floats
// among them) are stored in its word order, and a request that comes sooner
// after the last answer on the line than its pause is not heard.
class DriveRegisters
{
public:
    enum Exception { OK = 0, ILLEGAL_ADDRESS = 2, ILLEGAL_VALUE = 3, REFUSED = 4 };

    // `serial` goes into the serial-number registers when the description
    // names them (read-only, as the version); a serial their form cannot
    // hold, or one for a description that names no such registers, fails
    // the load.
    bool load(const QString &path, int version, const QString &serial, QString *error);

    // Modbus reads and writes: 0 or the exception code.
    int read(int address, int count, QList<quint16> *values) const;
    int write(int address, const QList<quint16> &values);
    // False when the drive's profile does not take this write function.
    bool takes_function(int function) const;
    // The quiet the drive needs after the last answer on the line before it
    // hears a request, in milliseconds (its profile's pause; 0 none).
    int pause_ms() const { return m_profile.pause_ms; }

    // Control channel: any address inside a range (read-only ones included).
    bool in_range(int address) const;
    quint16 value(int address) const { return m_values.value(address, 0); }
    void set_value(int address, quint16 value) { m_values.insert(address, value); }
    // Whether a register holds a runtime value.
    bool is_runtime(int address) const { return m_runtime_addresses.contains(address); }
    // Registers that hold a parameter, a runtime value or the version.
    QList<int> served_addresses() const { return m_values.keys(); }

    // Runtime values follow a motor running at about its rated values; with
    // a state word in the description, a motor that starts and stops
    // (DriveRuntime).
    void advance(double seconds);
    // The motor's control commands (run, stop, fault-code): false when the
    // words are none of them.
    bool runtime_command(const QStringList &words, QString *reply);
    DriveRuntime &runtime() { return m_runtime; }

private:
    enum Access { RESERVED, READ_ONLY, READ_WRITE };
    struct Moving
    {
        int address = 0;
        int length = 1;
        double scale = 1;
        double centre = 0;
        double swing = 0;
        double period = 10;
        double phase = 0;
        bool is_float = false;
    };

    void store(int address, int length, qint64 raw);
    void store_number(int address, int length, bool is_float, double display, double scale);

    QList<QPair<int, int>> m_ranges; // first and last address, inclusive
    QHash<int, Access> m_access;
    QMap<int, quint16> m_values;
    QList<Moving> m_moving;
    QSet<int> m_runtime_addresses;
    double m_time = 0;
    DriveProfile m_profile;
    // Only a description with a <Protocol> element limits the reads.
    int m_max_read = 125;
    DriveRuntime m_runtime;
};
