#pragma once

#include "vantorelstationcommand.h"

// get: reads parameters or runtime values once.
class GetCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    int prepare() override;
    VantorelResult serve(VantorelLink &link) override;
};
