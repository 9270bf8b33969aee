#include "qtcptransport.h"

#include "qtcpworker.h"

#include <QUrl>

QTcpTransport::QTcpTransport(QObject *parent)
    : QLinkTransport(parent)
{
    m_thread.setObjectName(QStringLiteral("tcp link"));
    m_worker = new QTcpWorker;
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &QTcpWorker::finished, this, &QTcpTransport::on_finished, Qt::QueuedConnection);
    connect(m_worker, &QTcpWorker::port_lost, this, [this](const QString &reason) {
        m_outstanding.clear();
        emit port_lost(reason);
    }, Qt::QueuedConnection);
    m_thread.start();
}

QTcpTransport::~QTcpTransport()
{
    QTcpWorker *worker = m_worker;
    worker->abort();
    // The socket belongs to the worker thread: it goes there.
    QMetaObject::invokeMethod(worker, [worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_worker = nullptr;
    m_thread.quit();
    m_thread.wait();
}

bool QTcpTransport::is_network_name(const QString &name)
{
    return name.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)
        || name.startsWith(QLatin1String("rtutcp://"), Qt::CaseInsensitive);
}

bool QTcpTransport::parse_name(const QString &name, QString *host, quint16 *port, bool *rtu)
{
    if (!is_network_name(name))
        return false;
    const QUrl url(name, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty()
        || !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery() || url.hasFragment())
        return false;
    *rtu = url.scheme().compare(QLatin1String("rtutcp"), Qt::CaseInsensitive) == 0;
    const int p = url.port(*rtu ? -1 : MODBUS_TCP_PORT);
    if (p < 1 || p > 65535)
        return false;
    *host = url.host();
    *port = quint16(p);
    return true;
}

bool QTcpTransport::open(const QString &name, QString *error)
{
    QString host;
    quint16 port = 0;
    bool rtu = false;
    if (!parse_name(name, &host, &port, &rtu) || rtu) {
        if (error)
            *error = QStringLiteral("not a Modbus TCP port name (tcp://host[:port])");
        return false;
    }
    bool ok = false;
    QString message;
    QTcpWorker *worker = m_worker;
    const int connect_ms = qMax(m_timeout_ms, MIN_CONNECT_TIMEOUT_MS);
    worker->abort();
    QMetaObject::invokeMethod(worker, [&] {
        ok = worker->open(host, port, connect_ms, &message);
    }, Qt::BlockingQueuedConnection);
    if (ok)
        m_outstanding.clear();
    if (error)
        *error = message;
    return ok;
}

void QTcpTransport::close()
{
    QTcpWorker *worker = m_worker;
    worker->abort();
    QMetaObject::invokeMethod(worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_outstanding.clear();
}

void QTcpTransport::start_exchange(const QByteArray &request)
{
    const quint64 id = m_next_id++;
    m_outstanding.append(id);
    m_worker->enqueue(id, request, m_timeout_ms, m_retries);
}

void QTcpTransport::recall()
{
    const QList<quint64> ids = m_worker->take_waiting();
    int count = 0;
    while (count < ids.size() && count < m_outstanding.size()
           && m_outstanding.at(m_outstanding.size() - 1 - count) == ids.at(ids.size() - 1 - count))
        ++count;
    m_outstanding.resize(m_outstanding.size() - count);
    emit exchanges_recalled(count);
}

void QTcpTransport::on_finished(quint64 id, int result, const QByteArray &answer, int code)
{
    if (m_outstanding.isEmpty() || m_outstanding.first() != id)
        return;
    m_outstanding.removeFirst();
    emit exchange_finished(result, answer, code);
}
