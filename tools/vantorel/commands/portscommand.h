#pragma once

#include "vantorelcommand.h"

// ports: the serial ports the system lists.
class PortsCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    static VantorelCommandSpec spec();

    int run() override;
};
