#include "quilanguage.h"

#include <QDir>
#include <QFileInfo>
#include <QTranslator>
#include <QVariant>

namespace {

QUiLanguage::Language &current_language()
{
    static QUiLanguage::Language language = QUiLanguage::Chinese;
    return language;
}

} // namespace

QString QUiLanguage::setting_key()
{
    return QStringLiteral("UI.Language");
}

QUiLanguage::Language QUiLanguage::from_setting(const QVariant &value)
{
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0
        || text.startsWith(QLatin1String("en_"), Qt::CaseInsensitive)
        || text.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0)
        return English;
    return Chinese;
}

QString QUiLanguage::to_setting(Language language)
{
    return language == English ? QStringLiteral("en") : QStringLiteral("zh_CN");
}

QString QUiLanguage::translation_file(Language language, const QString &program_dir)
{
    if (language != English)
        return QString();
    return QDir(program_dir).filePath(QStringLiteral("translations/workbench_en.qm"));
}

bool QUiLanguage::load(QTranslator *translator, Language language, const QString &program_dir,
                       QString *reason)
{
    const QString file = translation_file(language, program_dir);
    if (file.isEmpty())
        return true; // the source texts are Chinese
    QString why;
    if (!QFileInfo::exists(file))
        why = QStringLiteral("%1 is missing").arg(QDir::toNativeSeparators(file));
    else if (!translator->load(file))
        why = QStringLiteral("%1 is not a translation file").arg(QDir::toNativeSeparators(file));
    if (reason)
        *reason = why;
    return why.isEmpty();
}

QUiLanguage::Language QUiLanguage::current()
{
    return current_language();
}

void QUiLanguage::set_current(Language language)
{
    current_language() = language;
}
