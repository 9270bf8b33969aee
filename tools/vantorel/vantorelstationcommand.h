#pragma once

#include "vantorelcommand.h"

#include <paramset/paramsnapshot.h>
#include <communicate/tagserialconfig.h>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QMachineValue;
class QParamExchange;
class VantorelLink;

// What one station's command gave: its exit code, the one-line reason of a
// failure, the JSON result and the lines for people.
struct VantorelResult
{
    int exit = 0;
    QString error;
    QJsonObject json;
    QStringList header;
    QList<QStringList> rows;
    QStringList lines;
};

// A command that talks to stations. run() checks everything it can before
// the drive is touched (arguments, codes, values, files, the description),
// then serves each station in turn with its own link and reports: one
// station's result as it is, several with a summary. The first station's
// probe goes out while the checks run.
class VantorelStationCommand : public VantorelCommand
{
public:
    using VantorelCommand::VantorelCommand;
    ~VantorelStationCommand() override;

    int run() final;

protected:
    // True for a command that writes into the drive: its link settings may
    // not be fallbacks (VantorelSettings).
    virtual bool writes() const { return false; }
    // Checks of the arguments alone, before the description is loaded: by
    // default their number, as the table gives it.
    virtual int check_arguments();
    // Checks that need the model (or the history), before any station is
    // served; a set or a download that fails here writes nothing anywhere.
    virtual int prepare();
    // The command on one station that answered.
    virtual VantorelResult serve(VantorelLink &link) = 0;

    // Every code names a value of the model; otherwise the reason is
    // printed and the usage exit code returned.
    int known_codes(const QStringList &codes) const;
    const tagSerialConfig &link_config() const { return m_config; }
    QList<int> stations() const;

    // Reads values by missions of the level and type given, into the model.
    bool read_values(VantorelLink &link, const QList<QMachineValue *> &values, int level, int type,
                     const QString &label, VantorelResult *result) const;
    // Every parameter as the drive holds it now, read by the exchange the
    // workbench uses, and taken into the model; false with the reason.
    bool read_all(VantorelLink &link, const QString &label, QList<tagParamRaw> *values,
                  VantorelResult *result) const;
    // The exchange reports its end from the event loop after its group
    // ended; its results are complete only then.
    static void settle(const QParamExchange &exchange);

private:
    VantorelResult serve_station(int station);
    void print(const VantorelResult &result) const;

    tagSerialConfig m_config;
    std::unique_ptr<VantorelLink> m_early_link;
    bool m_served_any = false;
};
