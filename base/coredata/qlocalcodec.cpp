#include "qlocalcodec.h"

#include <QCoreApplication>
#include <QTextCodec>

#include <algorithm>

namespace {

// Line (from 1) of the byte at `pos`: CRLF, LF and CR each end a line.
int line_of(const QByteArray &bytes, qsizetype pos)
{
    int line = 1;
    for (qsizetype i = 0; i < pos; ++i) {
        const char c = bytes.at(i);
        if (c == '\n' || (c == '\r' && (i + 1 >= bytes.size() || bytes.at(i + 1) != '\n')))
            ++line;
    }
    return line;
}

bool is_gbk_family(const QTextCodec *codec)
{
    const QByteArray name = codec->name().toUpper();
    return name == "GBK" || name == "GB18030" || name == "GB2312" || name == "CP936";
}

// The first byte that cannot be part of a GBK character: a single byte
// above 0x7F that starts no pair, or a pair's second byte outside its range
// (or missing at the end). -1 when the structure is sound.
qsizetype first_bad_gbk(const QByteArray &bytes)
{
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = uchar(bytes.at(i));
        if (b < 0x80)
            continue;
        if (b == 0x80 || b == 0xFF)
            return i;
        if (i + 1 >= n)
            return i;
        const auto t = uchar(bytes.at(i + 1));
        if (t < 0x40 || t == 0x7F || t == 0xFF)
            return i;
        ++i;
    }
    return -1;
}

// A few bytes from `pos` on, escaped, for the message.
QString shown_bytes(const QByteArray &bytes, qsizetype pos)
{
    return QLocalCodec::escaped(bytes.mid(pos, 2));
}

} // namespace

bool QLocalCodec::install()
{
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    if (!gbk)
        return false;
    QTextCodec::setCodecForLocale(gbk);
    return true;
}

QTextCodec *QLocalCodec::codec()
{
    return QTextCodec::codecForLocale();
}

bool QLocalCodec::decode(const QByteArray &bytes, QString *text, QString *error)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        *error = QCoreApplication::translate("QLocalCodec", "第 %1 行有 NUL 字节").arg(line_of(bytes, nul));
        return false;
    }
    QTextCodec *c = codec();
    const QString name = QString::fromLatin1(c->name());
    if (is_gbk_family(c)) {
        const qsizetype bad = first_bad_gbk(bytes);
        if (bad >= 0) {
            *error = QCoreApplication::translate("QLocalCodec", "第 %1 行有不是 %2 编码的字节 %3")
                         .arg(line_of(bytes, bad))
                         .arg(name, shown_bytes(bytes, bad));
            return false;
        }
    }
    // The codec has the last word: a GBK pair it has no character for comes
    // back as U+FFFD; any other codec must give back every byte it was given.
    QString decoded = c->toUnicode(bytes);
    const bool lost = is_gbk_family(c) ? decoded.contains(QChar::ReplacementCharacter)
                                       : c->fromUnicode(decoded) != bytes;
    if (lost) {
        // Find the line: GBK's second bytes are never a line end, so lines
        // decode on their own.
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            const QByteArray line = bytes.mid(start, end - start);
            const QString part = c->toUnicode(line);
            if (part.contains(QChar::ReplacementCharacter) || c->fromUnicode(part) != line)
                break;
            start = end + 1;
        }
        *error = QCoreApplication::translate("QLocalCodec", "第 %1 行有不是 %2 编码的字节")
                     .arg(line_of(bytes, std::min(start, bytes.size())))
                     .arg(name);
        return false;
    }
    *text = std::move(decoded);
    return true;
}

QByteArray QLocalCodec::encode(const QString &text)
{
    return codec()->fromUnicode(text);
}

QString QLocalCodec::escaped(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (b >= 0x20 && b < 0x7F)
            out.append(QLatin1Char(c));
        else
            out.append(QStringLiteral("\\x") + QString::number(uint(b), 16).toUpper().rightJustified(2, QLatin1Char('0')));
    }
    return out;
}
