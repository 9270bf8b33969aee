#include "qparamhistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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
};
static_assert(sizeof kUpgrades / sizeof kUpgrades[0] == QParamHistory::kSchemaVersion,
              "one upgrade step per schema version");

// A snapshot's header: the columns header_of() reads, in its order.
const char kHeaderSelect[] = "SELECT id, time_ms, port, station, drive_version, machine_name,"
                             " machine_type, machine_version, operation, value_count, complete FROM snapshot";

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
    return s;
}

} // namespace

QString QParamHistory::path_beside(const QString &settings_file)
{
    return QFileInfo(settings_file).absoluteDir().filePath(QStringLiteral("history.sqlite"));
}

QParamHistory::QParamHistory(const QString &path)
    : m_path(path)
    , m_connection(next_connection_name())
{
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
    m_error = QCoreApplication::translate("QParamHistory", "历史记录 %1 %2：%3").arg(QDir::toNativeSeparators(m_path), what, reason);
    return false;
}

bool QParamHistory::open()
{
    if (m_open)
        return true;
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

qint64 QParamHistory::record(const tagParamSnapshot &snapshot)
{
    tagParamSnapshot queued = snapshot;
    if (!queued.time.isValid())
        queued.time = QDateTime::currentDateTimeUtc();
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

bool QParamHistory::flush()
{
    while (!m_pending.isEmpty()) {
        if (store(m_pending.first()) == 0)
            return false;
        m_pending.removeFirst();
    }
    return true;
}

qint64 QParamHistory::store(const tagParamSnapshot &snapshot)
{
    if (!m_open && !open())
        return 0;
    if (!m_writable) {
        if (m_error.isEmpty())
            fail(QCoreApplication::translate("QParamHistory", "无法写入"), QCoreApplication::translate("QParamHistory", "只读"));
        return 0;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction()) {
        fail(QCoreApplication::translate("QParamHistory", "无法写入"), db.lastError().text());
        return 0;
    }

    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO snapshot (time_ms, port, station, drive_version, machine_name, machine_type,"
        " machine_version, operation, value_count, complete) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
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
    bool ok = query.exec();
    const qint64 id = ok ? query.lastInsertId().toLongLong() : 0;
    QString reason = ok ? QString() : query.lastError().text();

    if (ok) {
        QSqlQuery values(db);
        ok = values.prepare(QStringLiteral(
            "INSERT INTO snapshot_value (snapshot, position, code, raw) VALUES (?, ?, ?, ?)"));
        for (int i = 0; ok && i < snapshot.values.size(); ++i) {
            values.bindValue(0, id);
            values.bindValue(1, i);
            values.bindValue(2, text(snapshot.values.at(i).code));
            values.bindValue(3, snapshot.values.at(i).raw);
            ok = values.exec();
        }
        if (!ok)
            reason = values.lastError().text();
    }
    if (ok && !snapshot.unknown.isEmpty()) {
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
    if (!query.exec()) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), query.lastError().text());
        return snapshots;
    }
    while (query.next())
        snapshots.append(header_of(query));
    // A step that fails ends the rows as the last one does.
    if (query.lastError().isValid()) {
        fail(QCoreApplication::translate("QParamHistory", "无法读取"), query.lastError().text());
        return {};
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
