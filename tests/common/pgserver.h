#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of its own for a test or a benchmark: Debian's
// postgresql binaries, a cluster made by initdb in a scratch directory on a
// free port of 127.0.0.1, trust authentication for its one user. Run as
// root (as CI does), the server runs as an unprivileged user that owns the
// scratch directory. The server is stopped when the object goes.
class PgServer
{
public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    // Makes the cluster and starts it; false (error() says why) when the
    // binaries are missing or the server does not come up.
    bool start();
    bool stop();
    bool is_running() const { return m_running; }
    // A new empty database; its location for the history.
    QString create_database(const QString &name);
    // Runs one SQL statement in a database through psql; false on failure.
    bool psql(const QString &database, const QString &sql);
    QString error() const { return m_error; }
    int port() const { return m_port; }

private:
    bool run(const QString &program, const QStringList &arguments, int timeout_ms = 60000);

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_data;
    QString m_error;
    int m_port = 0;
    bool m_initialised = false;
    bool m_running = false;
    uint m_uid = 0;
    uint m_gid = 0;
};
