#include "vantoreltool.h"

#include "vantorelcommands.h"
#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <QCoreApplication>

VantorelTool::VantorelTool(const VantorelOptions &options, VantorelOutput &output)
    : m_options(options)
    , m_out(output)
{
}

int VantorelTool::run()
{
    VantorelSession session(m_options, m_out);
    const VantorelCommandSpec *spec = VantorelCommands::find(m_options.command);
    // The options parser lets only the table's commands through.
    if (!spec) {
        return session.fail(VantorelExit::Usage,
                            VantorelText::tr("未知命令 %1").arg(m_options.command));
    }
    const std::unique_ptr<VantorelCommand> command = spec->make(session);
    return command->run();
}
