#include "qlinkworker.h"

QLinkWorker::QLinkWorker(QObject *parent)
    : QObject(parent)
{
}

void QLinkWorker::enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us,
                          int miss_quiet_ms, int pause_ms)
{
    bool wake = false;
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.append({ id, request, qMax(1, timeout_ms), 1 + qMax(0, retries), silence_us, miss_quiet_ms, pause_ms });
        wake = m_asleep;
        m_asleep = false;
    }
    if (wake)
        QMetaObject::invokeMethod(this, &QLinkWorker::kick, Qt::QueuedConnection);
}

QList<quint64> QLinkWorker::take_waiting()
{
    QList<quint64> ids;
    QMutexLocker lock(&m_queue_lock);
    ids.reserve(m_waiting.size());
    for (const Request &r : std::as_const(m_waiting))
        ids.append(r.id);
    m_waiting.clear();
    return ids;
}

void QLinkWorker::abort()
{
    m_abort.storeRelaxed(1);
}

void QLinkWorker::resume()
{
    m_abort.storeRelaxed(0);
    if (is_open())
        QMetaObject::invokeMethod(this, &QLinkWorker::kick, Qt::QueuedConnection);
}

void QLinkWorker::forget_waiting()
{
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.clear();
        m_asleep = true;
    }
    m_abort.storeRelaxed(0);
}

void QLinkWorker::run_again(const Request &request)
{
    QMutexLocker lock(&m_queue_lock);
    m_waiting.prepend(request);
}

qsizetype QLinkWorker::waiting_count()
{
    QMutexLocker lock(&m_queue_lock);
    return m_waiting.size();
}

bool QLinkWorker::take_next(Request *next)
{
    QMutexLocker lock(&m_queue_lock);
    if (m_abort.loadRelaxed())
        return false; // close() or an open follows, or resume()
    if (!is_open()) {
        // The device went away between the request and now; the transport
        // forgets these ids.
        m_waiting.clear();
    }
    if (m_waiting.isEmpty()) {
        m_asleep = true;
        return false;
    }
    *next = m_waiting.takeFirst();
    return true;
}

void QLinkWorker::kick()
{
    // A loop, not recursion; a queued kick may meet an exchange that waits
    // inside the device's own waiting functions.
    if (m_busy)
        return;
    m_busy = true;
    Request next;
    while (take_next(&next)) {
        if (!run(next))
            break;
    }
    m_busy = false;
    exchanges_done();
}
