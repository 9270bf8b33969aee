#pragma once

#include "vantorelstationcommand.h"

#include <QList>
#include <QString>

// compare: the drive's parameters against a parameter file, the
// description's defaults or a snapshot, read before any station is served.
class CompareCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    int check_arguments() override;
    int prepare() override;
    VantorelResult serve(VantorelLink &link) override;

private:
    QList<tagParamRaw> m_other;
    QString m_other_title;
    // What the JSON names as the other side: "file", "defaults" or "snapshot".
    QString m_against;
    qint64 m_snapshot_id = 0;
};
