#pragma once

// One run of the vantorel program built with the tests: its exit code, what
// it printed on stdout (bytes) and on stderr.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

struct VantorelRun
{
    int exit = -1;
    QByteArray out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// Starts vantorel on `p` (its environment already set) and waits for it; a
// run that does not end within a minute is killed and reported in err.
inline VantorelRun run_vantorel(QProcess &p, const QStringList &arguments)
{
    p.start(QStringLiteral(TEST_APP_DIR "/vantorel"), arguments);
    VantorelRun run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        run.err = QStringLiteral("vantorel did not finish");
        return run;
    }
    run.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}
