#pragma once

#include "vantoreloptions.h"

#include <paramset/paramsnapshot.h>
#include <communicate/tagserialconfig.h>

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QMachine;
class QMachineConfig;
class QMachineValue;
class QParamHistory;
class VantorelLink;
class VantorelOutput;

// One run of the tool: checks everything it can before the drive is
// touched (options, codes, values, files, the description), then runs the
// command on each station in turn and reports. Owns the model of the
// station being served; the link lives only while a station is served.
class VantorelTool
{
public:
    VantorelTool(const VantorelOptions &options, VantorelOutput &output);
    ~VantorelTool();

    // The exit code (VantorelExit).
    int run();

private:
    // What one station's command gave: its exit code, the one-line reason
    // of a failure, the JSON result and the lines for people.
    struct Result
    {
        int exit = 0;
        QString error;
        QJsonObject json;
        QStringList header;
        QList<QStringList> rows;
        QStringList lines;
    };

    // Prints the reason (and, with --json, a document holding partial) and
    // returns exit.
    int fail(int exit, const QString &reason, const QJsonObject &partial = QJsonObject());
    bool load_description(QString *error);
    void new_model();
    tagSerialConfig link_config() const;

    int prepare();
    Result serve(int station);
    std::unique_ptr<VantorelLink> make_link();
    void print(const Result &result);

    Result info(VantorelLink &link);
    Result get(VantorelLink &link);
    Result set(VantorelLink &link);
    Result upload(VantorelLink &link);
    Result download(VantorelLink &link);
    Result monitor(VantorelLink &link);

    Result compare(VantorelLink &link);

    int ports();
    int history();
    int scan();

    // Every parameter as the drive holds it now, read by the exchange the
    // workbench uses, and taken into the model; false with the reason.
    bool read_all(VantorelLink &link, const QString &label, QList<tagParamRaw> *values, Result *result);
    // A snapshot of the model's values, recorded in the history; a history
    // that cannot be used is reported on standard error and stops nothing.
    void record(VantorelLink &link, const QString &operation, const QList<tagParamRaw> &values);
    QParamHistory *history_database(bool for_writing);

    QString station_file(const QString &pattern, int station) const;
    QList<QMachineValue *> values_of(const QStringList &codes) const;
    QList<QMachineValue *> all_parameters() const;
    bool read_values(VantorelLink &link, const QList<QMachineValue *> &values, int level, int type,
                     const QString &label, Result *result);

    const VantorelOptions &m_options;
    VantorelOutput &m_out;
    std::unique_ptr<QMachineConfig> m_description_config;
    std::unique_ptr<QMachine> m_machine;
    bool m_served_any = false;
    QString m_description;
    tagSerialConfig m_config;
    std::unique_ptr<VantorelLink> m_early_link;

    // set: codes and raw values, checked before any station is served.
    QList<QPair<QString, int>> m_writes;
    // compare: the other side, read before any station is served.
    QList<tagParamRaw> m_other;
    QString m_other_title;
    std::unique_ptr<QParamHistory> m_history;
    bool m_history_warned = false;
};
