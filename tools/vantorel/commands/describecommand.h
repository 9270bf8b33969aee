#pragma once

#include "vantorelcommand.h"

// describe: a machine description made from a vendor's parameter table.
class DescribeCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;
};
