// vantorel: the drive's parameters from a shell or a script, without a
// screen. `vantorel --help` lists the commands, options and exit codes.

#include "vantorelcommands.h"
#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantoreltool.h"

#include <coredata/qlocalcodec.h>

#include <QCoreApplication>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantorel"));

    VantorelOptions options;
    QString error;
    const bool parsed = VantorelOptions::parse(app.arguments().mid(1), &options, &error);
    VantorelOutput output(options.json);
    if (!parsed) {
        output.error(error + QStringLiteral("；vantorel --help 说明用法"));
        return VantorelExit::Usage;
    }
    if (options.help) {
        output.line(options.command.isEmpty() ? VantorelHelp::general() : VantorelHelp::command(options.command));
        return VantorelExit::Done;
    }
    if (options.command.isEmpty()) {
        output.error(QStringLiteral("没有给出命令；vantorel --help 说明用法"));
        return VantorelExit::Usage;
    }
    if (!options.verbose)
        qInstallMessageHandler(quiet_link_messages);
    // Parameter files and config.xml are GBK, as the workbench writes them.
    if (!QLocalCodec::install()) {
        output.error(QStringLiteral("no GBK codec on this system"));
        return VantorelExit::FileError;
    }

    VantorelTool tool(options, output);
    return tool.run();
}
