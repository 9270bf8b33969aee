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
    // Bytes of a file to text. No byte is ever dropped or replaced: bytes
    // that hold a NUL, or that are not valid in the codec (a byte no
    // character starts with, a character cut off at the end), give false and
    // leave *text alone; *error then names the line (from 1, counting CRLF,
    // LF and CR line ends) and shows the bytes escaped.
    static bool decode(const QByteArray &bytes, QString *text, QString *error);
    // Text to the bytes written to a file.
    static QByteArray encode(const QString &text);
    // Bytes as a reader can see them in a one-line message: printable ASCII
    // as it is, every other byte as \xHH.
    static QString escaped(const QByteArray &bytes);
};
