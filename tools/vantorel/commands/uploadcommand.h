#pragma once

#include "vantorelstationcommand.h"

// upload: every parameter into a parameter file, as the workbench's upload
// writes it, and a snapshot in the history.
class UploadCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    int check_arguments() override;
    VantorelResult serve(VantorelLink &link) override;
};
