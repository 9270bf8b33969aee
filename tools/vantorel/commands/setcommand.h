#pragma once

#include "vantorelstationcommand.h"

#include <QList>
#include <QPair>
#include <QString>

// set: writes values and reads each one back. Every value is checked
// before the first station is served, so a value that fails writes nothing.
class SetCommand : public VantorelStationCommand
{
public:
    using VantorelStationCommand::VantorelStationCommand;
    static VantorelCommandSpec spec();

protected:
    bool writes() const override { return true; }
    int prepare() override;
    VantorelResult serve(VantorelLink &link) override;

private:
    // Codes and raw values, in the order given.
    QList<QPair<QString, int>> m_writes;
};
