#pragma once

#include <report/report_export.h>

#include <paramset/paramaudit.h>
#include <paramset/paramsnapshot.h>

#include <QDateTime>
#include <QList>
#include <QString>

class QMachine;
class QParamHistory;

// What a commissioning report shows: one stored parameter set, and the
// writes to the same drive (station) that led to it.
struct tagReportData
{
    tagParamSnapshot snapshot;
    // Writes to the drive from `writes_since` (exclusive; invalid: from the
    // beginning) up to the snapshot, oldest first.
    QDateTime writes_since;
    QList<tagWriteRecord> writes;
};

namespace ParamReport {

// Loads snapshot `id` and the writes to its station since `since`; an
// invalid `since` means since the station's previous upload or download
// before this snapshot (the last time its set was taken down), or from the
// beginning when there is none. False with *error set when the history
// cannot give them.
REPORT_EXPORT bool gather(QParamHistory *history, qint64 id, const QDateTime &since, tagReportData *data,
                          QString *error);

// The report as an HTML document: the drive's identity, the description,
// time, user, workstation and note; the parameters that differ from the
// description's defaults; the writes; lines for signatures; and the whole
// parameter set as an appendix. `machine` names and formats the values (a
// code it does not know shows its raw value).
REPORT_EXPORT QString html(const tagReportData &data, QMachine *machine);

// Writes the report to `path`: PDF for a .pdf file, else HTML (UTF-8). PDF
// needs a QGuiApplication (fonts and layout). False with *error set when
// the file cannot be written.
REPORT_EXPORT bool write(const QString &path, const tagReportData &data, QMachine *machine, QString *error);

} // namespace ParamReport
