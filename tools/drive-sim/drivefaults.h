#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class DriveRegisters;

// The ways a real drive takes a write otherwise than asked, on demand:
// - clamp: a write to a register above a limit stores the limit (values
//   compared as unsigned 16-bit words) and is answered as if taken;
// - ignore: a write to a register is answered normally and changes nothing;
// - running: while the motor runs, a write to a stop-only parameter
//   (access="stop" in the description) is refused with exception 4.
// Set from the command line (as commands) and through the control channel.
class DriveFaults
{
public:
    // Finds the stop-only parameters of the description.
    bool load(const QString &machine_path, QString *error);

    // A write as the drive with these faults does it: 0 or the exception code.
    int write(DriveRegisters &registers, int address, QList<quint16> values) const;

    // Handles "clamp", "ignore" and "running"; false for any other verb.
    // The reply ends with "ok" or "error <reason>".
    bool command(const QStringList &words, QStringList *reply);

    static QString help();

private:
    QSet<int> m_stop_only;          // every register of a stop-only parameter
    QHash<int, quint16> m_clamp;    // register -> highest value it stores
    QSet<int> m_ignore;
    bool m_running = false;
};
