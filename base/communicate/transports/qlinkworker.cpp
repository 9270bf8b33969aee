#include <communicate/transports/qlinkworker.h>

#include <communicate/transports/qlinkdevice.h>
#include <communicate/services/qlinkstatistics.h>
#include <communicate/transports/qlinktransport.h>
#include <communicate/engine/qmbapengine.h>
#include <communicate/engine/qrtuengine.h>

#include <QSerialPort>
#include <QTcpSocket>

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace {

// The longest single wait: an abort() is seen within this.
constexpr qint64 SLICE_NS = 20000000;
// Results are passed on at once when fewer exchanges than this wait in the
// queue, else once this many are together.
constexpr qsizetype REPORT_LOW_WATER = 4;
constexpr qsizetype REPORT_BATCH = 8;
// Nothing we ask is answered with more than an ADU; the socket's own buffer
// stays small, whatever the peer sends.
constexpr qint64 SOCKET_BUFFER = 4096;

QSerialPort::Parity parity_of(char c, bool *ok)
{
    *ok = true;
    switch (c) {
    case 'n': case 'N': return QSerialPort::NoParity;
    case 'o': case 'O': return QSerialPort::OddParity;
    case 'e': case 'E': return QSerialPort::EvenParity;
    default: *ok = false; return QSerialPort::NoParity;
    }
}

bool is_pseudo_terminal(qintptr handle)
{
#ifdef Q_OS_LINUX
    struct stat st;
    if (handle < 0 || ::fstat(int(handle), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    // Unix 98 pseudo-terminal slaves.
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

} // namespace

QLinkWorker::QLinkWorker(QObject *parent)
    : QObject(parent)
{
    m_clock.start();
}

QLinkWorker::~QLinkWorker()
{
    close();
}

bool QLinkWorker::open_serial(const QString &name, const tagSerialConfig &config, int line_timing, bool local_echo,
                              QString *error)
{
    bool parity_ok = false;
    const QSerialPort::Parity parity = parity_of(config.parity, &parity_ok);
    if (name.isEmpty() || config.baud_rate <= 0 || config.data_length < 5 || config.data_length > 8
        || (config.stop != 1 && config.stop != 2) || !parity_ok) {
        *error = QStringLiteral("invalid serial settings");
        resume();
        return false;
    }
    auto *port = new QSerialPort(this);
    port->setPortName(name);
    if (!port->open(QIODevice::ReadWrite)) {
        *error = port->errorString();
        delete port;
        resume();
        return false;
    }
    if (!port->setBaudRate(config.baud_rate) || !port->setDataBits(QSerialPort::DataBits(config.data_length))
        || !port->setParity(parity) || !port->setStopBits(config.stop == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        *error = port->errorString();
        port->close();
        delete port;
        resume();
        return false;
    }
    port->clear();
    auto rules = std::make_unique<QRtuEngine>();
    QRtuEngine::Line line;
    line.baud = config.baud_rate;
    line.bits_per_char = 1 + config.data_length + (parity == QSerialPort::NoParity ? 0 : 1) + config.stop;
    line.timed = line_timing == AutoTiming ? !is_pseudo_terminal(port->handle()) : line_timing == Timed;
    line.local_echo = local_echo;
    rules->set_line(line);
    take_device(port, false, std::move(rules));
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError || e == QSerialPort::WriteError)
            on_lost();
    });
    return true;
}

bool QLinkWorker::open_socket(const QString &host, quint16 port_number, bool rtu, int connect_timeout_ms,
                              QString *error)
{
    auto *socket = new QTcpSocket(this);
    socket->setReadBufferSize(SOCKET_BUFFER);
    socket->connectToHost(host, port_number);
    QElapsedTimer clock;
    clock.start();
    while (socket->state() != QAbstractSocket::ConnectedState) {
        const qint64 left = connect_timeout_ms - clock.elapsed();
        if (left <= 0) {
            *error = QStringLiteral("no connection within %1 ms").arg(connect_timeout_ms);
            break;
        }
        if (!socket->waitForConnected(int(left)) && socket->state() == QAbstractSocket::UnconnectedState) {
            *error = socket->errorString();
            break;
        }
    }
    if (socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        delete socket;
        resume();
        return false;
    }
    // Requests are small and each waits for its answer: no Nagle delay.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    std::unique_ptr<QExchangeRules> rules;
    if (rtu) {
        auto engine = std::make_unique<QRtuEngine>();
        QRtuEngine::Line line;
        line.network = true; // the serial server keeps the line's timing
        engine->set_line(line);
        rules = std::move(engine);
    } else {
        rules = std::make_unique<QMbapEngine>();
    }
    take_device(socket, true, std::move(rules));
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::SocketTimeoutError)
            return;
        if (socket->state() == QAbstractSocket::ConnectedState && e != QAbstractSocket::RemoteHostClosedError)
            return; // a passing error that left the connection up
        on_lost();
    });
    connect(socket, &QTcpSocket::disconnected, this, &QLinkWorker::on_lost);
    // A server that closed at once may have done so before anyone listened.
    if (socket->state() != QAbstractSocket::ConnectedState)
        on_lost();
    return true;
}

void QLinkWorker::take_device(QIODevice *device, bool socket, std::unique_ptr<QExchangeRules> rules)
{
    close();
    m_device = device;
    m_io = QLinkDevice::make(device, socket);
    m_rules = std::move(rules);
    m_rules->set_statistics(m_statistics.load());
    m_rules->reset(now());
    connect(device, &QIODevice::readyRead, this, &QLinkWorker::on_ready_read);
}

void QLinkWorker::close()
{
    m_lost = false;
    m_reports.clear();
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.clear();
        m_asleep = true;
    }
    m_abort.storeRelaxed(0);
    m_io.reset();
    m_rules.reset();
    if (m_device) {
        m_device->disconnect(this);
        if (auto *socket = qobject_cast<QAbstractSocket *>(m_device))
            socket->abort();
        else
            m_device->close();
        delete m_device;
        m_device = nullptr;
    }
}

void QLinkWorker::set_statistics(QLinkStatistics *statistics)
{
    m_statistics.store(statistics);
    if (m_rules)
        m_rules->set_statistics(statistics);
}

void QLinkWorker::enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us,
                          int miss_quiet_ms, int pause_ms)
{
    bool wake = false;
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.append({ id, request, qMax(1, timeout_ms), 1 + qMax(0, retries), silence_us, miss_quiet_ms,
                           qMax(0, pause_ms) });
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
    flush_reports();
    if (m_lost && m_device)
        lose(m_lost_reason);
}

bool QLinkWorker::run(const Request &request)
{
    QExchangeRules::Request r;
    r.request = request.request;
    r.timeout_ns = qint64(request.timeout_ms) * 1000000;
    r.tries = request.tries;
    r.miss_quiet_ns = request.miss_quiet_ms < 0 ? -1 : qint64(request.miss_quiet_ms) * 1000000;
    r.silence_ns = request.silence_us < 0 ? -1 : qint64(request.silence_us) * 1000;
    r.pause_ns = qint64(request.pause_ms) * 1000000;
    tagLinkStep step = m_rules->start(r, now());
    for (;;) {
        if (step.has_report) {
            m_reports.append({ request.id, step.result, step.answer, step.exception_code });
            step.has_report = false;
        }
        if (step.done)
            return true;
        if (stopping())
            return abandon(request);
        if (!step.write.isEmpty()) {
            if (!m_io->write(step.write)) {
                if (!m_lost) {
                    m_lost = true;
                    m_lost_reason = m_io->lost_reason();
                }
                return abandon(request);
            }
            step = m_rules->sent(now());
            // The exchange before is answered; passing that on now costs the
            // line nothing.
            report_if_due();
            continue;
        }
        QByteArray chunk;
        const qint64 left = qBound<qint64>(0, step.wait_until_ns - now(), SLICE_NS);
        const QLinkDevice::Wait w = m_io->read(left, &chunk);
        if (w == QLinkDevice::Lost) {
            if (!m_lost) {
                m_lost = true;
                m_lost_reason = m_io->lost_reason();
            }
            return abandon(request);
        }
        if (w == QLinkDevice::GotBytes) {
            if (QLinkStatistics *counters = m_statistics.load(std::memory_order_relaxed))
                counters->note_received(chunk.size());
            step = m_rules->bytes(chunk, now());
            continue;
        }
        const qint64 t = now();
        if (t >= step.wait_until_ns)
            step = m_rules->waited(t);
        // else: a slice of a longer wait ended; the same step holds.
    }
}

bool QLinkWorker::abandon(const Request &request)
{
    if (m_rules)
        m_rules->abandon();
    // An answered exchange before this one still counts.
    flush_reports();
    if (m_device && !m_lost && m_abort.loadRelaxed()) {
        // Interrupted for an open() that may fail and leave this device as
        // it is: then the exchange runs again from the start.
        QMutexLocker lock(&m_queue_lock);
        m_waiting.prepend(request);
    }
    return false;
}

void QLinkWorker::report_if_due()
{
    if (m_reports.isEmpty())
        return;
    qsizetype waiting = 0;
    {
        QMutexLocker lock(&m_queue_lock);
        waiting = m_waiting.size();
    }
    if (waiting < REPORT_LOW_WATER || m_reports.size() >= REPORT_BATCH)
        flush_reports();
}

void QLinkWorker::flush_reports()
{
    const QList<Report> reports = std::exchange(m_reports, {});
    for (const Report &r : reports)
        emit finished(r.id, r.result, r.answer, r.code);
}

void QLinkWorker::on_ready_read()
{
    // Inside an exchange the exchange reads for itself. Between exchanges
    // the bytes belong to nobody; the rules still see them (the quiet before
    // the next request counts from them, and they may be a late answer).
    if (m_busy || !m_device || !m_rules)
        return;
    const QByteArray bytes = m_device->readAll();
    if (bytes.isEmpty())
        return;
    if (QLinkStatistics *counters = m_statistics.load(std::memory_order_relaxed))
        counters->note_received(bytes.size());
    m_rules->idle_bytes(bytes, now());
}

void QLinkWorker::on_lost()
{
    if (!m_device || m_lost)
        return;
    // The device reports this from inside its own read or write, so it is
    // closed right after, not here. Closed it must be: a hung-up device stays
    // readable forever, and reading it again and again is exactly the
    // spinning this must not do.
    m_lost = true;
    m_lost_reason = m_device->errorString();
    if (m_busy)
        return; // the exchange sees m_lost and kick() closes the device
    QMetaObject::invokeMethod(this, [this] {
        if (m_lost && m_device)
            lose(m_lost_reason);
    }, Qt::QueuedConnection);
}

void QLinkWorker::lose(const QString &reason)
{
    const QString why = reason;
    close();
    emit port_lost(why);
}
