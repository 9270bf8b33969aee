#pragma once

#include <coredata/coredata_export.h>

#include <QByteArray>
#include <QString>

// Writes a file the operator owns (settings, parameter backups, the error
// log) whole or not at all: the bytes go to a temporary file beside it, which
// replaces the old file only when every byte was written.
class COREDATA_EXPORT QSafeFile
{
public:
    // False when the file could not be written; the previous file is then
    // intact and error (when given) says why.
    static bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);
};
