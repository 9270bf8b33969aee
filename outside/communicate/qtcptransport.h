#pragma once

#include "qlinktransport.h"

#include <QThread>

class QTcpWorker;

// The link to a drive behind Ethernet, as the GUI thread sees it: the
// counterpart of QSerialTransport for port names tcp://host[:port] (Modbus
// TCP, unit id = station) and rtutcp://host:port (RTU frames over a serial
// device server). Starts and stops the worker thread, hands it requests and
// passes its results on, each exchange with an id so that a result reported
// after a close is never taken for a newer exchange.
class QTcpTransport : public QLinkTransport
{
    Q_OBJECT
public:
    static constexpr quint16 MODBUS_TCP_PORT = 502;
    // The connection is allowed at least this long, however short the
    // answer time-out is.
    static constexpr int MIN_CONNECT_TIMEOUT_MS = 3000;

    explicit QTcpTransport(QObject *parent = nullptr);
    ~QTcpTransport() override;

    // Whether name is a network port name (tcp:// or rtutcp://).
    static bool is_network_name(const QString &name);
    // Splits a network port name; false when it is not one or is malformed
    // (rtutcp:// needs a port: a serial server has no standard one).
    static bool parse_name(const QString &name, QString *host, quint16 *port, bool *rtu);

    // Blocking: connected (or not) when they return.
    bool open(const QString &name, QString *error);
    void close();

    void start_exchange(const QByteArray &request) override;
    int pipeline_depth() const override { return 16; }
    void recall() override;

    void set_timeout(int ms) { m_timeout_ms = ms; }
    int timeout() const { return m_timeout_ms; }
    void set_retries(int retries) { m_retries = retries; }
    int retries() const { return m_retries; }

signals:
    void port_lost(const QString &reason);

private:
    void on_finished(quint64 id, int result, const QByteArray &answer, int code);

    QThread m_thread;
    QTcpWorker *m_worker = nullptr;
    quint64 m_next_id = 1;
    QList<quint64> m_outstanding;
    int m_timeout_ms = 500;
    int m_retries = 2;
};
