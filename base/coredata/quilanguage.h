#pragma once

#include <coredata/coredata_export.h>

#include <QString>

class QTranslator;
class QVariant;

// The language of the interface: Chinese (the source texts) or English. The
// setting "UI.Language" chooses it; the program reads it once at start-up, so
// a change takes effect at the next start.
class COREDATA_EXPORT QUiLanguage
{
public:
    enum Language { Chinese, English };

    static QString setting_key();
    // "en" (or any "en_..." or "English") is English; anything else, the
    // missing key included, Chinese.
    static Language from_setting(const QVariant &value);
    static QString to_setting(Language language);

    // The translation of the program's texts for a language, in
    // translations/ below the program directory; empty for Chinese.
    static QString translation_file(Language language, const QString &program_dir);
    // Loads it into translator. False, with the reason, when the file is
    // missing or broken: the interface then keeps its source texts.
    static bool load(QTranslator *translator, Language language, const QString &program_dir,
                     QString *reason = nullptr);

    // The language this run shows (set at start-up; Chinese until then).
    static Language current();
    static void set_current(Language language);
};
