#pragma once

#include "vantorelstationcommand.h"

// download: a parameter file into the drive, with a backup snapshot before
// and a verification after. Every station's file is checked before the first
// station is written.
class DownloadCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    bool writes() const override { return true; }
    int prepare() override;
    VantorelResult serve(VantorelLink &link) override;
};
