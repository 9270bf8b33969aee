#pragma once

#include "vantorelcommand.h"

// report: the commissioning report of a stored parameter set, as PDF or
// HTML. Runs on Qt's offscreen platform (main() sets it up for this
// command), so it needs no screen.
class ReportCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;
};
