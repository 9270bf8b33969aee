#include "pgserver.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char kUser[] = "vantorel";

// A port nobody listens on now (the kernel's choice of an ephemeral port).
int free_port()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

QString newest_bin_dir()
{
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = root.filePath(*it + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return QString();
}

} // namespace

PgServer::PgServer() = default;

PgServer::~PgServer()
{
    if (m_running)
        stop();
}

bool PgServer::run(const QString &program, const QStringList &arguments, int timeout_ms)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0) {
        // The server refuses to run as root: everything of it runs as the
        // unprivileged owner of the scratch directory.
        const uint uid = m_uid;
        const uint gid = m_gid;
        process.setChildProcessModifier([uid, gid] {
            if (::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(126);
        });
    }
    // The server's user may not enter the caller's working directory.
    process.setWorkingDirectory(m_dir.path());
    process.start(program, arguments);
    if (!process.waitForFinished(timeout_ms) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        m_error = QStringLiteral("%1 %2: %3").arg(program, arguments.join(QLatin1Char(' ')),
                                                 QString::fromLocal8Bit(process.readAll()).trimmed());
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        return false;
    }
    return true;
}

bool PgServer::start()
{
    if (m_running)
        return true;
    if (!m_initialised) {
        m_bin = newest_bin_dir();
        if (m_bin.isEmpty()) {
            m_error = QStringLiteral("no PostgreSQL server binaries under /usr/lib/postgresql (Debian: postgresql)");
            return false;
        }
        if (!m_dir.isValid()) {
            m_error = QStringLiteral("no scratch directory");
            return false;
        }
        if (::geteuid() == 0) {
            const passwd *owner = ::getpwnam("postgres");
            if (!owner)
                owner = ::getpwnam("nobody");
            if (!owner) {
                m_error = QStringLiteral("no unprivileged user to run the server as");
                return false;
            }
            m_uid = owner->pw_uid;
            m_gid = owner->pw_gid;
            if (::chown(QFile::encodeName(m_dir.path()).constData(), m_uid, m_gid) != 0) {
                m_error = QStringLiteral("cannot give %1 to the server's user").arg(m_dir.path());
                return false;
            }
        }
        m_data = m_dir.filePath(QStringLiteral("data"));
        if (!run(m_bin + QStringLiteral("/initdb"),
                 {QStringLiteral("-D"), m_data, QStringLiteral("-U"), QString::fromLatin1(kUser),
                  QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                  QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
            return false;
        m_initialised = true;
    }
    // Started again, it comes back where its clients look for it.
    if (m_port == 0)
        m_port = free_port();
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off"
                                           " -c max_connections=40")
                                .arg(m_port)
                                .arg(m_dir.path());
    if (!run(m_bin + QStringLiteral("/pg_ctl"),
             {QStringLiteral("-D"), m_data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
              QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
              QStringLiteral("start")}, 90000))
        return false;
    m_running = true;
    return true;
}

bool PgServer::stop()
{
    if (!m_running)
        return true;
    m_running = false;
    return run(m_bin + QStringLiteral("/pg_ctl"),
               {QStringLiteral("-D"), m_data, QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
                QStringLiteral("stop")});
}

bool PgServer::psql(const QString &database, const QString &sql)
{
    return run(m_bin + QStringLiteral("/psql"),
               {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(m_port),
                QStringLiteral("-U"), QString::fromLatin1(kUser), QStringLiteral("-d"), database,
                QStringLiteral("-X"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-q"), QStringLiteral("-c"), sql});
}

QString PgServer::create_database(const QString &name)
{
    if (!psql(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name)))
        return QString();
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(QLatin1String(kUser)).arg(m_port).arg(name);
}
