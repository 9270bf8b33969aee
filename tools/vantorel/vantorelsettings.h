#pragma once

#include <communicate/tagserialconfig.h>

#include <QString>
#include <QStringList>

struct VantorelOptions;

// The link settings the tool runs with: the settings file's, with the
// options given on the command line over them, and whether they may be
// used. A write never goes to a drive that a fallback chose: a settings file
// that cannot be read, a stored station or port that cannot be used, or no
// port named at all refuses a write (unless the options name the port and
// the station themselves); a read goes on with a warning. A baud rate,
// parity, stop bits or data length that cannot be used refuses any command
// that opens the link, saying which and why.
struct VantorelSettings
{
    tagSerialConfig config;
    QString refusal;      // empty when the command may go on
    QStringList warnings; // one line each, for standard error

    static VantorelSettings read(const VantorelOptions &options, bool writes);
};
