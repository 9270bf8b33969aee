#include <communicate/qcommunicate.h>

#include <communicate/services/qlinkstatistics.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/transports/qserialtransport.h>
#include <communicate/transports/qtcptransport.h>

#include <QDebug>
#include <QSerialPortInfo>

#include <algorithm>

class QCommunicate::Private
{
public:
    // Serial ports, and RTU frames over TCP (rtutcp://).
    QSerialTransport *transport = nullptr;
    // Modbus TCP (tcp://): the manager talks to this one instead while such
    // a port is open.
    QTcpTransport *tcp = nullptr;
    bool on_tcp = false;
    QMissionManager *manager = nullptr;
    QLinkStatistics statistics;
    bool open = false;
    QString port_name;

    void close_transport()
    {
        if (on_tcp)
            tcp->close();
        else
            transport->close();
    }
};

QCommunicate::QCommunicate(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->transport = new QSerialTransport(this);
    d->tcp = new QTcpTransport(this);
    d->manager = new QMissionManager(this);
    d->transport->set_statistics(&d->statistics);
    d->tcp->set_statistics(&d->statistics);
    d->manager->set_transport(d->transport);
    connect(d->manager, &QMissionManager::link_up, this, &QCommunicate::online);
    connect(d->manager, &QMissionManager::link_down, this, &QCommunicate::offline);
    connect(d->manager, &QMissionManager::link_silent, this, [this] {
        qWarning("communicate: three missions in a row got no answer; closing %s", qPrintable(d->port_name));
        d->close_transport();
        d->open = false;
    });
    const auto lost = [this](const QString &reason) {
        if (!d->open)
            return;
        qWarning("communicate: port %s lost: %s", qPrintable(d->port_name), qPrintable(reason));
        d->open = false;
        d->manager->link_closed();
    };
    connect(d->transport, &QSerialTransport::port_lost, this, [this, lost](const QString &reason) {
        if (!d->on_tcp)
            lost(reason);
    });
    connect(d->tcp, &QTcpTransport::port_lost, this, [this, lost](const QString &reason) {
        if (d->on_tcp)
            lost(reason);
    });
}

QCommunicate::~QCommunicate()
{
    // No offline() from here: whoever deletes the link is not listening any more.
    d->manager->blockSignals(true);
    blockSignals(true);
    d->close_transport();
    d->open = false;
    d->manager->link_closed();
    delete d->manager;
    delete d->transport;
    delete d->tcp;
    delete d;
}

bool QCommunicate::open(const tagSerialConfig &config)
{
    const QString name = port_for(config);
    if (name.isEmpty())
        return false;
    if (d->open && name == d->port_name) {
        // The port is ours already; reopen it with the new settings (a device
        // opened exclusively cannot be opened a second time beside itself).
        closed();
    }
    // Modbus TCP has a transport of its own; RTU frames over TCP go the
    // serial way.
    QString host;
    quint16 port = 0;
    bool rtu = false;
    const bool tcp = QTcpTransport::parse_name(name, &host, &port, &rtu) && !rtu;
    if (d->open && tcp != d->on_tcp) {
        // The other kind of link replaces this one; the manager may talk to
        // one transport only.
        closed();
    }
    QString error;
    // An adapter's echo (config.local_echo) is a matter of the serial line.
    d->transport->set_local_echo(config.local_echo);
    if (tcp ? !d->tcp->open(name, &error) : !d->transport->open(name, config, &error)) {
        qWarning("communicate: cannot open %s: %s", qPrintable(name), qPrintable(error));
        return false;
    }
    if (d->open) {
        // A different port replaced the one that was open.
        d->open = false;
        d->manager->link_closed();
    }
    if (tcp != d->on_tcp) {
        d->on_tcp = tcp;
        d->manager->set_transport(tcp ? static_cast<QLinkTransport *>(d->tcp) : d->transport);
    }
    // Nothing went on the new line yet: its counters start here.
    d->statistics.begin_connection();
    d->open = true;
    d->port_name = name;
    d->manager->link_opened();
    return true;
}

void QCommunicate::closed()
{
    if (!d->open)
        return;
    d->close_transport();
    d->open = false;
    d->manager->link_closed();
}

int QCommunicate::serial_status() const
{
    return d->open ? 0 : 1;
}

int QCommunicate::commu_status() const
{
    return d->open && d->manager->is_online() ? 0 : 1;
}

QLinkStatistics *QCommunicate::statistics() const
{
    return &d->statistics;
}

QMissionManager *QCommunicate::mission_manager() const
{
    return d->manager;
}

void QCommunicate::set_timeout(int ms)
{
    d->transport->set_timeout(qMax(1, ms));
    d->tcp->set_timeout(qMax(1, ms));
}

int QCommunicate::timeout() const
{
    return d->transport->timeout();
}

void QCommunicate::set_retries(int retries)
{
    d->transport->set_retries(qMax(0, retries));
    d->tcp->set_retries(qMax(0, retries));
}

int QCommunicate::retries() const
{
    return d->transport->retries();
}

void QCommunicate::set_silent_interval(int microseconds)
{
    d->transport->set_silent_interval(qMax(-1, microseconds));
}

int QCommunicate::silent_interval() const
{
    return d->transport->silent_interval();
}

void QCommunicate::set_line_timing(int mode)
{
    d->transport->set_line_timing(qBound(-1, mode, 1));
}

int QCommunicate::line_timing() const
{
    return d->transport->line_timing();
}

QString QCommunicate::port_for(const tagSerialConfig &config)
{
    if (!config.port_name.isEmpty())
        return config.port_name;
    if (config.serial_number < 1)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(config.serial_number);
#else
    QStringList ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append(info.systemLocation());
    std::sort(ports.begin(), ports.end());
    if (config.serial_number <= ports.size())
        return ports.at(config.serial_number - 1);
    return QStringLiteral("/dev/ttyS%1").arg(config.serial_number - 1);
#endif
}
