#include "qserialtransport.h"

#include "qserialworker.h"
#include "qtcptransport.h"

QSerialTransport::QSerialTransport(QObject *parent)
    : QLinkTransport(parent)
{
    m_thread.setObjectName(QStringLiteral("serial link"));
    m_worker = new QSerialWorker;
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &QSerialWorker::finished, this, &QSerialTransport::on_finished, Qt::QueuedConnection);
    connect(m_worker, &QSerialWorker::port_lost, this, [this](const QString &reason) {
        m_outstanding.clear();
        emit port_lost(reason);
    }, Qt::QueuedConnection);
    m_thread.start();
}

QSerialTransport::~QSerialTransport()
{
    QSerialWorker *worker = m_worker;
    worker->abort();
    // The port and its notifiers belong to the worker thread: they go there.
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_worker = nullptr;
    m_thread.quit();
    m_thread.wait();
}

bool QSerialTransport::open(const QString &name, const tagSerialConfig &config, QString *error)
{
    bool ok = false;
    QString message;
    QSerialWorker *worker = m_worker;
    const int timing = m_line_timing;
    // RTU frames over TCP (a serial device server): the same exchange.
    QString host;
    quint16 port = 0;
    bool rtu = false;
    const bool network = QTcpTransport::is_network_name(name);
    if (network && (!QTcpTransport::parse_name(name, &host, &port, &rtu) || !rtu)) {
        if (error)
            *error = QStringLiteral("not a valid network port name (tcp://host[:port] or rtutcp://host:port)");
        return false;
    }
    const int connect_ms = qMax(m_timeout_ms, QTcpTransport::MIN_CONNECT_TIMEOUT_MS);
    worker->abort();
    QMetaObject::invokeMethod(worker, [&] {
        ok = network ? worker->open_socket(host, port, connect_ms, &message)
                     : worker->open(name, config, timing, &message);
    }, Qt::BlockingQueuedConnection);
    if (ok)
        m_outstanding.clear();
    if (error)
        *error = message;
    return ok;
}

void QSerialTransport::close()
{
    QSerialWorker *worker = m_worker;
    // The exchange on the line is abandoned, not waited for.
    worker->abort();
    QMetaObject::invokeMethod(worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_outstanding.clear();
}

void QSerialTransport::start_exchange(const QByteArray &request)
{
    const quint64 id = m_next_id++;
    m_outstanding.append(id);
    // Straight into the worker's queue: a busy worker takes it from there
    // without a turn of its event loop, and nobody wakes it.
    m_worker->enqueue(id, request, m_timeout_ms, m_retries, m_silence_us);
}

void QSerialTransport::recall()
{
    // Whatever the worker has not started yet comes back at once, so the
    // mission of higher level goes right after the one on the line.
    const QList<quint64> ids = m_worker->take_waiting();
    // They are the tail of what is outstanding; ids in front of that were
    // handed over before the port was lost and mean nothing now.
    int count = 0;
    while (count < ids.size() && count < m_outstanding.size()
           && m_outstanding.at(m_outstanding.size() - 1 - count) == ids.at(ids.size() - 1 - count))
        ++count;
    m_outstanding.resize(m_outstanding.size() - count);
    emit exchanges_recalled(count);
}

void QSerialTransport::on_finished(quint64 id, int result, const QByteArray &answer, int code)
{
    if (m_outstanding.isEmpty() || m_outstanding.first() != id)
        return;
    m_outstanding.removeFirst();
    emit exchange_finished(result, answer, code);
}
