#include "qsafefile.h"

#include <QSaveFile>

bool QSafeFile::write(const QString &path, const QByteArray &bytes, QString *error)
{
    // Unbuffered on purpose: with Qt's buffer (Qt 6.4), a write that fails
    // only while commit() flushes the buffer (a full disk) still reports
    // success, and the truncated file replaces the good one. Unbuffered, the
    // failure shows as a short write here, before anything is renamed.
    QSaveFile file(path);
    QString reason;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
    } else if (file.write(bytes) != bytes.size() || file.error() != QFileDevice::NoError) {
        reason = file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QStringLiteral("short write (disk full?)");
        file.cancelWriting();
    } else if (!file.commit()) {
        reason = file.errorString();
    }
    if (reason.isEmpty())
        return true;
    if (error)
        *error = reason;
    return false;
}
