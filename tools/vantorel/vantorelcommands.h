#pragma once

#include "vantorelcommand.h"

#include <QList>
#include <QString>

// The one table of the tool's commands, in the order the help lists them.
// Dispatch and help read it; a new command is one unit and one line here.
namespace VantorelCommands {

const QList<VantorelCommandSpec> &all();
// Null for an unknown name.
const VantorelCommandSpec *find(const QString &name);

} // namespace VantorelCommands

namespace VantorelHelp {

QString general();
// Empty for an unknown command.
QString command(const QString &name);
bool is_command(const QString &name);

} // namespace VantorelHelp
