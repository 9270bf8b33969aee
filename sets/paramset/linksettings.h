#pragma once

#include <paramset/paramset_export.h>
#include <communicate/tagserialconfig.h>

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
// bad_station (when given) then holds its text, else it is cleared.
PARAMSET_EXPORT tagSerialConfig read(const Getter &get, QString *bad_station = nullptr);
PARAMSET_EXPORT void write(const Setter &set, const tagSerialConfig &config);

} // namespace LinkSettings
