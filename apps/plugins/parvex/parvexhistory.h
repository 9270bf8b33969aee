#pragma once

#include <paramset/paramsnapshot.h>

class QMachine;
class QParamHistory;
class QWidget;

// The page's way to the history database: one database for the session,
// beside the settings file, opened at first use. A history that cannot be
// opened or written warns the operator once per session; the operation that
// wanted to record goes on either way.
namespace ParvexHistory {

// The session's database, or null when it cannot be read (after the warning).
QParamHistory *database(QWidget *parent);

// A snapshot of the model's values now, with the link's port, station and
// drive version.
tagParamSnapshot snapshot_now(QMachine *machine, const QString &operation);

// Stores it; 0 when it could not be stored (the operator was told once).
qint64 record(const tagParamSnapshot &snapshot, QWidget *parent);

// Shows a problem of the history once per session.
void warn_once(const QString &reason, QWidget *parent);

} // namespace ParvexHistory
