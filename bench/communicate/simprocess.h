#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// Starts drive-sim from the program directory for a benchmark and waits for
// its "ready" line; stops it on destruction.
class SimProcess
{
public:
    ~SimProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.closeWriteChannel();
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    bool start(const QStringList &arguments, QString *error)
    {
        const QString program = QStringLiteral(APP_DIR "/drive-sim");
        if (!QFileInfo(program).isExecutable()) {
            *error = program + QStringLiteral(" is not built");
            return false;
        }
        m_link = m_dir.filePath(QStringLiteral("drive-tty"));
        m_process.start(program, arguments + QStringList{ QStringLiteral("--link"), m_link, QStringLiteral("--quit-on-eof") });
        QByteArray out;
        QDeadlineTimer deadline(10000);
        while (!out.contains('\n')) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
                *error = QStringLiteral("drive-sim did not get ready: ") + QString::fromUtf8(m_process.readAllStandardError());
                return false;
            }
            m_process.waitForReadyRead(100);
            out += m_process.readAllStandardOutput();
        }
        return out.startsWith("ready ");
    }

    QString device() const { return m_link; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_link;
};
