#include <communicate/transports/qserialtransport.h>

#include <communicate/transports/qlinkworker.h>
#include <communicate/transports/qtcptransport.h>

QSerialTransport::QSerialTransport(QObject *parent)
    : QWorkerTransport(QStringLiteral("serial link"), parent)
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
    const bool echo = m_local_echo;
    return open_in_worker([&](QLinkWorker *worker, QString *message) {
        return network ? worker->open_socket(host, port, true, connect_ms, message)
                       : worker->open_serial(name, config, timing, echo, message);
    }, error);
}
