// The history database on disk: what survives a restart, and the files it
// must leave alone (broken, locked, written by a newer program).
#include <paramset/qparamhistory.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

tagParamSnapshot snapshot(int station, int version, const QString &operation, int values)
{
    tagParamSnapshot s;
    s.time = QDateTime::currentDateTimeUtc();
    s.port = QStringLiteral("/dev/ttyUSB0");
    s.station = station;
    s.drive_version = version;
    s.machine_name = QStringLiteral("通用变频器");
    s.operation = operation;
    for (int i = 0; i < values; ++i)
        s.values.append({QStringLiteral("F0-%1").arg(i, 2, 10, QLatin1Char('0')), i == 1 ? -70000 : i * 3});
    return s;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Sets user_version (and nothing else) through a connection of its own.
void set_user_version(const QString &path, int version)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = %1").arg(version)));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
}

} // namespace

class tst_QParamHistory : public QObject
{
    Q_OBJECT
private slots:
    void init() { QVERIFY(m_dir.isValid()); m_path = m_dir.filePath(QStringLiteral("history.sqlite")); QFile::remove(m_path); }
    void recordsAndSurvivesARestart();
    void upgradesAnEmptyFileAndReadsANewerOneOnly();
    void leavesABrokenOrLockedFileAlone();
    void reportsDamageAsDamage();
    void programsCreatingItAtOnceLoseNothing();
    void keepsAnIncompleteSnapshotIncomplete();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void tst_QParamHistory::recordsAndSurvivesARestart()
{
    QCOMPARE(QParamHistory::path_beside(m_dir.filePath(QStringLiteral("config.xml"))), m_path);
    qint64 upload = 0;
    {
        QParamHistory history(m_path);
        QVERIFY2(history.open(), qPrintable(history.error_string()));
        QVERIFY(history.is_writable());
        upload = history.record(snapshot(1, 100, QStringLiteral("upload"), 4));
        QVERIFY2(upload > 0, qPrintable(history.error_string()));
        tagParamSnapshot later = snapshot(2, 101, QStringLiteral("backup"), 2);
        later.time = later.time.addSecs(60);
        QVERIFY(history.record(later) > upload);
    }
    QParamHistory history(m_path);
    QVERIFY(history.open());
    QCOMPARE(history.schema_version(), QParamHistory::kSchemaVersion);
    const QList<tagParamSnapshot> all = history.list();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).station, 2); // newest first
    QCOMPARE(all.at(1).value_count, 4);
    QVERIFY(all.at(1).values.isEmpty());
    QCOMPARE(history.list({1, -1}).size(), 1);
    QCOMPARE(history.list({-1, 101}).first().operation, QStringLiteral("backup"));
    QCOMPARE(history.stations(), (QList<int>{1, 2}));

    tagParamSnapshot loaded;
    QVERIFY(history.load(upload, &loaded));
    const tagParamSnapshot original = snapshot(1, 100, QStringLiteral("upload"), 4);
    QCOMPARE(loaded.values.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(loaded.values.at(i).code, original.values.at(i).code);
        QCOMPARE(loaded.values.at(i).raw, original.values.at(i).raw);
    }
    QCOMPARE(loaded.port, original.port);
    QCOMPARE(loaded.machine_name, original.machine_name);
    QCOMPARE(loaded.machine_type, QString());
    QVERIFY(!history.load(upload + 100, &loaded));
}

void tst_QParamHistory::upgradesAnEmptyFileAndReadsANewerOneOnly()
{
    // A file of schema 0 (what an interrupted first start leaves) gets the tables.
    set_user_version(m_path, 0);
    {
        QParamHistory history(m_path);
        QVERIFY(history.open());
        QCOMPARE(history.schema_version(), QParamHistory::kSchemaVersion);
        QVERIFY(history.record(snapshot(1, 100, QStringLiteral("upload"), 1)) > 0);
    }
    // Written by a newer program: listed, never written or upgraded.
    set_user_version(m_path, QParamHistory::kSchemaVersion + 1);
    const QByteArray before = contents(m_path);
    QParamHistory history(m_path);
    QVERIFY(history.open());
    QVERIFY(!history.is_writable());
    QVERIFY(history.error_string().contains(QString::number(QParamHistory::kSchemaVersion + 1)));
    QCOMPARE(history.list().size(), 1);
    QCOMPARE(history.record(snapshot(1, 100, QStringLiteral("upload"), 1)), 0);
    QCOMPARE(contents(m_path), before);
}

void tst_QParamHistory::leavesABrokenOrLockedFileAlone()
{
    QFile broken(m_path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    const QByteArray garbage = QByteArray("not a database, but someone's file\n").repeated(200);
    broken.write(garbage);
    broken.close();
    {
        QParamHistory history(m_path);
        QVERIFY(!history.open());
        QVERIFY(!history.error_string().isEmpty());
        QCOMPARE(history.record(snapshot(1, 100, QStringLiteral("upload"), 3)), 0);
        QVERIFY(history.list().isEmpty());
    }
    QCOMPARE(contents(m_path), garbage);

    // Another program holds the file locked: recording gives up with a
    // reason after its wait and keeps the snapshot queued until the lock is
    // gone; the snapshots already there stay.
    QFile::remove(m_path);
    {
        QParamHistory history(m_path);
        QVERIFY(history.open());
        QVERIFY(history.record(snapshot(1, 100, QStringLiteral("upload"), 3)) > 0);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        db.setDatabaseName(m_path);
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QParamHistory history(m_path);
        history.set_busy_timeout(100);
        QCOMPARE(history.record(snapshot(1, 100, QStringLiteral("upload"), 3)), 0);
        QVERIFY(!history.error_string().isEmpty());
        QCOMPARE(history.pending(), 1);
        QVERIFY(!history.flush());
        QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
        db.close();
        QVERIFY2(history.flush(), qPrintable(history.error_string()));
        QCOMPARE(history.pending(), 0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    QParamHistory history(m_path);
    QCOMPARE(history.list().size(), 2);
}

void tst_QParamHistory::reportsDamageAsDamage()
{
    {
        QParamHistory history(m_path);
        QVERIFY(history.open());
        for (int i = 0; i < 20; ++i)
            QVERIFY(history.record(snapshot(1, 100, QStringLiteral("upload"), 50)) > 0);
    }
    // Page 2 overwritten, as a crashed disk or another program leaves it.
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() > 3 * 4096);
    QVERIFY(file.seek(4096));
    QVERIFY(file.write(QByteArray(4096, char(0x5A))) == 4096);
    file.close();
    const QByteArray damaged = contents(m_path);

    QParamHistory history(m_path);
    QVERIFY(!history.open());
    QVERIFY2(history.error_string().contains(QStringLiteral("已损坏")), qPrintable(history.error_string()));
    bool ok = true;
    QVERIFY(history.list({}, &ok).isEmpty());
    QVERIFY(!ok);
    QCOMPARE(contents(m_path), damaged);
}

// Several programs (here threads, each with its own connection, which SQLite
// locks the same way) create the file and record at the same moment.
void tst_QParamHistory::programsCreatingItAtOnceLoseNothing()
{
    constexpr int kWriters = 8;
    constexpr int kEach = 5;
    std::atomic<int> ready{0};
    std::atomic<int> stored{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            QParamHistory history(m_path);
            ++ready;
            while (ready.load() < kWriters)
                std::this_thread::yield();
            for (int i = 0; i < kEach; ++i) {
                if (history.record(snapshot(w + 1, 100, QStringLiteral("upload"), 10)) > 0 || history.flush())
                    ++stored;
            }
        });
    }
    for (std::thread &t : writers)
        t.join();
    QCOMPARE(stored.load(), kWriters * kEach);
    QParamHistory history(m_path);
    QVERIFY2(history.open(), qPrintable(history.error_string()));
    QCOMPARE(history.list().size(), kWriters * kEach);
}

void tst_QParamHistory::keepsAnIncompleteSnapshotIncomplete()
{
    tagParamSnapshot s = snapshot(1, 100, QStringLiteral("download"), 3);
    s.unknown = QStringList{QStringLiteral("F0-07"), QStringLiteral("F0-08")};
    s.complete = false;
    qint64 id = 0;
    {
        QParamHistory history(m_path);
        id = history.record(s);
        QVERIFY2(id > 0, qPrintable(history.error_string()));
    }
    QParamHistory history(m_path);
    QVERIFY(!history.list().first().complete);
    tagParamSnapshot loaded;
    QVERIFY(history.load(id, &loaded));
    QVERIFY(!loaded.complete);
    QCOMPARE(loaded.values.size(), 3);
    QCOMPARE(loaded.unknown, s.unknown);
}

QTEST_GUILESS_MAIN(tst_QParamHistory)
#include "tst_qparamhistory.moc"
