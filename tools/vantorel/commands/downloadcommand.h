#pragma once

#include "vantorelstationcommand.h"

#include <paramset/paramsetfile.h>
#include <paramset/paramsnapshot.h>

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

private:
    // The plan's writes whose value differs from the drive's (as read), each
    // listed in the result's rows.
    QList<ParamSetFile::DownloadPlan::Write> differing_writes(const ParamSetFile::DownloadPlan &plan,
                                                              const QList<tagParamRaw> &drive,
                                                              VantorelResult *result) const;
};
