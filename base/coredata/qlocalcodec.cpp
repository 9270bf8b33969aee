#include "qlocalcodec.h"

#include <QTextCodec>

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

QString QLocalCodec::decode(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    return codec()->toUnicode(text);
}

QByteArray QLocalCodec::encode(const QString &text)
{
    return codec()->fromUnicode(text);
}
