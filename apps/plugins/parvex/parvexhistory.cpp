#include "parvexhistory.h"

#include <paramset/qparamhistory.h>

#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

namespace ParvexHistory {

namespace {

// Sends the queue file to the server; lives in a thread of its own, and so
// does its server connection (made there, closed there).
class SyncWorker : public QObject
{
public:
    SyncWorker(const QString &server, const QString &queue)
        : m_server(server)
        , m_queue(queue)
    {
    }

    // Asks for one sync; several asked before it runs make one.
    void request()
    {
        if (m_requested.exchange(true))
            return;
        QMetaObject::invokeMethod(this, [this] { run(); }, Qt::QueuedConnection);
    }

    // Called with what waits and why, in the worker's thread.
    std::function<void(int, const QString &)> report;

private:
    void run()
    {
        m_requested = false;
        if (!m_history) {
            m_history = std::make_unique<QParamHistory>(m_server);
            m_history->set_queue_file(m_queue);
        }
        const bool done = m_history->sync(true);
        const int waiting = m_history->pending();
        if (report)
            report(waiting, done && waiting == 0 ? QString() : m_history->error_string());
    }

    QString m_server;
    QString m_queue;
    std::unique_ptr<QParamHistory> m_history;
    std::atomic<bool> m_requested{false};
};

// Owned by the application object, so the database connections close while
// the SQL drivers are still there (a static would outlive them).
class Holder : public QObject
{
public:
    explicit Holder(QObject *parent)
        : QObject(parent)
        , status(new SyncStatus(this))
    {
        // Records that could not be stored wait here and are offered again
        // now and then while the program runs.
        m_retry.setInterval(kRetryMs);
        connect(&m_retry, &QTimer::timeout, this, [this] {
            if (flush())
                m_retry.stop();
        });
        m_sync.setInterval(kSyncMs);
        connect(&m_sync, &QTimer::timeout, this, [this] { sync(); });
    }
    ~Holder() override { stop_worker(); }

    // Stores what waits in memory; true when nothing is left.
    bool flush()
    {
        if (!history)
            return true;
        history->flush();
        while (!unsaved_writes.isEmpty() && history->record_write(unsaved_writes.first()) > 0)
            unsaved_writes.removeFirst();
        return history->pending() == 0 && unsaved_writes.isEmpty();
    }
    void retry_later()
    {
        if (!m_retry.isActive())
            m_retry.start();
    }

    // The session's records go to `local`; with a server, a worker sends
    // them on.
    void set_up(const QString &local, const QString &server)
    {
        stop_worker();
        reader.reset();
        history = std::make_unique<QParamHistory>(local);
        m_server = server;
        waiting = -1;
        if (server.isEmpty()) {
            emit status->changed(-1, QString());
            return;
        }
        reader = std::make_unique<QParamHistory>(server);
        m_worker = new SyncWorker(server, local);
        m_worker->moveToThread(&m_thread);
        // A report posted by a worker since stopped is not looked at; one
        // posted to a holder since gone is dropped by Qt.
        Holder *self = this;
        const int generation = ++m_generation;
        m_worker->report = [self, generation](int count, const QString &reason) {
            QMetaObject::invokeMethod(self, [self, generation, count, reason] {
                if (!self->m_worker || self->m_generation != generation)
                    return;
                self->waiting = count;
                if (count > 0)
                    self->m_sync.start();
                else
                    self->m_sync.stop();
                emit self->status->changed(count, reason);
            }, Qt::QueuedConnection);
        };
        connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
        m_thread.start();
        sync();
    }
    void sync()
    {
        if (m_worker)
            m_worker->request();
    }
    bool is_server() const { return !m_server.isEmpty(); }

    QString location;
    std::unique_ptr<QParamHistory> history; // where records go first
    std::unique_ptr<QParamHistory> reader;  // the server, for reading
    QList<tagWriteRecord> unsaved_writes;
    QString note;
    int waiting = -1;
    SyncStatus *status;

private:
    void stop_worker()
    {
        if (!m_worker)
            return;
        m_worker = nullptr;
        m_sync.stop();
        m_thread.quit();
        m_thread.wait();
    }

    static constexpr int kRetryMs = 10000;
    QTimer m_retry;
    QTimer m_sync;
    QThread m_thread;
    SyncWorker *m_worker = nullptr;
    int m_generation = 0;
    QString m_server;
};

QPointer<Holder> g_holder;
bool g_warned = false;

Holder *holder()
{
    if (!g_holder)
        g_holder = new Holder(QCoreApplication::instance());
    return g_holder;
}

} // namespace

void warn_once(const QString &reason, QWidget *parent)
{
    if (g_warned)
        return;
    g_warned = true;
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("ParvexHistory", "警告"),
                    QCoreApplication::translate("ParvexHistory", "历史记录不可用，本次运行不再提示。"),
                    QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    box.exec();
}

namespace {

Holder *instance(QWidget *parent)
{
    // The file follows the settings: beside config.xml, wherever that lives;
    // with a plant's server the setting "History.Database" names, that file
    // is the queue of what waits for it.
    const QString settings = QSettingManager::default_file();
    const QString database = QSettingManager().get_value(QStringLiteral("History.Database")).toString().trimmed();
    const QString local = QParamHistory::path_beside(settings);
    const QString server = QParamHistory::is_server_location(database) ? database : QString();
    const QString location = server.isEmpty() ? local : server + QLatin1Char('|') + local;
    Holder *h = holder();
    if (!h->history || h->location != location) {
        h->location = location;
        h->set_up(local, server);
        if (!h->history->open() || !h->history->is_writable())
            warn_once(h->history->error_string(), parent);
    } else if (!h->history->is_open()) {
        // A lock may have gone since; a broken file stays broken, quietly.
        h->history->open();
    }
    return h;
}

} // namespace

QParamHistory *database(QWidget *parent)
{
    Holder *h = instance(parent);
    // With a server, what is read is the plant's archive; a server that is
    // away is retried at every reading (the connection waits a few seconds
    // at most).
    QParamHistory *history = h->reader ? h->reader.get() : h->history.get();
    if (h->reader && !history->is_open())
        history->open();
    return history->is_open() ? history : nullptr;
}

QString error_string()
{
    if (!g_holder || !g_holder->history)
        return QString();
    if (g_holder->reader && !g_holder->reader->is_open())
        return g_holder->reader->error_string();
    return g_holder->history->error_string();
}

tagParamSnapshot snapshot_now(QMachine *machine, const QString &operation)
{
    QSoftCore *core = QSoftCore::get_core();
    tagParamSnapshot snapshot = ParamSnapshot::of_machine(machine, operation);
    snapshot.port = core->get_port_name();
    snapshot.station = core->get_machine_address();
    snapshot.drive_version = core->get_machine_version();
    snapshot.drive_serial = core->get_drive_serial();
    return snapshot;
}

qint64 record(const tagParamSnapshot &snapshot, QWidget *parent, bool warn)
{
    // Offered even to a history that cannot be written now: it keeps the
    // snapshot queued until it can.
    Holder *h = instance(parent);
    tagParamSnapshot noted = snapshot;
    if (noted.note.isEmpty())
        noted.note = h->note;
    const qint64 id = h->history->record(noted);
    if (id == 0 && warn)
        warn_once(h->history->error_string(), parent);
    if (id <= 0)
        h->retry_later();
    else
        h->sync();
    return id;
}

void record_writes(const QList<tagWriteRecord> &writes, QWidget *parent)
{
    if (writes.isEmpty())
        return;
    Holder *h = instance(parent);
    if (!h->unsaved_writes.isEmpty())
        h->flush();
    QSoftCore *core = QSoftCore::get_core();
    bool kept = true;
    for (tagWriteRecord w : writes) {
        w.port = core->get_port_name();
        w.station = core->get_machine_address();
        w.drive_version = core->get_machine_version();
        w.drive_serial = core->get_drive_serial();
        if (w.note.isEmpty())
            w.note = h->note;
        // Stamped now, so one stored later keeps the time it was made.
        QParamHistory::stamp(&w);
        // Behind any that wait, so the order of making holds.
        if (!h->unsaved_writes.isEmpty() || h->history->record_write(w) <= 0) {
            h->unsaved_writes.append(w);
            kept = false;
        }
    }
    if (!kept) {
        warn_once(h->history->error_string(), parent);
        h->retry_later();
    } else {
        h->sync();
    }
}

void set_note(const QString &note)
{
    holder()->note = note;
}

QString note()
{
    return holder()->note;
}

SyncStatus *sync_status()
{
    return holder()->status;
}

void sync_now()
{
    instance(nullptr)->sync();
}

int waiting()
{
    return holder()->waiting;
}

} // namespace ParvexHistory
