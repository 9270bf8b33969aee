#include "qserialworker.h"

#include "qlinktransport.h"
#include "qrtuframe.h"

#include <QThread>

#include <time.h>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// Waiting shorter than this is done by sleeping in the worker thread: a
// millisecond timer would stretch every 1.75 ms silence to 2 or 3 ms.
constexpr qint64 SLEEP_LIMIT_NS = 5000000;
// How long send() waits for the answer itself before it returns to the loop.
constexpr qint64 SYNC_WAIT_NS = 3000000;
// After a bad frame the rest of it may still be arriving.
constexpr qint64 BAD_FRAME_QUIET_MS = 20;

void sleep_ns(qint64 ns)
{
    if (ns <= 0)
        return;
    timespec ts;
    ts.tv_sec = time_t(ns / 1000000000);
    ts.tv_nsec = long(ns % 1000000000);
    while (nanosleep(&ts, &ts) != 0) {
    }
}

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

} // namespace

QSerialWorker::QSerialWorker(QObject *parent)
    : QObject(parent)
    , m_timer(this)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QSerialWorker::on_timer);
    m_clock.start();
}

QSerialWorker::~QSerialWorker()
{
    close();
}

bool QSerialWorker::open(const QString &name, const tagSerialConfig &config, QString *error)
{
    bool parity_ok = false;
    const QSerialPort::Parity parity = parity_of(config.parity, &parity_ok);
    if (name.isEmpty() || config.baud_rate <= 0 || config.data_length < 5 || config.data_length > 8
        || (config.stop != 1 && config.stop != 2) || !parity_ok) {
        *error = QStringLiteral("invalid serial settings");
        return false;
    }
    auto *port = new QSerialPort(this);
    port->setPortName(name);
    if (!port->open(QIODevice::ReadWrite)) {
        *error = port->errorString();
        delete port;
        return false;
    }
    if (!port->setBaudRate(config.baud_rate) || !port->setDataBits(QSerialPort::DataBits(config.data_length))
        || !port->setParity(parity) || !port->setStopBits(config.stop == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop)
        || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        *error = port->errorString();
        port->close();
        delete port;
        return false;
    }
    port->clear();
    close();
    m_port = port;
    m_baud = config.baud_rate;
    m_bits_per_char = 1 + config.data_length + (parity == QSerialPort::NoParity ? 0 : 1) + config.stop;
    m_last_line_ns = now();
    connect(m_port, &QSerialPort::readyRead, this, &QSerialWorker::on_ready_read);
    connect(m_port, &QSerialPort::errorOccurred, this, &QSerialWorker::on_error);
    return true;
}

void QSerialWorker::close()
{
    m_lost = false;
    m_timer.stop();
    m_phase = Idle;
    m_has_exchange = false;
    m_report.reset();
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.clear();
        m_asleep = true;
    }
    m_rx.clear();
    if (m_port) {
        m_port->disconnect(this);
        m_port->close();
        delete m_port;
        m_port = nullptr;
    }
}

void QSerialWorker::enqueue(quint64 id, const QByteArray &request, int timeout_ms, int retries, int silence_us)
{
    bool wake = false;
    {
        QMutexLocker lock(&m_queue_lock);
        m_waiting.append({ id, request, qMax(1, timeout_ms), 1 + qMax(0, retries), silence_us });
        wake = m_asleep;
        m_asleep = false;
    }
    if (wake)
        QMetaObject::invokeMethod(this, &QSerialWorker::kick, Qt::QueuedConnection);
}

QList<quint64> QSerialWorker::take_waiting()
{
    QList<quint64> ids;
    QMutexLocker lock(&m_queue_lock);
    ids.reserve(m_waiting.size());
    for (const Request &r : std::as_const(m_waiting))
        ids.append(r.id);
    m_waiting.clear();
    return ids;
}

bool QSerialWorker::take_next(Request *next)
{
    QMutexLocker lock(&m_queue_lock);
    if (!m_port || m_lost) {
        // The port went away between the request and now; the transport
        // is told through port_lost() and forgets these ids.
        m_waiting.clear();
    }
    if (m_waiting.isEmpty()) {
        m_asleep = true;
        return false;
    }
    *next = m_waiting.takeFirst();
    return true;
}

void QSerialWorker::kick()
{
    // A loop, not recursion: an exchange that finishes inside send() of the
    // one before comes back here through finish().
    if (m_in_kick)
        return;
    m_in_kick = true;
    // While draining, the next exchange starts once the line is quiet.
    Request next;
    while (!m_has_exchange && m_phase == Idle && take_next(&next)) {
        m_has_exchange = true;
        m_id = next.id;
        m_request = std::move(next.request);
        m_timeout_ms = next.timeout_ms;
        m_tries_left = next.tries;
        m_silence_ns = next.silence_us < 0 ? QRtuFrame::silence_nanoseconds(m_baud, m_bits_per_char)
                                           : qint64(next.silence_us) * 1000;
        m_any_bytes = false;
        start_attempt();
    }
    m_in_kick = false;
    flush_report();
}

void QSerialWorker::flush_report()
{
    if (!m_report)
        return;
    Report r = std::move(*m_report);
    m_report.reset();
    emit finished(r.id, r.result, r.answer, r.code);
}

void QSerialWorker::start_attempt()
{
    if (!m_port || m_lost)
        return;
    // Bytes that came in between exchanges belong to nobody; they also show
    // that the line was not quiet, so the silence counts from them.
    if (m_port->bytesAvailable() > 0) {
        m_port->readAll();
        m_last_line_ns = now();
    }
    const qint64 wait = m_silence_ns - (now() - m_last_line_ns);
    if (wait > 0)
        flush_report(); // no holding a result back while the line keeps silent
    if (wait > SLEEP_LIMIT_NS) {
        m_phase = Silence;
        m_timer.start(int((wait + 999999) / 1000000));
        return;
    }
    sleep_ns(wait);
    send();
}

void QSerialWorker::send()
{
    m_rx.clear();
    --m_tries_left;
    if (m_lost)
        return;
    write_request();
    m_request_sent_ns = now();
    // The time-out counts from the end of transmission, not from the write.
    const qint64 tx_ns = QRtuFrame::frame_nanoseconds(int(m_request.size()), m_baud, m_bits_per_char);
    m_last_line_ns = now() + tx_ns;
    m_phase = Waiting;
    // The result of the exchange before goes to the manager now that this
    // request is on its way: passing it on costs nothing on the line.
    flush_report();
    const qint64 sent_ns = m_request_sent_ns;
    const qint64 deadline_ns = sent_ns + tx_ns + qint64(m_timeout_ms) * 1000000;

    // A drive close by (or a pseudo-terminal) answers within a few
    // milliseconds: waiting for that right here saves a turn of the event
    // loop (and a timer) per exchange. Anything slower is left to readyRead
    // and the time-out timer.
    const qint64 until = qMin(deadline_ns, sent_ns + tx_ns + SYNC_WAIT_NS);
    while (m_phase == Waiting && m_port && !m_lost) {
        const qint64 left = until - now();
        if (left <= 0 || !wait_input(left))
            break;
    }
    if (m_phase == Waiting && m_port && !m_lost && m_has_exchange && m_request_sent_ns == sent_ns)
        m_timer.start(int(qMax<qint64>(0, deadline_ns - now() + 999999) / 1000000));
}

void QSerialWorker::write_request()
{
#ifdef Q_OS_UNIX
    // Straight to the device when nothing waits in the port's own buffer;
    // whatever the device does not take at once (or refuses) goes through
    // the port, which reports a failure as usual.
    const int fd = int(m_port->handle());
    if (fd >= 0 && m_port->bytesToWrite() == 0) {
        const char *data = m_request.constData();
        qint64 left = m_request.size();
        while (left > 0) {
            const ssize_t n = ::write(fd, data, size_t(left));
            if (n > 0) {
                data += n;
                left -= n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;
            }
        }
        if (left > 0) {
            m_port->write(data, left);
            m_port->flush();
        }
        return;
    }
#endif
    m_port->write(m_request);
    m_port->flush();
}

bool QSerialWorker::wait_input(qint64 left_ns)
{
    // Bytes the port read already (this may run inside readyRead, when the
    // answer before came late through the event loop: the port does not emit
    // readyRead again, so they must be taken here).
    if (m_port->bytesAvailable() > 0) {
        take_input();
        return true;
    }
#ifdef Q_OS_UNIX
    // One poll and one read on the device itself. Anything unusual (hang-up,
    // error, end of file) is left to the port in the event loop, which
    // reports it through errorOccurred.
    const int fd = int(m_port->handle());
    if (fd >= 0) {
        pollfd p{ fd, POLLIN, 0 };
#ifdef Q_OS_LINUX
        timespec ts;
        ts.tv_sec = time_t(left_ns / 1000000000);
        ts.tv_nsec = long(left_ns % 1000000000);
        const int ready = ::ppoll(&p, 1, &ts, nullptr);
#else
        const int ready = ::poll(&p, 1, int(qMax<qint64>(1, left_ns / 1000000)));
#endif
        if (ready < 0 && errno == EINTR)
            return true;
        if (ready <= 0 || (p.revents & ~POLLIN) != 0)
            return false;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            handle_input(buffer, n);
            return true;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }
#endif
    if (!m_port->waitForReadyRead(int(qMax<qint64>(1, left_ns / 1000000))))
        return false;
    take_input();
    return true;
}

void QSerialWorker::on_ready_read()
{
    take_input();
}

void QSerialWorker::take_input()
{
    if (!m_port || m_lost)
        return;
    const QByteArray data = m_port->readAll();
    if (!data.isEmpty())
        handle_input(data.constData(), data.size());
}

void QSerialWorker::handle_input(const char *data, qsizetype size)
{
    m_last_line_ns = now();
    switch (m_phase) {
    case Waiting: {
        m_rx.append(data, size);
        m_any_bytes = true;
        const QRtuFrame::Result r = QRtuFrame::match_answer(m_request, m_rx);
        if (r.match == QRtuFrame::Answer) {
            m_timer.stop();
            const QByteArray answer = m_rx.mid(r.offset, r.length);
            finish(QLinkTransport::Answered, answer, 0);
        } else if (r.match == QRtuFrame::ExceptionAnswer) {
            m_timer.stop();
            finish(QLinkTransport::Exception, m_rx.mid(r.offset, r.length), r.exception_code);
        } else if (r.match == QRtuFrame::Bad) {
            m_timer.stop();
            attempt_failed(true);
        }
        break;
    }
    case Draining:
        m_timer.start(int(m_drain_quiet_ms));
        break;
    case Idle:
    case Silence:
        break; // noise; the silence before the next request counts from it
    }
}

void QSerialWorker::on_timer()
{
    switch (m_phase) {
    case Silence:
        start_attempt();
        break;
    case Waiting:
        attempt_failed(!m_rx.isEmpty());
        break;
    case Draining:
        m_phase = Idle;
        if (m_has_exchange)
            start_attempt();
        else
            kick();
        break;
    case Idle:
        break;
    }
}

void QSerialWorker::attempt_failed(bool got_bytes)
{
    // A late answer is as likely as the one that just failed to come: wait
    // for a whole time-out of quiet before anything else goes on the line.
    const qint64 quiet = got_bytes ? qMax<qint64>(BAD_FRAME_QUIET_MS, m_timeout_ms / 10) : m_timeout_ms;
    drain(quiet);
    // Reported at once; the next exchange waits for the drain.
    if (m_tries_left <= 0)
        finish(m_any_bytes ? QLinkTransport::Malformed : QLinkTransport::NoAnswer, QByteArray(), 0);
}

void QSerialWorker::drain(qint64 quiet_ms)
{
    m_rx.clear();
    m_drain_quiet_ms = quiet_ms;
    m_phase = Draining;
    m_timer.start(int(quiet_ms));
}

void QSerialWorker::finish(int result, const QByteArray &answer, int code)
{
    m_has_exchange = false;
    if (m_phase != Draining)
        m_phase = Idle;
    // Held back until the next request has gone out (kick() and send()
    // report it; kick() at the latest before the worker waits for anything).
    flush_report();
    m_report = Report{ m_id, result, answer, code };
    kick();
}

void QSerialWorker::on_error(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError && error != QSerialPort::WriteError)
        return;
    if (!m_port || m_lost)
        return;
    // The port reports this from inside its own read or write, so it is
    // closed right after, not here. Closed it must be: a hung-up device stays
    // readable forever, and reading it again and again is exactly the
    // spinning this must not do.
    m_lost = true;
    m_timer.stop();
    const QString reason = m_port->errorString();
    QMetaObject::invokeMethod(this, [this, reason] {
        if (!m_lost)
            return;
        close();
        emit port_lost(reason);
    }, Qt::QueuedConnection);
}
