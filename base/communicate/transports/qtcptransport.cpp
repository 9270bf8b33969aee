#include <communicate/transports/qtcptransport.h>

#include <communicate/transports/qlinkworker.h>

#include <QUrl>

QTcpTransport::QTcpTransport(QObject *parent)
    : QWorkerTransport(QStringLiteral("tcp link"), parent)
{
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
    const int connect_ms = qMax(timeout(), MIN_CONNECT_TIMEOUT_MS);
    return open_in_worker([&](QLinkWorker *worker, QString *message) {
        return worker->open_socket(host, port, false, connect_ms, message);
    }, error);
}
