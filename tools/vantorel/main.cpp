// vantorel: the drive's parameters from a shell or a script, without a
// screen. `vantorel --help` lists the commands, options and exit codes.

#include "vantorelcommands.h"
#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantoreltr.h"
#include "vantoreltool.h"

#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <coredata/quilanguage.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTranslator>

#include <memory>

#include <cstdio>
#include <cstdlib>

namespace {

// The link reports what it meets on standard error; the tool says itself
// in one line what failed, so the link's own words come only with --verbose.
// Everything else (a settings file that cannot be read) is printed.
void quiet_link_messages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtFatalMsg && message.startsWith(QLatin1String("communicate:")))
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg)
        std::abort();
}

// The language of the run: the locale's messages language when the
// environment names one the tool speaks (LC_ALL, LC_MESSAGES, LANG, first
// set first, as the C library reads them; "en..." or "zh..."), else the
// workbench's setting.
QUiLanguage::Language run_language(const VantorelOptions &options)
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (value.isEmpty())
            continue;
        if (value.startsWith(QLatin1String("en")))
            return QUiLanguage::English;
        if (value.startsWith(QLatin1String("zh")))
            return QUiLanguage::Chinese;
        // "C", "POSIX" or a language the tool does not speak: the setting.
        break;
    }
    QSettingManager settings = options.config.isEmpty() ? QSettingManager() : QSettingManager(options.config);
    settings.load();
    return QUiLanguage::from_setting(settings.get_value(QUiLanguage::setting_key()));
}

} // namespace

int main(int argc, char *argv[])
{
    // The options decide which application object the run needs: a report
    // lays out text with fonts, which takes a QGuiApplication; without a
    // screen, on the offscreen platform. Every other command stays free of
    // Gui.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    VantorelOptions options;
    QString error;
    const bool parsed = VantorelOptions::parse(arguments, &options, &error);
    std::unique_ptr<QCoreApplication> app;
    if (parsed && !options.help && options.command == QLatin1String("report")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("vantorel"));

    VantorelOutput output(options.json);
    // Parameter files and config.xml are GBK, as the workbench writes them.
    if (!QLocalCodec::install()) {
        output.error(QStringLiteral("no GBK codec on this system"));
        return VantorelExit::FileError;
    }
    QTranslator translator;
    const QUiLanguage::Language language = run_language(options);
    // Names and choices from the description in the run's language too.
    QMachineValue::set_english(language == QUiLanguage::English);
    if (language != QUiLanguage::Chinese) {
        QString reason;
        if (QUiLanguage::load(&translator, language, QCoreApplication::applicationDirPath(), &reason))
            QCoreApplication::installTranslator(&translator);
        else
            output.error(QStringLiteral("no English texts (%1); the messages stay Chinese").arg(reason));
    }
    if (!parsed) {
        // The reason once more, now that the run's language is known.
        VantorelOptions again;
        VantorelOptions::parse(arguments, &again, &error);
        output.error(VantorelText::tr("%1；vantorel --help 说明用法").arg(error));
        return VantorelExit::Usage;
    }
    if (options.help) {
        output.line(options.command.isEmpty() ? VantorelHelp::general() : VantorelHelp::command(options.command));
        return VantorelExit::Done;
    }
    if (options.command.isEmpty()) {
        output.error(VantorelText::tr("没有给出命令；vantorel --help 说明用法"));
        return VantorelExit::Usage;
    }
    if (!options.verbose)
        qInstallMessageHandler(quiet_link_messages);
    VantorelTool tool(options, output);
    return tool.run();
}
