#pragma once

#include <communicate/transports/qworkertransport.h>

// The link to a drive that speaks Modbus TCP (tcp://host[:port], unit id =
// station). It also knows the network port names: rtutcp://host:port (RTU
// frames over a serial device server) is QSerialTransport's.
class QTcpTransport : public QWorkerTransport
{
    Q_OBJECT
public:
    static constexpr quint16 MODBUS_TCP_PORT = 502;
    // The connection is allowed at least this long, however short the
    // answer time-out is.
    static constexpr int MIN_CONNECT_TIMEOUT_MS = 3000;

    explicit QTcpTransport(QObject *parent = nullptr);

    // Whether name is a network port name (tcp:// or rtutcp://).
    static bool is_network_name(const QString &name);
    // Splits a network port name; false when it is not one or is malformed
    // (rtutcp:// needs a port: a serial server has no standard one).
    static bool parse_name(const QString &name, QString *host, quint16 *port, bool *rtu);

    // Blocking: connected (or not) when it returns.
    bool open(const QString &name, QString *error);
};
