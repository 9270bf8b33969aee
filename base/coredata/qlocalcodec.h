#pragma once

#include <coredata/coredata_export.h>

#include <QByteArray>
#include <QString>

class QTextCodec;

// The codec where bytes meet text: config.xml, plugins.xml and the parameter
// CSV files are GBK. The program installs GBK as the locale codec at start-up
// (install()); tests do the same. Qt 6's QString::fromLocal8Bit ignores the
// codec set here, so every such file goes through these functions.
class COREDATA_EXPORT QLocalCodec
{
public:
    // Installs the GBK codec as the locale codec. Returns false when the
    // platform has no GBK codec (the locale codec is left as it was).
    static bool install();
    // The codec files are read and written with (GBK once installed).
    static QTextCodec *codec();
    // Bytes of a file to text, stopping at the first NUL byte.
    static QString decode(const QByteArray &bytes);
    // Text to the bytes written to a file.
    static QByteArray encode(const QString &text);
};
