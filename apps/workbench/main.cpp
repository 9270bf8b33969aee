#include "mainwindow.h"

#include <core/plugin/pluginloader.h>
#include <coredata/qfilelocations.h>
#include <coredata/qlocalcodec.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>
#include <coredata/quilanguage.h>
#include <machine/tagvaluegroup.h>

#include <QApplication>
#include <QDir>
#include <QTranslator>

#include <cstdio>

namespace {

// "workbench --check": starts as far as the window would (settings, plug-ins,
// machine description), says what it found on standard output and exits 0,
// or 1 with the first fault. Lets an installation be checked without a screen.
int check_installation()
{
    auto say = [](const QString &line) { std::fprintf(stdout, "%s\n", qUtf8Printable(line)); };
    auto fail = [](const QString &reason) {
        std::fprintf(stderr, "workbench: %s\n", qUtf8Printable(reason));
        return 1;
    };

    const QFileLocations::Places &places = QFileLocations::current();
    QSettingManager settings;
    settings.load();
    if (!settings.save())
        return fail(QStringLiteral("settings cannot be written to %1").arg(settings.file_path()));
    say(QStringLiteral("settings: %1 (%2)").arg(QDir::toNativeSeparators(settings.file_path()),
                                               places.per_user ? QStringLiteral("per user")
                                                               : QStringLiteral("beside the program")));

    const QMap<QString, QAbstractPlugin *> pages =
        PluginLoader::get_plugin_by_type(QStringLiteral("Plugin.Page"));
    if (pages.isEmpty())
        return fail(QStringLiteral("no page plug-in loaded"));
    say(QStringLiteral("page plug-ins: %1").arg(pages.keys().join(QStringLiteral(", "))));

    QSoftCore *core = QSoftCore::get_core();
    core->new_machine();
    QMachine *machine = core->get_machine();
    if (!machine)
        return fail(QStringLiteral("no machine description: %1").arg(core->machine_error()));
    int values = 0;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (const tagValueGroup *group : groups)
        values += group->m_values.size();
    say(QStringLiteral("machine description: %1 groups, %2 parameters, %3 runtime values; first group %4")
            .arg(groups.size())
            .arg(values)
            .arg(machine->get_all_runtimes().size())
            .arg(groups.isEmpty() ? QString() : QMachine::display_name(groups.first())));
    say(QStringLiteral("language: %1").arg(QUiLanguage::to_setting(QUiLanguage::current())));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!QLocalCodec::install())
        qWarning("workbench: no GBK codec on this platform; settings and parameter files "
                 "are read with the system codec");

    const QString program_dir = QCoreApplication::applicationDirPath();

    // The language is chosen before any text is made; a change in the
    // settings takes effect at the next start.
    QUiLanguage::Language language = QUiLanguage::from_setting(
        QSoftCore::get_core()->get_setting_value(QUiLanguage::setting_key()));
    QTranslator translator;
    QString reason;
    if (!QUiLanguage::load(&translator, language, program_dir, &reason)) {
        qWarning("workbench: no English texts (%s); the interface stays Chinese",
                 qUtf8Printable(reason));
        language = QUiLanguage::Chinese;
    }
    if (language == QUiLanguage::Chinese) {
        // The toolkit's own Chinese texts (standard buttons); when missing,
        // the interface keeps its source texts.
        (void)translator.load(program_dir + QStringLiteral("/qt_zh_CN.qm"));
    }
    app.installTranslator(&translator);
    QUiLanguage::set_current(language);
    QMachineValue::set_english(language == QUiLanguage::English);

    PluginLoader::load_plugin(program_dir + QStringLiteral("/plugins.xml"));

    if (QCoreApplication::arguments().contains(QStringLiteral("--check")))
        return check_installation();

    int code = 0;
    {
        MainWindow window;
        window.showMaximized();
        code = app.exec();
    }
    return code;
}
