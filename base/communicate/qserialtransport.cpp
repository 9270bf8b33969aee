#include "qserialtransport.h"

#include "qserialworker.h"
#include "qtcptransport.h"

QSerialTransport::QSerialTransport(QObject *parent)
    : QSerialTransport(new QSerialWorker, parent)
{
}

QSerialTransport::QSerialTransport(QSerialWorker *worker, QObject *parent)
    : QWorkerTransport(worker, QStringLiteral("serial link"), parent)
    , m_serial(worker)
{
}

bool QSerialTransport::open(const QString &name, const tagSerialConfig &config, QString *error)
{
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
    const int connect_ms = qMax(timeout(), QTcpTransport::MIN_CONNECT_TIMEOUT_MS);
    const int timing = m_line_timing;
    QSerialWorker *worker = m_serial;
    return open_in_worker([&](QString *message) {
        return network ? worker->open_socket(host, port, connect_ms, message)
                       : worker->open(name, config, timing, message);
    }, error);
}
