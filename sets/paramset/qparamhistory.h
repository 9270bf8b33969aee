#pragma once

#include <paramset/paramset_export.h>
#include "paramsnapshot.h"

#include <QList>
#include <QString>

// Which snapshots a listing shows.
struct tagHistoryFilter
{
    int station = -1;       // -1: every station
    int drive_version = -1; // -1: every version
};

// The history database: every parameter set the program read from or wrote
// into a drive, with where it came from. One SQLite file (history.sqlite
// beside the settings file), its schema versioned by PRAGMA user_version.
//
// open() creates the file or brings an older schema up to date. A file that
// is not a database, or that another program holds locked, is never replaced
// or emptied: the history just cannot be used (or written) this time, and
// error_string() says why. A file written by a newer program is opened for
// reading only and never upgraded.
//
// One object per file and thread; it holds its own named connection from
// open() until it is destroyed.
class PARAMSET_EXPORT QParamHistory
{
public:
    // The schema this program writes.
    static constexpr int kSchemaVersion = 1;

    // history.sqlite in the directory of the given settings file.
    static QString path_beside(const QString &settings_file);

    explicit QParamHistory(const QString &path);
    ~QParamHistory();
    QParamHistory(const QParamHistory &) = delete;
    QParamHistory &operator=(const QParamHistory &) = delete;

    // False when the history cannot be read at all.
    bool open();
    bool is_open() const { return m_open; }
    // False when it cannot be written (read-only, newer schema, locked,
    // broken); error_string() says why.
    bool is_writable() const { return m_open && m_writable; }
    QString error_string() const { return m_error; }
    QString path() const { return m_path; }
    // The version the file carries (0 for a new file before open()).
    int schema_version() const { return m_file_version; }

    // Stores the snapshot with its values in one transaction; its id, or 0
    // when it could not be stored (error_string() says why).
    qint64 record(const tagParamSnapshot &snapshot);

    // Snapshots newest first, without their values (value_count is set).
    QList<tagParamSnapshot> list(const tagHistoryFilter &filter = tagHistoryFilter());
    // One snapshot with its values in stored order; false when there is no
    // such snapshot or it cannot be read.
    bool load(qint64 id, tagParamSnapshot *snapshot);
    // Stations and drive versions that occur, ascending (for filters).
    QList<int> stations();
    QList<int> drive_versions();

private:
    bool create_schema();
    bool fail(const QString &what, const QString &reason);
    QList<int> distinct(const char *column);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_writable = false;
    int m_file_version = 0;
    QString m_error;
};
