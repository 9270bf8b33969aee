#pragma once

#include "vantorelcommand.h"

// scan: the device search, as the workbench's search runs it.
class ScanCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;
};
