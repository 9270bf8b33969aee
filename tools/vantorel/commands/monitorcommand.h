#pragma once

#include "vantorelstationcommand.h"

// monitor: runtime values read every period, as lines and optionally CSV,
// until the count is reached or the tool is interrupted.
class MonitorCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    int prepare() override;
    VantorelResult serve(VantorelLink &link) override;
};
