#pragma once

#include <paramset/paramaudit.h>
#include <paramset/paramsnapshot.h>

#include <QJsonObject>
#include <QList>
#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class QCSVFile;
class QMachine;
class QMachineConfig;
class QMachineValue;
class QParamHistory;
class VantorelLink;
class VantorelOutput;
struct VantorelOptions;

// What every command of one run shares: the options, the output, the
// machine description and the model built from it, and the history
// database. Owns the model and the history for the whole run; a command
// that serves several stations asks for a new model for each.
class VantorelSession
{
public:
    VantorelSession(const VantorelOptions &options, VantorelOutput &output);
    ~VantorelSession();

    const VantorelOptions &options() const { return m_options; }
    VantorelOutput &out() const { return m_out; }

    // Prints the reason (and, with --json, a document holding partial) and
    // returns exit.
    int fail(int exit, const QString &reason, const QJsonObject &partial = QJsonObject()) const;
    // A refusal for several faults at once: the reason, then every fault (at
    // most kListedProblems of them, and how many more), in one line; the
    // JSON document holds the same under "problems".
    int fail_listing(int exit, const QString &reason, const QStringList &problems) const;
    static constexpr int kListedProblems = 20;

    // The description of --machine or machines/default.xml, and a model
    // built from it; false with the loader's reason.
    bool load_description(QString *error);
    // A model that holds nothing read yet.
    void new_model();
    QMachine *machine() const { return m_machine.get(); }
    // The description file's absolute path.
    QString description() const { return m_description; }

    QList<QMachineValue *> values_of(const QStringList &codes) const;
    QList<QMachineValue *> all_parameters() const;
    // The file of one station: {station} in the pattern is replaced, and
    // with several stations "-N" goes before the extension.
    QString station_file(const QString &pattern, int station) const;

    // A parameter file read and its header checked, as a download and a
    // comparison take it; false with the one-line reason.
    bool load_param_file(const QString &path, QCSVFile *table, QString *reason) const;

    // Null when the history cannot be opened (or not written, for_writing);
    // history_error() then says why.
    QParamHistory *history_database(bool for_writing);
    QString history_error() const;
    // A snapshot recorded in the history; false when it could not be stored
    // now: it then stays queued until the run ends (finish_history).
    bool record(const VantorelLink &link, const QString &operation, const QList<tagParamRaw> &values,
                const QStringList &unknown = QStringList());
    // Before the tool ends: stores what is still queued. Empty when nothing
    // is left; otherwise the one-line reason, for the run's failure (a
    // record is never dropped with only a warning).
    QString finish_history();
    // One write record per value asked for: the raw value asked, the one
    // read before (by code, when read), the one read back and the drive's
    // refusal (its error code), each when there is one.
    void record_writes(const VantorelLink &link, const QString &operation,
                       const QList<QPair<QMachineValue *, int>> &asked, const QHash<QString, int> &before,
                       const QHash<QMachineValue *, int> &read_back, const QHash<QMachineValue *, int> &errors);

    // The drive the link reaches, as the workbench names it ("端口 …，站号
    // …，<description>，版本 …").
    QString target_of(const VantorelLink &link) const;
    // Said on standard error before anything is written: where to and how
    // many parameters.
    void announce_writes(const VantorelLink &link, int count) const;

private:
    const VantorelOptions &m_options;
    VantorelOutput &m_out;
    std::unique_ptr<QMachineConfig> m_description_config;
    std::unique_ptr<QMachine> m_machine;
    QString m_description;
    std::unique_ptr<QParamHistory> m_history;
    QList<tagWriteRecord> m_unsaved_writes;
};
