#include <communicate/transports/qworkertransport.h>

#include <communicate/transports/qlinkworker.h>

QWorkerTransport::QWorkerTransport(const QString &thread_name, QObject *parent)
    : QLinkTransport(parent)
    , m_worker(new QLinkWorker)
{
    m_thread.setObjectName(thread_name);
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &QLinkWorker::finished, this, &QWorkerTransport::on_finished, Qt::QueuedConnection);
    connect(m_worker, &QLinkWorker::port_lost, this, [this](const QString &reason) {
        m_outstanding.clear();
        emit port_lost(reason);
    }, Qt::QueuedConnection);
    m_thread.start();
}

QWorkerTransport::~QWorkerTransport()
{
    QLinkWorker *worker = m_worker;
    worker->abort();
    // The device and its notifiers belong to the worker thread: they go there.
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_worker = nullptr;
    m_thread.quit();
    m_thread.wait();
}

bool QWorkerTransport::open_in_worker(const std::function<bool(QLinkWorker *, QString *)> &open, QString *error)
{
    bool ok = false;
    QString message;
    QLinkWorker *worker = m_worker;
    worker->abort();
    QMetaObject::invokeMethod(worker, [&] { ok = open(worker, &message); }, Qt::BlockingQueuedConnection);
    if (ok)
        m_outstanding.clear();
    if (error)
        *error = message;
    return ok;
}

void QWorkerTransport::close()
{
    QLinkWorker *worker = m_worker;
    // The exchange on the line is abandoned, not waited for.
    worker->abort();
    QMetaObject::invokeMethod(worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_outstanding.clear();
}

void QWorkerTransport::start_exchange(const QByteArray &request)
{
    const quint64 id = m_next_id++;
    m_outstanding.append(id);
    // Straight into the worker's queue: a busy worker takes it from there
    // without a turn of its event loop, and nobody wakes it.
    m_worker->enqueue(id, request, m_timeout_ms, m_retries, m_silence_us, m_miss_quiet_ms);
}

void QWorkerTransport::start_timed_exchange(const QByteArray &request, const Timing &timing)
{
    const quint64 id = m_next_id++;
    m_outstanding.append(id);
    m_worker->enqueue(id, request, timing.timeout_ms >= 0 ? timing.timeout_ms : m_timeout_ms,
                      timing.retries >= 0 ? timing.retries : m_retries, m_silence_us, m_miss_quiet_ms,
                      qMax(0, timing.pause_ms));
}

void QWorkerTransport::set_statistics(QLinkStatistics *statistics)
{
    m_worker->set_statistics(statistics);
}

void QWorkerTransport::recall()
{
    // Whatever the worker has not started yet comes back at once, so the
    // mission of higher level goes right after the one on the line.
    const QList<quint64> ids = m_worker->take_waiting();
    // They are the tail of what is outstanding; ids in front of that were
    // handed over before the device was lost and mean nothing now.
    int count = 0;
    while (count < ids.size() && count < m_outstanding.size()
           && m_outstanding.at(m_outstanding.size() - 1 - count) == ids.at(ids.size() - 1 - count))
        ++count;
    m_outstanding.resize(m_outstanding.size() - count);
    emit exchanges_recalled(count);
}

void QWorkerTransport::on_finished(quint64 id, int result, const QByteArray &answer, int code)
{
    if (m_outstanding.isEmpty() || m_outstanding.first() != id)
        return;
    m_outstanding.removeFirst();
    emit exchange_finished(result, answer, code);
}
