#pragma once

#include "vantorelcommand.h"

// check: every problem of a machine description, each with its line.
class CheckCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;
};
