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
// open() checks the file's integrity, then creates the schema or brings an
// older one up to date, all in one exclusive transaction (two programs
// starting at once on a new file both end with one schema). A damaged file,
// one that is not a database, or one of someone else's tables is never
// replaced or emptied: the history cannot be used, and error_string() says
// why; every query reports its failure the same way, so damage never reads
// as "no snapshots". A file written by a newer program is opened for reading
// only and never upgraded.
//
// A snapshot that cannot be stored (another program holds the file locked
// for longer than the wait, or it cannot be opened now) is not dropped: it
// stays queued in this object and goes in, in order, with the next record()
// or flush().
//
// One object per file and thread; it holds its own named connection from
// open() until it is destroyed.
class PARAMSET_EXPORT QParamHistory
{
public:
    // The schema this program writes.
    static constexpr int kSchemaVersion = 2;
    // How long a query waits for another program's lock.
    static constexpr int kDefaultBusyTimeoutMs = 5000;

    // history.sqlite in the directory of the given settings file.
    static QString path_beside(const QString &settings_file);

    explicit QParamHistory(const QString &path);
    ~QParamHistory();
    QParamHistory(const QParamHistory &) = delete;
    QParamHistory &operator=(const QParamHistory &) = delete;

    // Before open(): how long to wait for a lock (tests shorten it).
    void set_busy_timeout(int ms) { m_busy_timeout_ms = ms; }

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

    // Stores the snapshots queued earlier, then this one, each with its
    // values in one transaction; this one's id, or 0 when it could not be
    // stored now (error_string() says why): it is then queued.
    qint64 record(const tagParamSnapshot &snapshot);
    // Stores what is queued; true when nothing is left.
    bool flush();
    // Snapshots queued in memory, not yet in the file.
    int pending() const { return int(m_pending.size()); }

    // Snapshots newest first, without their values (value_count is set).
    // *ok (when given) is false when the history could not be read, which
    // is not the same as an empty one.
    QList<tagParamSnapshot> list(const tagHistoryFilter &filter = tagHistoryFilter(), bool *ok = nullptr);
    // One snapshot with its values in stored order; false when there is no
    // such snapshot or it cannot be read.
    bool load(qint64 id, tagParamSnapshot *snapshot);
    // Stations and drive versions that occur, ascending (for filters).
    QList<int> stations();
    QList<int> drive_versions();

private:
    bool check_integrity();
    bool create_schema();
    qint64 store(const tagParamSnapshot &snapshot);
    bool fail(const QString &what, const QString &reason);
    QList<int> distinct(const char *column);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_writable = false;
    int m_file_version = 0;
    int m_busy_timeout_ms = kDefaultBusyTimeoutMs;
    QString m_error;
    QList<tagParamSnapshot> m_pending;
};
