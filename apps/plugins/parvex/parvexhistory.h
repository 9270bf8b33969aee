#pragma once

#include <paramset/paramsnapshot.h>

class QMachine;
class QParamHistory;
class QWidget;

// The page's way to the history database: one database for the session,
// beside the settings file, opened at first use. A history that cannot be
// opened or written warns the operator once per session; a snapshot that
// could not be stored stays queued while the program runs and is offered
// again.
namespace ParvexHistory {

// The session's database, or null when it cannot be read (after the warning).
QParamHistory *database(QWidget *parent);
// Why the session's database cannot be used (empty when it can).
QString error_string();

// A snapshot of the model's values now, with the link's port, station and
// drive version.
tagParamSnapshot snapshot_now(QMachine *machine, const QString &operation);

// Stores it; 0 when it could not be stored now (the operator was told once;
// it stays queued and is offered again).
// warn: false when the caller tells the operator itself.
qint64 record(const tagParamSnapshot &snapshot, QWidget *parent, bool warn = true);

// Shows a problem of the history once per session.
void warn_once(const QString &reason, QWidget *parent);

} // namespace ParvexHistory
