#pragma once

#include <paramset/paramset_export.h>
#include <communicate/tagserialconfig.h>

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>

// The link settings in the settings store ("Communicate.BaudRate" and its
// siblings), read and written by the program's main window (through the soft
// core) and read by the command-line tool (from its settings store), so both
// reach the drive the same way. A key that is
// missing or 0 reads as its default (19200 baud, 8 data bits, no parity,
// 1 stop bit, port 1, no port name, no local echo; "Communicate.LocalEcho" is
// 1 when the adapter returns what is sent).
namespace LinkSettings {

using Getter = std::function<QVariant(const QString &key)>;
using Setter = std::function<void(const QString &key, const QVariant &value)>;

// A station that is there but no whole number in 1..247 reads as station 1;
// bad_station (when given) then holds its text, else it is cleared. The
// parity is read from its character code (as write() stores it) or from
// the letter n, o or e.
PARAMSET_EXPORT tagSerialConfig read(const Getter &get, QString *bad_station = nullptr);
PARAMSET_EXPORT void write(const Setter &set, const tagSerialConfig &config);

// A stored setting that cannot be used as it is. read() puts its default in
// its place; whoever is about to write into a drive must not.
struct Problem
{
    enum Kind {
        Where, // decides which drive a request reaches: port name, port number, station
        How    // decides how the line is run: baud rate, data bits, parity, stop bits
    };
    Kind kind = How;
    QString key;
    QString value;
    QString reason;
    // "Communicate.Station “999”：站号应为 1..247 的整数", on one line.
    PARAMSET_EXPORT QString text() const;
};

// Every stored link setting that is there but cannot be used. A missing key
// is no problem (it has its default), except a port that nothing names: an
// empty port name with no stored port number, which `port_named` tells.
PARAMSET_EXPORT QList<Problem> problems(const Getter &get, bool *port_named = nullptr);

} // namespace LinkSettings
