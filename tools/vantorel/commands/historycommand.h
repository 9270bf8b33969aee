#pragma once

#include "vantorelcommand.h"

class QParamHistory;

// history: lists, shows and exports the snapshots of parameter sets.
class HistoryCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;

private:
    int audit(QParamHistory *database);
};
