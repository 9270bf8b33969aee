#pragma once

#include <paramset/paramset_export.h>
#include "paramaudit.h"
#include "paramsnapshot.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <memory>

// Which snapshots a listing shows.
struct tagHistoryFilter
{
    int station = -1;       // -1: every station
    int drive_version = -1; // -1: every version
};

// The history database: every parameter set the program read from or wrote
// into a drive, and every single write, with where it came from and who did
// it. By default one SQLite file (history.sqlite beside the settings file),
// its schema versioned by PRAGMA user_version; or a PostgreSQL server shared
// by a plant's workstations (a postgresql://user@host:port/dbname location,
// reached through Qt's PSQL driver; the password comes from libpq's own
// sources such as ~/.pgpass), the same schema versioned in schema_info.
//
// With a server, a local SQLite file (set_queue_file()) holds what could not
// be sent: a record made while the server is away goes there and is sent,
// in the order it was made, by the next sync() (or the next record once the
// retry time has passed). Every record carries a uid, so one sent again
// after a lost answer is stored once.
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
    static constexpr int kSchemaVersion = 3;
    // How long opening a server connection may take.
    static constexpr int kConnectTimeoutS = 3;
    // After a failed server connection, records go to the queue without
    // asking the server again for this long (sync() asks at once).
    static constexpr int kRetryMs = 30000;
    // How long a query waits for another program's lock.
    static constexpr int kDefaultBusyTimeoutMs = 5000;

    // history.sqlite in the directory of the given settings file.
    static QString path_beside(const QString &settings_file);
    // The history a program uses: the server `database` names (the setting
    // "History.Database" or the tool's --history), its queue the file
    // beside the settings; without one, that file itself.
    static std::unique_ptr<QParamHistory> make(const QString &database, const QString &settings_file);

    // True for a postgresql:// (or postgres://) location.
    static bool is_server_location(const QString &location);
    // The location as shown to the operator (a server without password).
    static QString display_location(const QString &location);

    // A file path, or a server location.
    explicit QParamHistory(const QString &path);
    ~QParamHistory();
    QParamHistory(const QParamHistory &) = delete;
    QParamHistory &operator=(const QParamHistory &) = delete;

    // Before open(): how long to wait for a lock (tests shorten it).
    void set_busy_timeout(int ms) { m_busy_timeout_ms = ms; }
    // With a server: the SQLite file that queues what cannot be sent.
    void set_queue_file(const QString &path);
    bool is_server() const { return m_server; }

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
    // stored now (error_string() says why): it is then queued. With a
    // server, -1 means it was kept in the queue file, to be sent later.
    // Who, where and the program's version are filled in when empty.
    qint64 record(const tagParamSnapshot &snapshot);
    // Stores what is queued; true when nothing is left. With a server, this
    // is sync(false).
    bool flush();
    // Records not yet stored where they belong: queued in memory, or (with
    // a server) waiting in the queue file.
    int pending();
    // Records kept only in this object's memory (lost if the program ends
    // now); what waits in a queue file is safe.
    int unsaved() const;
    // With a server: sends what waits in the queue file, in order; true
    // when nothing is left. `force` asks the server even within the retry
    // time after a failure.
    bool sync(bool force = true);

    // Stores one write record (who, where and the drive are filled in
    // when empty); like record(), its id, or 0 when it could not be kept.
    // With a server, -1 means it waits in the queue file.
    qint64 record_write(const tagWriteRecord &write);
    // Write records newest first; *ok as for list().
    QList<tagWriteRecord> audit(const tagAuditFilter &filter = tagAuditFilter(), bool *ok = nullptr);

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

    // Fills in uid, time, user, workstation and program version when empty.
    static void stamp(tagParamSnapshot *snapshot);
    static void stamp(tagWriteRecord *write);

private:
    bool open_server();
    bool check_integrity();
    bool create_schema();
    bool create_server_schema();
    bool upgrade(const char *const *steps);
    qint64 store(const tagParamSnapshot &snapshot);
    qint64 store_write(const tagWriteRecord &write);
    bool remove_local(const char *table, qint64 id);
    bool server_usable(bool force);
    void server_lost();
    QList<tagWriteRecord> query_writes(const tagAuditFilter &filter, bool oldest_first, bool *ok);
    bool fail(const QString &what, const QString &reason);
    // Open and writable; false with the reason set (a newer schema opens
    // read-only).
    bool open_for_writing();
    QList<int> distinct(const char *column);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_writable = false;
    int m_file_version = 0;
    int m_busy_timeout_ms = kDefaultBusyTimeoutMs;
    QString m_error;
    QList<tagParamSnapshot> m_pending;
    bool m_server = false;
    QString m_queue_path;
    std::unique_ptr<QParamHistory> m_queue;
    QElapsedTimer m_since_failure; // valid after a failed server connection
};
