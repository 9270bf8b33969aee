#pragma once

#include <coredata/coredata_export.h>

#include <QMap>
#include <QString>
#include <QVariant>

class QByteArray;

// The program's persistent settings: dotted keys ("Communicate.BaudRate") to
// values, mirrored in config.xml (GBK) in the program directory, or in the
// user's config folder for an installed program (QFileLocations). Every change
// is written to the file at once; the file is read only by load().
//
// A key is a group name, a "." and an item name; a key without a group
// (no dot, or a leading dot) lives only in memory. Byte arrays are stored as
// "@ByteArray(\XX\XX...)"; every other value is stored as its text and comes
// back as a string.
class COREDATA_EXPORT QSettingManager
{
public:
    // Uses the file set with set_default_file(), or the program's settings
    // file (QFileLocations) when none is set.
    QSettingManager();
    explicit QSettingManager(const QString &file_path);

    // The file that default-constructed stores use from now on; an empty path
    // returns to config.xml beside the program. Lets tests keep their files
    // out of the program directory.
    static void set_default_file(const QString &file_path);
    static QString default_file();

    QString file_path() const;

    // A file read instead of the settings file while that does not exist yet
    // (the config.xml shipped beside an installed program). Saving always
    // writes the settings file.
    void set_defaults_file(const QString &file_path);

    QVariant get_value(const QString &key, const QVariant &default_value = QVariant()) const;
    // The value takes effect in memory even when the file cannot be written;
    // the result tells whether the file was written.
    bool set_value(const QString &key, const QVariant &value);

    // Replaces everything in memory with the file's contents; a missing or
    // unusable file gives an empty store. A group whose name starts with a
    // dot is left out with a warning (its keys could not be saved).
    void load();
    // Why the last load() found a file it could not use (unreadable, not
    // GBK, malformed, another root); empty when it read one or there was
    // none. Whoever is about to act on a setting can tell "not set" from
    // "lost".
    QString load_error() const { return m_load_error; }
    // Writes the file atomically: when writing fails, the previous file stays
    // as it was. Returns false (and logs the file name) on failure.
    bool save();

    QString variant_to_string(const QVariant &value) const;
    QVariant string_to_variant(const QString &text) const;
    // Both append to their output instead of replacing it.
    static void escaped_string(const QByteArray &bytes, QString &text);
    static void unescaped_string(const QString &text, QByteArray &bytes);

private:
    QMap<QString, QVariant> m_values;
    QString m_file_path;
    QString m_defaults_file;
    QString m_load_error;
    // Set after a failed write has been reported, so a store that cannot be
    // written warns once, not at every change.
    bool m_write_failure_reported = false;
};
