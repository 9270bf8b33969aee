// Sets one key of the program's settings file (config.xml, GBK) and leaves
// every other key as it was. The demo script uses it to point the program at
// the simulated drive ("Communicate.PortName") without touching the
// operator's other settings.
//
//   config-set <config.xml> <Group.Item> <value>
//   config-set <config.xml> <Group.Item>          prints the value

#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <coredata/xmlobject.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString &reason)
{
    std::fprintf(stderr, "config-set: %s\n", reason.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!QLocalCodec::install())
        return fail(QStringLiteral("no GBK codec on this system"));

    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2 || args.size() > 3)
        return fail(QStringLiteral("usage: config-set <config.xml> <Group.Item> [value]"));
    const QString &file = args.at(0);
    const QString &key = args.at(1);
    if (key.indexOf(QLatin1Char('.')) <= 0)
        return fail(QStringLiteral("key '%1' has no group (Group.Item)").arg(key));

    // The store reads an unusable file as empty; writing then would throw the
    // operator's settings away, so such a file is left alone.
    QFile existing(file);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(file));
        XMLObject root;
        QString error;
        QString text;
        if (!QLocalCodec::decode(existing.readAll(), &text, &error))
            return fail(QStringLiteral("%1: %2; left unchanged").arg(file, error));
        if (!root.load(text, &error) || root.get_title() != QLatin1String("Settings"))
            return fail(QStringLiteral("%1 is not a settings file; left unchanged").arg(file));
    }

    QSettingManager settings(file);
    settings.load();
    if (args.size() == 2) {
        std::printf("%s\n", settings.get_value(key, QVariant()).toString().toLocal8Bit().constData());
        return 0;
    }
    if (!settings.set_value(key, QVariant(args.at(2))))
        return fail(QStringLiteral("cannot write %1").arg(QFileInfo(file).absoluteFilePath()));
    return 0;
}
