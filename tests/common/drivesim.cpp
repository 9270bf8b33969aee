#include "drivesim.h"

#include <QDeadlineTimer>
#include <QFileInfo>

DriveSim::DriveSim()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

DriveSim::~DriveSim()
{
    stop();
}

QString DriveSim::program()
{
    return QStringLiteral(TEST_APP_DIR "/drive-sim");
}

bool DriveSim::start(const QStringList &arguments, int timeout_ms)
{
    stop();
    m_error.clear();
    m_buffer.clear();
    if (!QFileInfo(program()).isExecutable()) {
        m_error = QStringLiteral("%1 is not built").arg(program());
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory: %1").arg(m_dir.errorString());
        return false;
    }
    QStringList args = arguments;
    const bool tcp = args.contains(QStringLiteral("--tcp")) || args.contains(QStringLiteral("--rtu-tcp"));
    if (tcp) {
        m_link.clear(); // the ready line names the address
    } else if (!args.contains(QStringLiteral("--link")) && !args.contains(QStringLiteral("--port"))) {
        m_link = m_dir.filePath(QStringLiteral("drive-tty"));
        args << QStringLiteral("--link") << m_link;
    } else {
        const int at = int(args.indexOf(QStringLiteral("--link")));
        m_link = at >= 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    }
    args << QStringLiteral("--quit-on-eof");
    m_process.start(program(), args);
    if (!m_process.waitForStarted(timeout_ms)) {
        m_error = QStringLiteral("drive-sim did not start: %1").arg(m_process.errorString());
        return false;
    }
    QString line;
    if (!read_line(&line, timeout_ms)) {
        m_error = QStringLiteral("drive-sim did not get ready: %1 %2")
                      .arg(m_error, QString::fromUtf8(m_process.readAllStandardError()).trimmed());
        stop();
        return false;
    }
    if (!line.startsWith(QLatin1String("ready "))) {
        m_error = QStringLiteral("drive-sim said \"%1\" instead of ready").arg(line);
        stop();
        return false;
    }
    if (m_link.isEmpty())
        m_link = line.mid(6);
    return true;
}

bool DriveSim::is_running() const
{
    return m_process.state() == QProcess::Running;
}

bool DriveSim::read_line(QString *line, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    for (;;) {
        const qsizetype end = m_buffer.indexOf('\n');
        if (end >= 0) {
            *line = QString::fromUtf8(m_buffer.left(end)).trimmed();
            m_buffer.remove(0, end + 1);
            return true;
        }
        if (m_process.state() != QProcess::Running) {
            m_buffer += m_process.readAllStandardOutput();
            if (m_buffer.contains('\n'))
                continue;
            m_error = QStringLiteral("drive-sim is not running (exit code %1)").arg(m_process.exitCode());
            return false;
        }
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("no answer from drive-sim within %1 ms").arg(timeout_ms);
            return false;
        }
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        m_buffer += m_process.readAllStandardOutput();
    }
}

bool DriveSim::command(const QString &line, QStringList *reply, int timeout_ms)
{
    if (reply)
        reply->clear();
    if (!is_running()) {
        m_error = QStringLiteral("drive-sim is not running");
        return false;
    }
    m_process.write(line.toUtf8() + '\n');
    QDeadlineTimer deadline(timeout_ms);
    for (;;) {
        QString answer;
        if (!read_line(&answer, int(qMax<qint64>(1, deadline.remainingTime()))))
            return false;
        if (reply)
            reply->append(answer);
        if (answer == QLatin1String("ok") || answer.startsWith(QLatin1String("ok ")))
            return true;
        if (answer.startsWith(QLatin1String("error"))) {
            m_error = QStringLiteral("drive-sim refused \"%1\": %2").arg(line, answer);
            return false;
        }
    }
}

QList<int> DriveSim::get(int address, int count, bool *ok)
{
    QStringList reply;
    QList<int> values;
    const bool good = command(QStringLiteral("get %1 %2").arg(address).arg(count), &reply);
    if (good) {
        const QStringList words = reply.last().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (int i = 1; i < words.size(); ++i)
            values.append(words.at(i).toInt());
    }
    if (ok)
        *ok = good && values.size() == count;
    return values;
}

int DriveSim::get_one(int address, bool *ok)
{
    bool good = false;
    const QList<int> values = get(address, 1, &good);
    if (ok)
        *ok = good;
    return good ? values.first() : -1;
}

bool DriveSim::set(int address, int value)
{
    return command(QStringLiteral("set %1 %2").arg(address).arg(value));
}

QMap<int, int> DriveSim::dump(bool *ok)
{
    QStringList reply;
    QMap<int, int> values;
    const bool good = command(QStringLiteral("dump"), &reply);
    if (good) {
        for (const QString &line : std::as_const(reply)) {
            const int eq = int(line.indexOf(QLatin1Char('=')));
            if (eq > 0)
                values.insert(line.left(eq).toInt(), line.mid(eq + 1).toInt());
        }
    }
    if (ok)
        *ok = good;
    return values;
}

bool DriveSim::fault(const QString &name, const QString &value)
{
    return command(QStringLiteral("fault %1 %2").arg(name, value));
}

bool DriveSim::hangup()
{
    return command(QStringLiteral("hangup"));
}

void DriveSim::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000)) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}
