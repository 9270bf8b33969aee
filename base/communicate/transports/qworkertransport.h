#pragma once

#include <communicate/transports/qlinktransport.h>

#include <QThread>

#include <functional>

class QLinkStatistics;
class QLinkWorker;

// A link transport as the GUI thread sees it, whatever the worker talks to:
// starts and stops the worker thread, hands it requests and passes its
// results on. Each exchange carries an id, so a result that the worker
// reports after the device was closed (or reopened) is never taken for the
// answer to a newer exchange. Owns the worker; it lives in the worker thread.
class QWorkerTransport : public QLinkTransport
{
    Q_OBJECT
public:
    ~QWorkerTransport() override;

    // Blocking: the device is closed when it returns.
    void close();

    void start_exchange(const QByteArray &request) override;
    void start_timed_exchange(const QByteArray &request, const Timing &timing) override;
    int pipeline_depth() const override { return 16; }
    void recall() override;

    void set_timeout(int ms) { m_timeout_ms = ms; }
    int timeout() const { return m_timeout_ms; }
    void set_retries(int retries) { m_retries = retries; }
    int retries() const { return m_retries; }
    // How long the line stays quiet after a try without an answer; -1 (the
    // default) a whole time-out, so that a late answer cannot meet the next
    // request. A search, which asks each station once, may set 0.
    void set_miss_quiet(int ms) { m_miss_quiet_ms = ms; }
    // Where the worker counts what happens on the line (not owned).
    void set_statistics(QLinkStatistics *statistics);

signals:
    void port_lost(const QString &reason);

protected:
    QWorkerTransport(const QString &thread_name, QObject *parent);

    // Runs open in the worker thread and waits for it; the exchange on the
    // line is abandoned first (and runs again if the open fails).
    bool open_in_worker(const std::function<bool(QLinkWorker *, QString *)> &open, QString *error);

    // The silent interval handed with each request (-1: the line's own).
    int m_silence_us = -1;

private:
    void on_finished(quint64 id, int result, const QByteArray &answer, int code);

    QThread m_thread;
    QLinkWorker *m_worker = nullptr;
    quint64 m_next_id = 1;
    QList<quint64> m_outstanding; // handed to the worker, oldest first
    int m_timeout_ms = 500;
    int m_retries = 2;
    int m_miss_quiet_ms = -1;
};
