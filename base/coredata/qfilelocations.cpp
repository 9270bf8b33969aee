#include "qfilelocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

namespace {

const QString &config_name()
{
    static const QString name = QStringLiteral("config.xml");
    return name;
}

// Creates dir when missing; an empty reason means it can be written.
QString prepare_dir(const QString &dir)
{
    if (dir.isEmpty())
        return QStringLiteral("the system names no per-user folder");
    if (!QDir().mkpath(dir))
        return QStringLiteral("%1 cannot be created").arg(QDir::toNativeSeparators(dir));
    if (!QFileInfo(dir).isWritable())
        return QStringLiteral("%1 cannot be written").arg(QDir::toNativeSeparators(dir));
    return QString();
}

} // namespace

QString QFileLocations::installed_marker()
{
    return QStringLiteral("installed");
}

QString QFileLocations::folder_name()
{
    return QStringLiteral("vantorel");
}

QFileLocations::Places QFileLocations::resolve(const QString &program_dir)
{
    Places places;
    const QDir dir(program_dir);
    const QFileInfo info(program_dir);
    places.per_user = !info.isWritable() || dir.exists(installed_marker());

    if (!places.per_user) {
        places.settings_file = dir.filePath(config_name());
        places.data_dir = dir.path();
        places.document_dir = QDir::currentPath();
        return places;
    }

    // Named locations, not the application's own name, so that the program
    // and the command-line tool share them.
    const QString config_dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1Char('/') + folder_name();
    const QString data_dir =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QLatin1Char('/') + folder_name();
    places.settings_file = config_dir + QLatin1Char('/') + config_name();
    places.data_dir = data_dir;
    places.document_dir = data_dir;
    if (dir.exists(config_name()))
        places.defaults_file = dir.filePath(config_name());

    QString problem = prepare_dir(config_dir);
    const QString data_problem = prepare_dir(data_dir);
    if (problem.isEmpty())
        problem = data_problem;
    else if (!data_problem.isEmpty())
        problem += QStringLiteral(", ") + data_problem;
    places.problem = problem;
    if (!data_problem.isEmpty())
        places.document_dir = QDir::homePath();
    return places;
}

const QFileLocations::Places &QFileLocations::current()
{
    static const Places places = [] {
        Places p = resolve(QCoreApplication::applicationDirPath());
        if (!p.problem.isEmpty()) {
            qWarning("Per-user folder unusable (%s): settings and history are kept only until "
                     "the program ends",
                     qUtf8Printable(p.problem));
        }
        return p;
    }();
    return places;
}
