#include <coredata/qfilelocations.h>
#include <coredata/qsettingmanager.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_QFileLocations : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void writableProgramDirKeepsEverythingBeside();
    void installedCopyUsesPerUserFolders();
    void unusablePerUserFolderIsReported();

private:
    QString make_program_dir(bool installed, const QByteArray &shipped_config);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_QFileLocations::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("home/config")).toUtf8());
    qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("home/data")).toUtf8());
}

QString tst_QFileLocations::make_program_dir(bool installed, const QByteArray &shipped_config)
{
    const QString dir = m_dir->filePath(QStringLiteral("program"));
    QDir().mkpath(dir);
    if (installed) {
        QFile marker(dir + QLatin1Char('/') + QFileLocations::installed_marker());
        marker.open(QIODevice::WriteOnly);
    }
    if (!shipped_config.isNull()) {
        QFile config(dir + QStringLiteral("/config.xml"));
        config.open(QIODevice::WriteOnly);
        config.write(shipped_config);
    }
    return dir;
}

void tst_QFileLocations::writableProgramDirKeepsEverythingBeside()
{
    const QString dir = make_program_dir(false, QByteArray("<Settings/>"));
    const QFileLocations::Places places = QFileLocations::resolve(dir);
    QVERIFY(!places.per_user);
    QCOMPARE(places.settings_file, dir + QStringLiteral("/config.xml"));
    QVERIFY(places.defaults_file.isEmpty());
    QCOMPARE(places.data_dir, dir);
    QVERIFY(places.problem.isEmpty());
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("home"))));
}

void tst_QFileLocations::installedCopyUsesPerUserFolders()
{
    const QByteArray shipped(
        "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<Settings><Group name=\"Communicate\">"
        "<Item name=\"BaudRate\" value=\"9600\"/></Group></Settings>\n");
    const QString dir = make_program_dir(true, shipped);
    const QFileLocations::Places places = QFileLocations::resolve(dir);
    QVERIFY(places.per_user);
    QVERIFY(places.problem.isEmpty());
    const QString config_dir = m_dir->filePath(QStringLiteral("home/config/vantorel"));
    QCOMPARE(places.settings_file, config_dir + QStringLiteral("/config.xml"));
    QCOMPARE(places.data_dir, m_dir->filePath(QStringLiteral("home/data/vantorel")));
    QCOMPARE(places.document_dir, places.data_dir);
    QVERIFY(QFileInfo(config_dir).isDir());
    QVERIFY(QFileInfo(places.data_dir).isDir());

    // First start: the shipped file gives the defaults; changes go to the
    // user's file and leave the shipped one alone.
    QSettingManager first(places.settings_file);
    first.set_defaults_file(places.defaults_file);
    first.load();
    QCOMPARE(first.get_value(QStringLiteral("Communicate.BaudRate")).toInt(), 9600);
    QVERIFY(first.set_value(QStringLiteral("Communicate.Stop"), 2));

    QFile shipped_file(places.defaults_file);
    QVERIFY(shipped_file.open(QIODevice::ReadOnly));
    QCOMPARE(shipped_file.readAll(), shipped);

    QSettingManager second(places.settings_file);
    second.set_defaults_file(places.defaults_file);
    second.load();
    QCOMPARE(second.get_value(QStringLiteral("Communicate.BaudRate")).toInt(), 9600);
    QCOMPARE(second.get_value(QStringLiteral("Communicate.Stop")).toInt(), 2);
}

void tst_QFileLocations::unusablePerUserFolderIsReported()
{
    // A file where the config folder should be: no folder can be made
    // there, even by root.
    QFile blocker(m_dir->filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());

    const QFileLocations::Places places = QFileLocations::resolve(make_program_dir(true, QByteArray()));
    QVERIFY(places.per_user);
    QVERIFY(places.problem.contains(blocker.fileName()));
    QVERIFY(places.defaults_file.isEmpty());
}

QTEST_GUILESS_MAIN(tst_QFileLocations)
#include "tst_qfilelocations.moc"
