#pragma once

#include <paramset/paramaudit.h>
#include <paramset/paramsnapshot.h>

#include <QList>
#include <QObject>

class QMachine;
class QParamHistory;
class QWidget;

// The page's way to the history database: one database for the session,
// opened at first use. A history that cannot be opened or written warns the
// operator once per session; a record that could not be stored stays queued
// while the program runs and is offered again.
//
// Without a server it is the file beside the settings. With a server (the
// setting "History.Database"), the page's records always go into that file
// first, as the queue of what waits for the server, so the operator never
// waits on the network; a thread of its own sends them, at start, after
// every record, now and then while some wait (kSyncMs), and on sync_now().
// Reading (the history dialog) asks the server itself.
namespace ParvexHistory {

// How often records that wait for the server are offered again.
constexpr int kSyncMs = 30000;

// The session's database for reading, or null when it cannot be read (after
// the warning).
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
// Stores the write records of a run with the link's port, station and drive
// version and the operator's note; what cannot be stored now stays queued
// like a snapshot.
void record_writes(const QList<tagWriteRecord> &writes, QWidget *parent);

// The operator's note, given to every record made from now on.
void set_note(const QString &note);
QString note();

// Shows a problem of the history once per session.
void warn_once(const QString &reason, QWidget *parent);

// Tells how many records wait for the server.
class SyncStatus : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // waiting: records not yet on the server; -1 without a server.
    // reason: why the last attempt failed (empty when it reached the server).
    void changed(int waiting, const QString &reason);
};
SyncStatus *sync_status();
// Sends what waits for the server now (off the GUI thread).
void sync_now();
// The last figures sync_status() told.
int waiting();

} // namespace ParvexHistory
