#pragma once

#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>

#include <atomic>

class QLinkStatistics;
// What every link worker shares, whatever it talks to (a serial port, a
// socket): the queue of exchanges the transport hands over from the GUI
// thread, and the loop that runs them one after another in the worker's
// thread. The worker thread is woken only when it has nothing to do: a busy
// worker takes the next request straight from the queue.
class QLinkWorker : public QObject
{
    Q_OBJECT
public:
    explicit QLinkWorker(QObject *parent = nullptr);

    // Run in the worker thread (the transport calls it blocking).
    virtual void close() = 0;

    // Safe from any thread. silence_us: the silent interval before the
    // request; -1 = the line's own (ignored where there is no line).
    // miss_quiet_ms: how long the line must stay quiet after a try without
    // an answer before anything else goes on it; -1 = a whole time-out (its
    // answer may still come late).
    // pause_ms: a pause the drive needs before each request, kept on top of
    // the silent interval where it is longer (-1: none).
    void enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us,
                 int miss_quiet_ms = -1, int pause_ms = -1);
    // Takes back the exchanges that have not started; their ids, oldest
    // first. Whatever is not returned is on the line or done.
    QList<quint64> take_waiting();
    // The exchange on the line is abandoned within a few milliseconds,
    // without a report (close() or an open follows).
    void abort();
    // Where the worker counts what happens on the line (not owned; null:
    // nowhere). Set while no exchange runs.
    void set_statistics(QLinkStatistics *statistics) { m_statistics.store(statistics); }

signals:
    void finished(quint64 id, int result, const QByteArray &answer, int exception_code);
    // The device failed (adapter unplugged, connection reset); it is closed already.
    void port_lost(const QString &reason);

protected:
    struct Request
    {
        quint64 id = 0;
        QByteArray request;
        int timeout_ms = 0;
        int tries = 0;
        int silence_us = -1;
        int miss_quiet_ms = -1;
        int pause_ms = -1;
    };

    QLinkStatistics *statistics() const { return m_statistics.load(std::memory_order_relaxed); }

    // The device is open and has not failed.
    virtual bool is_open() const = 0;
    // The whole exchange with its retries; false when it was abandoned.
    virtual bool run(const Request &request) = 0;
    // The queue ran dry or an exchange was abandoned: results held back go
    // out, a failed device is closed.
    virtual void exchanges_done() = 0;

    bool busy() const { return m_busy; }
    bool aborting() const { return m_abort.loadRelaxed() != 0; }
    // After an abort() that no close follows (a failed open of another
    // device): what the abort interrupted runs again.
    void resume();
    // For close(): nothing waits any more, and nothing is aborting.
    void forget_waiting();
    // An exchange interrupted by abort() goes back to the front.
    void run_again(const Request &request);
    qsizetype waiting_count();

private:
    void kick();
    bool take_next(Request *next);

    QMutex m_queue_lock;
    QList<Request> m_waiting;
    bool m_asleep = true; // the worker looks at m_waiting again only when woken
    QAtomicInt m_abort;
    bool m_busy = false;
    std::atomic<QLinkStatistics *> m_statistics{ nullptr };
};
