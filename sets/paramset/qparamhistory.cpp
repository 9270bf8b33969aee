#include "qparamhistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>

namespace {

// A null QString binds as NULL, which NOT NULL columns refuse.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

QString next_connection_name()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("paramhistory-%1").arg(++counter);
}

// Schema steps: step n brings a file of version n to n + 1.
const char *const kUpgrades[] = {
    // 0 -> 1: the first schema.
    "CREATE TABLE snapshot ("
    " id INTEGER PRIMARY KEY,"
    " time_ms INTEGER NOT NULL,"     // UTC, milliseconds since 1970
    " port TEXT NOT NULL,"
    " station INTEGER NOT NULL,"
    " drive_version INTEGER NOT NULL," // -1 unknown
    " machine_name TEXT NOT NULL,"
    " machine_type TEXT NOT NULL,"
    " machine_version TEXT NOT NULL,"
    " operation TEXT NOT NULL,"
    " value_count INTEGER NOT NULL);"
    "CREATE TABLE snapshot_value ("
    " snapshot INTEGER NOT NULL REFERENCES snapshot(id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL,"
    " code TEXT NOT NULL,"
    " raw INTEGER NOT NULL,"
    " PRIMARY KEY (snapshot, position)) WITHOUT ROWID;"
    "CREATE INDEX snapshot_by_station ON snapshot (station, drive_version);",
    // 1 -> 2: a snapshot may not know every value (a download whose
    // read-back was cut off): those codes, and the mark that it is incomplete.
    "ALTER TABLE snapshot ADD COLUMN complete INTEGER NOT NULL DEFAULT 1;"
    "CREATE TABLE snapshot_unknown ("
    " snapshot INTEGER NOT NULL REFERENCES snapshot(id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL,"
    " code TEXT NOT NULL,"
    " PRIMARY KEY (snapshot, position)) WITHOUT ROWID;",
    // 2 -> 3: who, where and why of every snapshot, a uid that keeps a
    // record sent twice single, and the record of every write to a drive.
    "ALTER TABLE snapshot ADD COLUMN uid TEXT;"
    "ALTER TABLE snapshot ADD COLUMN user_name TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE snapshot ADD COLUMN workstation TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE snapshot ADD COLUMN program_version TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE snapshot ADD COLUMN note TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE snapshot ADD COLUMN drive_serial TEXT NOT NULL DEFAULT '';"
    "CREATE UNIQUE INDEX snapshot_by_uid ON snapshot (uid);"
    "CREATE INDEX snapshot_by_time ON snapshot (time_ms);"
    "CREATE TABLE write_record ("
    " id INTEGER PRIMARY KEY,"
    " uid TEXT NOT NULL,"
    " time_ms INTEGER NOT NULL,"
    " user_name TEXT NOT NULL,"
    " workstation TEXT NOT NULL,"
    " program_version TEXT NOT NULL,"
    " port TEXT NOT NULL,"
    " station INTEGER NOT NULL,"
    " drive_version INTEGER NOT NULL,"
    " drive_serial TEXT NOT NULL,"
    " machine_name TEXT NOT NULL,"
    " machine_type TEXT NOT NULL,"
    " machine_version TEXT NOT NULL,"
    " operation TEXT NOT NULL,"
    " code TEXT NOT NULL,"
    " before_raw INTEGER,"             // NULL: not read before
    " asked_raw INTEGER NOT NULL,"
    " read_back_raw INTEGER,"          // NULL: not read back
    " result TEXT NOT NULL,"
    " exception_code INTEGER NOT NULL,"
    " note TEXT NOT NULL);"
    "CREATE UNIQUE INDEX write_by_uid ON write_record (uid);"
    "CREATE INDEX write_by_code ON write_record (code, time_ms);"
    "CREATE INDEX write_by_station ON write_record (station, time_ms);"
    "CREATE INDEX write_by_time ON write_record (time_ms);",
};
static_assert(sizeof kUpgrades / sizeof kUpgrades[0] == QParamHistory::kSchemaVersion,
              "one upgrade step per schema version");

// The same steps as a server takes them: its own words for a 64-bit key
// that counts up by itself and for 64-bit times; no WITHOUT ROWID.
QString server_dialect(const char *step)
{
    QString sql = QString::fromLatin1(step);
    sql.replace(QStringLiteral(" WITHOUT ROWID"), QString());
    sql.replace(QStringLiteral("id INTEGER PRIMARY KEY"), QStringLiteral("id BIGSERIAL PRIMARY KEY"));
    sql.replace(QStringLiteral("time_ms INTEGER"), QStringLiteral("time_ms BIGINT"));
    sql.replace(QStringLiteral("snapshot INTEGER"), QStringLiteral("snapshot BIGINT"));
    return sql;
}

// Any number that keeps two programs from upgrading a server's schema at once.
constexpr int kSchemaLockKey = 0x56544c31;

// Rows of one multi-row INSERT of snapshot values (4 bound values each, well
// under either engine's limit of bound values).
constexpr int kValueRowsPerInsert = 250;

// A snapshot's header: the columns header_of() reads, in its order.
const char kHeaderSelect[] = "SELECT id, time_ms, port, station, drive_version, machine_name,"
                             " machine_type, machine_version, operation, value_count, complete,"
                             " uid, user_name, workstation, program_version, note, drive_serial FROM snapshot";

const char kWriteSelect[] = "SELECT id, uid, time_ms, user_name, workstation, program_version, port, station,"
                            " drive_version, drive_serial, machine_name, machine_type, machine_version,"
                            " operation, code, before_raw, asked_raw, read_back_raw, result, exception_code,"
                            " note FROM write_record";

tagWriteRecord write_of(const QSqlQuery &query)
{
    tagWriteRecord w;
    w.id = query.value(0).toLongLong();
    w.uid = query.value(1).toString();
    w.time = QDateTime::fromMSecsSinceEpoch(query.value(2).toLongLong(), Qt::UTC);
    w.user_name = query.value(3).toString();
    w.workstation = query.value(4).toString();
    w.program_version = query.value(5).toString();
    w.port = query.value(6).toString();
    w.station = query.value(7).toInt();
    w.drive_version = query.value(8).toInt();
    w.drive_serial = query.value(9).toString();
    w.machine_name = query.value(10).toString();
    w.machine_type = query.value(11).toString();
    w.machine_version = query.value(12).toString();
    w.operation = query.value(13).toString();
    w.code = query.value(14).toString();
    w.has_before = !query.value(15).isNull();
    w.before = int(query.value(15).toLongLong());
    w.asked = int(query.value(16).toLongLong());
    w.has_read_back = !query.value(17).isNull();
    w.read_back = int(query.value(17).toLongLong());
    w.result = query.value(18).toString();
    w.exception_code = query.value(19).toInt();
    w.note = query.value(20).toString();
    return w;
}

QString os_user()
{
    for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
        const QString user = qEnvironmentVariable(name);
        if (!user.isEmpty())
            return user;
    }
    return QString();
}

QString host_name()
{
    return QSysInfo::machineHostName();
}

tagParamSnapshot header_of(const QSqlQuery &query)
{
    tagParamSnapshot s;
    s.id = query.value(0).toLongLong();
    s.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong(), Qt::UTC);
    s.port = query.value(2).toString();
    s.station = query.value(3).toInt();
    s.drive_version = query.value(4).toInt();
    s.machine_name = query.value(5).toString();
    s.machine_type = query.value(6).toString();
    s.machine_version = query.value(7).toString();
    s.operation = query.value(8).toString();
    s.value_count = query.value(9).toInt();
    s.complete = query.value(10).toInt() != 0;
    s.uid = query.value(11).toString();
    s.user_name = query.value(12).toString();
    s.workstation = query.value(13).toString();
    s.program_version = query.value(14).toString();
    s.note = query.value(15).toString();
    s.drive_serial = query.value(16).toString();
    return s;
}

// Runs a prepared query and takes each row it gives; false with the
// database's reason when the query or one of its steps fails (a failing
// step ends the rows as the last one does, so they are dropped).
template <typename T, typename RowOf>
bool collect_rows(QSqlQuery &query, QList<T> *rows, RowOf row_of, QString *reason)
{
    if (query.exec()) {
        while (query.next())
            rows->append(row_of(query));
        if (!query.lastError().isValid())
            return true;
    }
    *reason = query.lastError().text();
    rows->clear();
    return false;
}

} // namespace

QString QParamHistory::path_beside(const QString &settings_file)
{
    return QFileInfo(settings_file).absoluteDir().filePath(QStringLiteral("history.sqlite"));
}

std::unique_ptr<QParamHistory> QParamHistory::make(const QString &database, const QString &settings_file)
{
    const QString beside = path_beside(settings_file);
    if (!is_server_location(database.trimmed()))
        return std::make_unique<QParamHistory>(beside);
    auto history = std::make_unique<QParamHistory>(database.trimmed());
    history->set_queue_file(beside);
    return history;
}

int QParamHistory::unsaved() const
{
    if (m_server)
        return m_queue ? m_queue->unsaved() : 0;
    return int(m_pending.size());
}

bool QParamHistory::is_server_location(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString QParamHistory::display_location(const QString &location)
{
    if (!is_server_location(location))
        return QDir::toNativeSeparators(location);
    return QUrl(location).toString(QUrl::RemovePassword);
}

QParamHistory::QParamHistory(const QString &path)
    : m_path(path)
    , m_connection(next_connection_name())
    , m_server(is_server_location(path))
{
}

void QParamHistory::set_queue_file(const QString &path)
{
    m_queue_path = path;
    m_queue.reset();
}

namespace {

// What every record carries and the caller has not set: its uid, the time,
// who, where and which program.
template<typename Record>
void stamp_record(Record *record)
{
    if (record->uid.isEmpty())
        record->uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!record->time.isValid())
        record->time = QDateTime::currentDateTimeUtc();
    if (record->user_name.isEmpty())
        record->user_name = os_user();
    if (record->workstation.isEmpty())
        record->workstation = host_name();
    if (record->program_version.isEmpty())
        record->program_version = QCoreApplication::applicationVersion();
}

} // namespace

void QParamHistory::stamp(tagParamSnapshot *snapshot)
{
    stamp_record(snapshot);
}

void QParamHistory::stamp(tagWriteRecord *write)
{
    stamp_record(write);
}

QParamHistory::~QParamHistory()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool QParamHistory::fail(const QString &what, const QString &reason)
{
    m_error = QCoreApplication::translate("QParamHistory", "历史记录 %1 %2：%3").arg(display_location(m_path), what, reason);
    return false;
}

bool QParamHistory::open()
{
    if (m_open)
        return true;
    if (m_server)
        return open_server();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QCoreApplication::translate("QParamHistory", "无法打开"), QCoreApplication::translate("QParamHistory", "没有 SQLite 驱动 (Debian: libqt6sql6-sqlite)"));

    QSqlDatabase db = QSqlDatabase::contains(m_connection)
        ? QSqlDatabase::database(m_connection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busy_timeout_ms));
    if (!db.open())
        return fail(QCoreApplication::translate("QParamHistory", "无法打开"), db.lastError().text());

    // The first read tells a database from any other file; nothing is
    // written before that.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), query.lastError().text());
        db.close();
        return false;
    }
    m_file_version = query.value(0).toInt();
    query.finish();
    if (!check_integrity()) {
        db.close();
        return false;
    }

    if (m_file_version > kSchemaVersion) {
        // Written by a newer program: reading its tables is safe, changing
        // them is not.
        m_open = true;
        m_writable = false;
        fail(QCoreApplication::translate("QParamHistory", "是新版本程序写的"), QCoreApplication::translate("QParamHistory", "格式版本 %1，本程序只认识到 %2；只读打开，不升级")
                                          .arg(m_file_version).arg(kSchemaVersion));
        return true;
    }

    m_open = true;
    m_writable = true;
    if (m_file_version < kSchemaVersion && !create_schema()) {
        m_writable = false;
        if (m_file_version == 0) {
            // Nothing to read in a file that could not even get its tables.
            m_open = false;
            db.close();
            return false;
        }
    }
    query.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    return true;
}

bool QParamHistory::check_integrity()
{
    // A page overwritten by something else would otherwise list as fewer
    // snapshots, or none, as if nothing had been recorded.
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("PRAGMA integrity_check(1)")) || !query.next())
        return fail(QCoreApplication::translate("QParamHistory", "已损坏"), query.lastError().text());
    const QString verdict = query.value(0).toString();
    if (verdict != QLatin1String("ok"))
        return fail(QCoreApplication::translate("QParamHistory", "已损坏"), verdict.simplified());
    return true;
}

bool QParamHistory::create_schema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const QString cannot = QCoreApplication::translate("QParamHistory", "无法升级");
    // Exclusive from the first look: another program creating the same file
    // at this moment either finished before (its schema is seen here) or
    // waits until this one is done.
    if (!query.exec(QStringLiteral("BEGIN EXCLUSIVE")))
        return fail(cannot, query.lastError().text());
    const auto give_up = [&](const QString &what, const QString &reason) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return fail(what, reason);
    };
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return give_up(cannot, query.lastError().text());
    m_file_version = query.value(0).toInt();
    query.finish();
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next())
        return give_up(cannot, query.lastError().text());
    const bool empty = query.value(0).toInt() == 0;
    query.finish();
    if (m_file_version == 0 && !empty) {
        // Tables of someone else: not ours to change.
        return give_up(QCoreApplication::translate("QParamHistory", "无法使用"),
                       QCoreApplication::translate("QParamHistory", "文件中有不认识的表"));
    }
    if (m_file_version >= kSchemaVersion) {
        // Brought up to date by the other program meanwhile.
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        m_writable = m_file_version == kSchemaVersion;
        return m_writable;
    }
    for (int version = m_file_version; version < kSchemaVersion; ++version) {
        const QStringList statements = QString::fromLatin1(kUpgrades[version]).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                return give_up(cannot, query.lastError().text());
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)))
        return give_up(cannot, query.lastError().text());
    if (!query.exec(QStringLiteral("COMMIT")))
        return give_up(cannot, query.lastError().text());
    m_file_version = kSchemaVersion;
    return true;
}

bool QParamHistory::open_server()
{
    const QString cannot = QCoreApplication::translate("QParamHistory", "无法连接");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return fail(cannot, QCoreApplication::translate("QParamHistory", "没有 PostgreSQL 驱动 (Debian: libqt6sql6-psql)"));
    const QUrl url(m_path);
    if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2)
        return fail(cannot, QCoreApplication::translate("QParamHistory", "地址应为 postgresql://用户@主机:端口/数据库"));
    if (!url.password().isEmpty()) {
        // A password in the settings file would be readable by anyone who
        // gets the file: libpq's own sources (~/.pgpass) keep it instead.
        return fail(cannot, QCoreApplication::translate("QParamHistory", "地址中不能有密码，请写在 ~/.pgpass 中"));
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
        ? QSqlDatabase::database(m_connection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    db.setHostName(url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setDatabaseName(url.path().mid(1));
    db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS));
    if (!db.open()) {
        const QString reason = db.lastError().text().simplified();
        db.close();
        return fail(cannot, reason);
    }
    m_open = true;
    m_writable = true;
    if (!create_server_schema()) {
        if (m_file_version > kSchemaVersion)
            return true; // read-only, said by create_server_schema()
        m_open = false;
        m_writable = false;
        db.close();
        return false;
    }
    return true;
}

bool QParamHistory::create_server_schema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString cannot = QCoreApplication::translate("QParamHistory", "无法升级");
    if (!db.transaction())
        return fail(cannot, db.lastError().text());
    QSqlQuery query(db);
    const auto give_up = [&](const QString &reason) {
        db.rollback();
        return fail(cannot, reason);
    };
    // Workstations starting at once take turns: the second sees the
    // first one's schema.
    if (!query.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLockKey)))
        return give_up(query.lastError().text());
    if (!query.exec(QStringLiteral("SELECT to_regclass('schema_info') IS NOT NULL")) || !query.next())
        return give_up(query.lastError().text());
    const bool has_table = query.value(0).toBool();
    query.finish();
    if (!has_table && !query.exec(QStringLiteral("CREATE TABLE schema_info (version INTEGER NOT NULL)")))
        return give_up(query.lastError().text());
    if (!query.exec(QStringLiteral("SELECT version FROM schema_info")))
        return give_up(query.lastError().text());
    const bool has_row = query.next();
    m_file_version = has_row ? query.value(0).toInt() : 0;
    query.finish();
    if (m_file_version > kSchemaVersion) {
        db.rollback();
        m_writable = false;
        return fail(QCoreApplication::translate("QParamHistory", "是新版本程序写的"),
                    QCoreApplication::translate("QParamHistory", "格式版本 %1，本程序只认识到 %2；只读打开，不升级")
                        .arg(m_file_version).arg(kSchemaVersion));
    }
    for (int version = m_file_version; version < kSchemaVersion; ++version) {
        const QStringList statements = server_dialect(kUpgrades[version]).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                return give_up(query.lastError().text());
        }
    }
    const QString set_version = has_row ? QStringLiteral("UPDATE schema_info SET version = %1")
                                        : QStringLiteral("INSERT INTO schema_info (version) VALUES (%1)");
    if (!query.exec(set_version.arg(kSchemaVersion)))
        return give_up(query.lastError().text());
    if (!db.commit())
        return give_up(db.lastError().text());
    m_file_version = kSchemaVersion;
    return true;
}

bool QParamHistory::server_usable(bool force)
{
    if (!force && m_since_failure.isValid() && m_since_failure.elapsed() < kRetryMs)
        return false;
    if (m_open)
        return true;
    if (open()) {
        m_since_failure.invalidate();
        return true;
    }
    m_since_failure.start();
    return false;
}

void QParamHistory::server_lost()
{
    // The connection is not to be trusted again: the next use opens a new
    // one, after the retry time.
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isValid())
            db.close();
    }
    m_open = false;
    m_since_failure.start();
}

qint64 QParamHistory::record(const tagParamSnapshot &snapshot)
{
    tagParamSnapshot queued = snapshot;
    stamp(&queued);
    if (m_server) {
        // What waits goes first, so the server keeps the order of making.
        if (sync(false)) {
            const qint64 id = store(queued);
            if (id != 0)
                return id;
            if (m_open && !m_writable)
                return 0; // a server of a newer program: read only
            // Whatever went wrong on the way, the record is kept for later.
            server_lost();
        }
        if (m_queue_path.isEmpty())
            return 0;
        if (!m_queue)
            m_queue = std::make_unique<QParamHistory>(m_queue_path);
        const QString reason = m_error;
        if (m_queue->record(queued) == 0) {
            m_error = reason + QLatin1Char('\n') + m_queue->error_string();
            return 0;
        }
        return -1;
    }
    m_pending.append(queued);
    qint64 id = 0;
    while (!m_pending.isEmpty()) {
        id = store(m_pending.first());
        if (id == 0)
            return 0;
        m_pending.removeFirst();
    }
    return id;
}

qint64 QParamHistory::record_write(const tagWriteRecord &write)
{
    tagWriteRecord stamped = write;
    stamp(&stamped);
    if (m_server) {
        if (sync(false)) {
            const qint64 id = store_write(stamped);
            if (id != 0)
                return id;
            if (m_open && !m_writable)
                return 0;
            server_lost();
        }
        if (m_queue_path.isEmpty())
            return 0;
        if (!m_queue)
            m_queue = std::make_unique<QParamHistory>(m_queue_path);
        const QString reason = m_error;
        if (m_queue->record_write(stamped) == 0) {
            m_error = reason + QLatin1Char('\n') + m_queue->error_string();
            return 0;
        }
        return -1;
    }
    // Snapshots queued in memory go first: they were made before.
    if (!flush())
        return 0;
    return store_write(stamped);
}

bool QParamHistory::flush()
{
    if (m_server) {
        if (m_queue)
            m_queue->flush();
        return sync(false);
    }
    while (!m_pending.isEmpty()) {
        if (store(m_pending.first()) == 0)
            return false;
        m_pending.removeFirst();
    }
    return true;
}

int QParamHistory::pending()
{
    if (!m_server)
        return int(m_pending.size());
    if (m_queue_path.isEmpty() || (!m_queue && !QFileInfo::exists(m_queue_path)))
        return 0;
    if (!m_queue)
        m_queue = std::make_unique<QParamHistory>(m_queue_path);
    int count = m_queue->pending();
    if (!m_queue->open())
        return count;
    QSqlQuery query(QSqlDatabase::database(m_queue->m_connection, false));
    if (query.exec(QStringLiteral("SELECT (SELECT count(*) FROM snapshot) + (SELECT count(*) FROM write_record)"))
        && query.next())
        count += query.value(0).toInt();
    return count;
}

bool QParamHistory::sync(bool force)
{
    if (!m_server)
        return flush();
    const bool queue_exists = m_queue || (!m_queue_path.isEmpty() && QFileInfo::exists(m_queue_path));
    if (!server_usable(force))
        return false;
    if (!queue_exists)
        return true;
    if (!m_queue)
        m_queue = std::make_unique<QParamHistory>(m_queue_path);
    if (!m_queue->flush() || !m_queue->open()) {
        m_error = m_queue->error_string();
        return false;
    }
    // Snapshots and writes in the order they were made; a record is taken
    // out of the queue only after the server has it (a resend after a lost
    // answer is stored once, by its uid).
    QList<tagParamSnapshot> snapshots = m_queue->list();
    tagAuditFilter every;
    QList<tagWriteRecord> writes = m_queue->query_writes(every, true, nullptr);
    std::reverse(snapshots.begin(), snapshots.end());
    int si = 0;
    int wi = 0;
    while (si < snapshots.size() || wi < writes.size()) {
        const bool snapshot_next = wi >= writes.size()
            || (si < snapshots.size() && snapshots.at(si).time <= writes.at(wi).time);
        if (snapshot_next) {
            tagParamSnapshot full;
            if (!m_queue->load(snapshots.at(si).id, &full)) {
                m_error = m_queue->error_string();
                return false;
            }
            if (store(full) == 0) {
                server_lost();
                return false;
            }
            if (!m_queue->remove_local("snapshot", full.id)) {
                m_error = m_queue->error_string();
                return false;
            }
            ++si;
        } else {
            if (store_write(writes.at(wi)) == 0) {
                server_lost();
                return false;
            }
            if (!m_queue->remove_local("write_record", writes.at(wi).id)) {
                m_error = m_queue->error_string();
                return false;
            }
            ++wi;
        }
    }
    return true;
}

bool QParamHistory::remove_local(const char *table, qint64 id)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(QLatin1String(table)));
    query.addBindValue(id);
    if (!query.exec())
        return fail(QCoreApplication::translate("QParamHistory", "无法写入"), query.lastError().text());
    return true;
}

bool QParamHistory::open_for_writing()
{
    if (!m_open && !open())
        return false;
    if (!m_writable) {
        if (m_error.isEmpty())
            fail(QCoreApplication::translate("QParamHistory", "无法写入"), QCoreApplication::translate("QParamHistory", "只读"));
        return false;
    }
    return true;
}

qint64 QParamHistory::store(const tagParamSnapshot &snapshot)
{
    if (!open_for_writing())
        return 0;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // SQLite: take the write lock first, waiting for it; a deferred
    // transaction that reads before it writes may be refused at once when
    // another program writes at the same time.
    const bool begun = m_server ? db.transaction() : QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!begun) {
        fail(QCoreApplication::translate("QParamHistory", "无法写入"), db.lastError().text());
        return 0;
    }

    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO snapshot (time_ms, port, station, drive_version, machine_name, machine_type,"
        " machine_version, operation, value_count, complete, uid, user_name, workstation,"
        " program_version, note, drive_serial)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (uid) DO NOTHING RETURNING id"));
    query.addBindValue(snapshot.time.toMSecsSinceEpoch());
    query.addBindValue(text(snapshot.port));
    query.addBindValue(snapshot.station);
    query.addBindValue(snapshot.drive_version);
    query.addBindValue(text(snapshot.machine_name));
    query.addBindValue(text(snapshot.machine_type));
    query.addBindValue(text(snapshot.machine_version));
    query.addBindValue(text(snapshot.operation));
    query.addBindValue(int(snapshot.values.size()));
    query.addBindValue(snapshot.complete && snapshot.unknown.isEmpty() ? 1 : 0);
    query.addBindValue(snapshot.uid.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(snapshot.uid));
    query.addBindValue(text(snapshot.user_name));
    query.addBindValue(text(snapshot.workstation));
    query.addBindValue(text(snapshot.program_version));
    query.addBindValue(text(snapshot.note));
    query.addBindValue(text(snapshot.drive_serial));
    bool ok = query.exec();
    QString reason = ok ? QString() : query.lastError().text();
    qint64 id = 0;
    bool duplicate = false;
    if (ok && query.next()) {
        id = query.value(0).toLongLong();
    } else if (ok) {
        // Stored before: a resend whose first answer was lost.
        duplicate = true;
        QSqlQuery existing(db);
        existing.prepare(QStringLiteral("SELECT id FROM snapshot WHERE uid = ?"));
        existing.addBindValue(snapshot.uid);
        ok = existing.exec() && existing.next();
        id = ok ? existing.value(0).toLongLong() : 0;
        if (!ok)
            reason = existing.lastError().text();
    }
    query.finish();

    for (int first = 0; ok && !duplicate && first < snapshot.values.size(); first += kValueRowsPerInsert) {
        const int rows = std::min(kValueRowsPerInsert, int(snapshot.values.size()) - first);
        QString sql = QStringLiteral("INSERT INTO snapshot_value (snapshot, position, code, raw) VALUES ");
        for (int i = 0; i < rows; ++i)
            sql += i == 0 ? QStringLiteral("(?, ?, ?, ?)") : QStringLiteral(", (?, ?, ?, ?)");
        QSqlQuery values(db);
        ok = values.prepare(sql);
        for (int i = first; ok && i < first + rows; ++i) {
            values.addBindValue(id);
            values.addBindValue(i);
            values.addBindValue(text(snapshot.values.at(i).code));
            values.addBindValue(snapshot.values.at(i).raw);
        }
        ok = ok && values.exec();
        if (!ok)
            reason = values.lastError().text();
    }
    if (ok && !duplicate && !snapshot.unknown.isEmpty()) {
        QSqlQuery unknown(db);
        ok = unknown.prepare(QStringLiteral(
            "INSERT INTO snapshot_unknown (snapshot, position, code) VALUES (?, ?, ?)"));
        for (int i = 0; ok && i < snapshot.unknown.size(); ++i) {
            unknown.bindValue(0, id);
            unknown.bindValue(1, i);
            unknown.bindValue(2, text(snapshot.unknown.at(i)));
            ok = unknown.exec();
        }
        if (!ok)
            reason = unknown.lastError().text();
    }
    if (!ok || !db.commit()) {
        if (ok)
            reason = db.lastError().text();
        db.rollback();
        fail(QCoreApplication::translate("QParamHistory", "无法写入"), reason);
        return 0;
    }
    return id;
}

qint64 QParamHistory::store_write(const tagWriteRecord &write)
{
    if (!open_for_writing())
        return 0;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO write_record (uid, time_ms, user_name, workstation, program_version, port, station,"
        " drive_version, drive_serial, machine_name, machine_type, machine_version, operation, code,"
        " before_raw, asked_raw, read_back_raw, result, exception_code, note)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (uid) DO NOTHING RETURNING id"));
    const QVariant null_int(QMetaType::fromType<qlonglong>());
    query.addBindValue(text(write.uid));
    query.addBindValue(write.time.toMSecsSinceEpoch());
    query.addBindValue(text(write.user_name));
    query.addBindValue(text(write.workstation));
    query.addBindValue(text(write.program_version));
    query.addBindValue(text(write.port));
    query.addBindValue(write.station);
    query.addBindValue(write.drive_version);
    query.addBindValue(text(write.drive_serial));
    query.addBindValue(text(write.machine_name));
    query.addBindValue(text(write.machine_type));
    query.addBindValue(text(write.machine_version));
    query.addBindValue(text(write.operation));
    query.addBindValue(text(write.code));
    query.addBindValue(write.has_before ? QVariant(qlonglong(write.before)) : null_int);
    query.addBindValue(qlonglong(write.asked));
    query.addBindValue(write.has_read_back ? QVariant(qlonglong(write.read_back)) : null_int);
    query.addBindValue(text(write.result));
    query.addBindValue(write.exception_code);
    query.addBindValue(text(write.note));
    if (!query.exec()) {
        fail(QCoreApplication::translate("QParamHistory", "无法写入"), query.lastError().text());
        return 0;
    }
    if (query.next())
        return query.value(0).toLongLong();
    // Stored before under the same uid.
    QSqlQuery existing(db);
    existing.prepare(QStringLiteral("SELECT id FROM write_record WHERE uid = ?"));
    existing.addBindValue(write.uid);
    if (!existing.exec() || !existing.next()) {
        fail(QCoreApplication::translate("QParamHistory", "无法写入"), existing.lastError().text());
        return 0;
    }
    return existing.value(0).toLongLong();
}

QList<tagWriteRecord> QParamHistory::audit(const tagAuditFilter &filter, bool *ok)
{
    return query_writes(filter, false, ok);
}

QList<tagWriteRecord> QParamHistory::query_writes(const tagAuditFilter &filter, bool oldest_first, bool *ok)
{
    QList<tagWriteRecord> writes;
    if (ok)
        *ok = false;
    if (!m_open && !open())
        return writes;
    QString sql = QLatin1String(kWriteSelect);
    QStringList where;
    QVariantList binds;
    if (filter.station >= 0) {
        where << QStringLiteral("station = ?");
        binds << filter.station;
    }
    if (!filter.code.isEmpty()) {
        where << QStringLiteral("code = ?");
        binds << filter.code;
    }
    if (!filter.user_name.isEmpty()) {
        where << QStringLiteral("user_name = ?");
        binds << filter.user_name;
    }
    if (filter.since.isValid()) {
        where << QStringLiteral("time_ms >= ?");
        binds << filter.since.toMSecsSinceEpoch();
    }
    if (filter.until.isValid()) {
        where << QStringLiteral("time_ms <= ?");
        binds << filter.until.toMSecsSinceEpoch();
    }
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += oldest_first ? QStringLiteral(" ORDER BY time_ms, id") : QStringLiteral(" ORDER BY time_ms DESC, id DESC");
    if (filter.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(filter.limit);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &bind : std::as_const(binds))
        query.addBindValue(bind);
    QString reason;
    if (!collect_rows(query, &writes, write_of, &reason)) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), reason);
        return writes;
    }
    if (ok)
        *ok = true;
    return writes;
}

QList<tagParamSnapshot> QParamHistory::list(const tagHistoryFilter &filter, bool *ok)
{
    QList<tagParamSnapshot> snapshots;
    if (ok)
        *ok = false;
    if (!m_open && !open())
        return snapshots;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QLatin1String(kHeaderSelect) + QStringLiteral(
        " WHERE (? < 0 OR station = ?) AND (? < 0 OR drive_version = ?)"
        " ORDER BY time_ms DESC, id DESC"));
    query.addBindValue(filter.station);
    query.addBindValue(filter.station);
    query.addBindValue(filter.drive_version);
    query.addBindValue(filter.drive_version);
    QString reason;
    if (!collect_rows(query, &snapshots, header_of, &reason)) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), reason);
        return snapshots;
    }
    if (ok)
        *ok = true;
    return snapshots;
}

bool QParamHistory::load(qint64 id, tagParamSnapshot *snapshot)
{
    if (!m_open && !open())
        return false;
    const QString cannot = QCoreApplication::translate("QParamHistory", "无法读取");
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QLatin1String(kHeaderSelect) + QStringLiteral(" WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec())
        return fail(cannot, query.lastError().text());
    if (!query.next()) {
        if (query.lastError().isValid())
            return fail(cannot, query.lastError().text());
        return fail(cannot, QCoreApplication::translate("QParamHistory", "没有编号为 %1 的记录").arg(id));
    }
    tagParamSnapshot s = header_of(query);
    query.finish();

    QSqlQuery values(db);
    values.setForwardOnly(true);
    values.prepare(QStringLiteral(
        "SELECT code, raw FROM snapshot_value WHERE snapshot = ? ORDER BY position"));
    values.addBindValue(id);
    if (!values.exec())
        return fail(cannot, values.lastError().text());
    s.values.reserve(s.value_count);
    while (values.next())
        s.values.append({values.value(0).toString(), int(values.value(1).toLongLong())});
    if (values.lastError().isValid())
        return fail(cannot, values.lastError().text());
    if (s.values.size() != s.value_count) {
        return fail(cannot, QCoreApplication::translate("QParamHistory", "记录 %1 应有 %2 个参数，只找到 %3 个")
                                .arg(id).arg(s.value_count).arg(s.values.size()));
    }

    QSqlQuery unknown(db);
    unknown.setForwardOnly(true);
    unknown.prepare(QStringLiteral("SELECT code FROM snapshot_unknown WHERE snapshot = ? ORDER BY position"));
    unknown.addBindValue(id);
    if (!unknown.exec())
        return fail(cannot, unknown.lastError().text());
    while (unknown.next())
        s.unknown.append(unknown.value(0).toString());
    if (unknown.lastError().isValid())
        return fail(cannot, unknown.lastError().text());
    *snapshot = s;
    return true;
}

QList<int> QParamHistory::distinct(const char *column)
{
    QList<int> out;
    if (!m_open && !open())
        return out;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.exec(QStringLiteral("SELECT DISTINCT %1 FROM snapshot ORDER BY 1").arg(QLatin1String(column)))) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), query.lastError().text());
        return out;
    }
    while (query.next())
        out.append(query.value(0).toInt());
    if (query.lastError().isValid()) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), query.lastError().text());
        return {};
    }
    return out;
}

QList<int> QParamHistory::stations()
{
    return distinct("station");
}

QList<int> QParamHistory::drive_versions()
{
    return distinct("drive_version");
}
