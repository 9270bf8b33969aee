#pragma once

#include "vantorelstationcommand.h"

// info: the drive's version, the port and station, and the description used.
class InfoCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    VantorelResult serve(VantorelLink &link) override;
};
