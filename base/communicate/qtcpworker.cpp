#include "qtcpworker.h"

#include "qlinkstatistics.h"
#include "qlinktransport.h"
#include "qmbapframe.h"
#include "qrtuframe.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#if defined(Q_OS_UNIX) && !defined(COMMUNICATE_PORTABLE_IO)
#define COMMUNICATE_TCP_DIRECT_IO 1
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#endif

namespace {

// The longest single wait: an abort() is seen within this.
constexpr int SLICE_MS = 20;
// After a bad answer the rest of it may still be arriving.
constexpr int BAD_FRAME_QUIET_MS = 20;
// A peer that never goes quiet does not hold the link forever.
constexpr int DRAIN_LIMIT_MS = 1000;
// How many earlier transactions may still be answered late; ids older than
// that count as never sent.
constexpr int EARLIER_KEPT = 64;
// Nothing we ask is answered with more than an ADU; the socket's own buffer
// stays small, whatever the peer sends.
constexpr qint64 SOCKET_BUFFER = 4096;
// Results are passed on at once when fewer exchanges than this wait in the
// queue, else once this many are together.
constexpr qsizetype REPORT_LOW_WATER = 4;
constexpr qsizetype REPORT_BATCH = 8;

} // namespace

QTcpWorker::QTcpWorker(QObject *parent)
    : QLinkWorker(parent)
{
}

QTcpWorker::~QTcpWorker()
{
    close();
}

bool QTcpWorker::open(const QString &host, quint16 port, int connect_timeout_ms, QString *error)
{
    auto *socket = new QTcpSocket(this);
    socket->setReadBufferSize(SOCKET_BUFFER);
    socket->connectToHost(host, port);
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
    close();
    m_socket = socket;
    m_earlier.clear();
    connect(m_socket, &QTcpSocket::readyRead, this, &QTcpWorker::on_ready_read);
    connect(m_socket, &QTcpSocket::disconnected, this, &QTcpWorker::on_disconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &QTcpWorker::on_disconnected);
    return true;
}

void QTcpWorker::close()
{
    m_lost = false;
    m_reports.clear();
    forget_waiting();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        delete m_socket;
        m_socket = nullptr;
    }
}

void QTcpWorker::exchanges_done()
{
    flush_report();
    if (m_lost && m_socket)
        lose(m_lost_reason);
}

bool QTcpWorker::stopping() const
{
    return !m_socket || m_lost || aborting();
}

bool QTcpWorker::run(const Request &request)
{
    bool any_bytes = false;
    for (int tries_left = request.tries; tries_left > 0; --tries_left) {
        int result = 0;
        int code = 0;
        QByteArray answer;
        const Attempt a = attempt(request, &result, &answer, &code, tries_left != request.tries);
        if (a == Abandoned)
            return abandon(request);
        if (QLinkStatistics *counters = statistics()) {
            if (a == NoBytes)
                counters->note_timeout();
            else if (a == BadBytes)
                counters->note_malformed(); // TCP has no check sum of its own to fail
            else if (result == QLinkTransport::Exception)
                counters->note_exception(code, m_response_ns);
            else
                counters->note_answer(m_response_ns);
        }
        if (a == Accepted) {
            m_reports.append(Report{ request.id, result, answer, code });
            return true;
        }
        any_bytes = any_bytes || a == BadBytes;
        if (tries_left == 1) {
            flush_report();
            emit finished(request.id, any_bytes ? QLinkTransport::Malformed : QLinkTransport::NoAnswer, QByteArray(), 0);
        }
        // The rest of a bad answer may still be on its way: the connection
        // stays quiet first. A late answer needs no wait: its transaction id
        // tells it from the next one's.
        const int quiet_ms = a == BadBytes ? qMax(BAD_FRAME_QUIET_MS, request.timeout_ms / 10)
                                           : 0;
        if (quiet_ms > 0 && !keep_quiet(quiet_ms))
            return tries_left == 1 ? false : abandon(request); // after the last try it is reported already
    }
    return true;
}

bool QTcpWorker::abandon(const Request &request)
{
    flush_report(); // an answered exchange before this one still counts
    if (m_socket && !m_lost && aborting()) {
        // Interrupted for an open() that may fail and leave this connection
        // as it is: the exchange then runs again from the start.
        run_again(request);
    }
    return false;
}

QTcpWorker::Attempt QTcpWorker::attempt(const Request &request, int *result, QByteArray *answer, int *code, bool retry)
{
    // Whatever came since the last exchange belongs to nobody; the
    // transaction id tells a late answer from this one's anyway.
    if (m_socket->bytesAvailable() > 0)
        received(m_socket->readAll().size());

    const QByteArray &rtu = request.request;
    const quint16 tid = m_next_tid++;
    const QByteArray out = QMbapFrame::request(tid, rtu);
    if (out.isEmpty())
        return BadBytes;
    QElapsedTimer clock;
    clock.start();
    if (!write_all(out))
        return Abandoned;
    if (QLinkStatistics *counters = statistics())
        counters->note_sent(int(out.size()), retry);
    // The exchange before is answered; passing that on now costs the network
    // nothing.
    report_if_due();

    Attempt outcome = NoBytes;
    QByteArray rx;
    for (;;) {
        const qint64 left = request.timeout_ms - clock.elapsed();
        if (left <= 0)
            break;
        const qsizetype before = rx.size();
        if (!read_some(int(qMin<qint64>(left, SLICE_MS)), &rx))
            return Abandoned;
        if (rx.size() == before)
            continue;
        received(rx.size() - before);
        outcome = BadBytes;
        for (;;) {
            const QMbapFrame::Result m = QMbapFrame::take(rx, tid, m_earlier);
            if (m.status == QMbapFrame::Incomplete)
                break;
            if (m.status == QMbapFrame::Stale) {
                rx.remove(0, m.length); // the late answer to an earlier try
                continue;
            }
            if (m.status == QMbapFrame::Malformed || m.length != rx.size()) {
                remember(tid);
                return BadBytes;
            }
            const Attempt a = accept(rtu, m.rtu, result, answer, code);
            if (a != Accepted)
                remember(tid);
            m_response_ns = clock.nsecsElapsed();
            return a;
        }
        if (rx.isEmpty())
            outcome = NoBytes; // only stale answers so far
    }
    // Unanswered: its answer may still come, and is then stale.
    remember(tid);
    return outcome;
}

void QTcpWorker::received(qint64 bytes)
{
    if (QLinkStatistics *counters = statistics(); counters && bytes > 0)
        counters->note_received(bytes);
}

void QTcpWorker::remember(quint16 tid)
{
    m_earlier.append(tid);
    if (m_earlier.size() > EARLIER_KEPT)
        m_earlier.removeFirst();
}

QTcpWorker::Attempt QTcpWorker::accept(const QByteArray &request, const QByteArray &frame, int *result,
                                       QByteArray *answer, int *code)
{
    const QRtuFrame::Result m = QRtuFrame::match_answer(request, frame);
    if (m.offset != 0 || m.length != frame.size())
        return BadBytes;
    if (m.match == QRtuFrame::Answer) {
        *result = QLinkTransport::Answered;
    } else if (m.match == QRtuFrame::ExceptionAnswer) {
        *result = QLinkTransport::Exception;
        *code = m.exception_code;
    } else {
        return BadBytes;
    }
    *answer = frame;
    return Accepted;
}

#ifdef COMMUNICATE_TCP_DIRECT_IO

bool QTcpWorker::write_all(const QByteArray &bytes)
{
    const int fd = int(m_socket->socketDescriptor());
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    QElapsedTimer waited;
    waited.start();
    while (left > 0) {
        if (stopping())
            return false;
        const ssize_t n = ::send(fd, data, size_t(left), MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waited.elapsed() < 1000) {
            pollfd p{ fd, POLLOUT, 0 };
            ::poll(&p, 1, SLICE_MS);
            continue;
        }
        m_lost = true;
        m_lost_reason = n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("write failed");
        return false;
    }
    return true;
}

bool QTcpWorker::read_some(int ms, QByteArray *into)
{
    if (stopping())
        return false;
    // What the socket read for itself between exchanges comes first.
    if (m_socket->bytesAvailable() > 0) {
        into->append(m_socket->readAll());
        return true;
    }
    const int fd = int(m_socket->socketDescriptor());
    pollfd p{ fd, POLLIN, 0 };
    const int ready = ::poll(&p, 1, ms);
    if (ready < 0 && errno != EINTR) {
        m_lost = true;
        m_lost_reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (ready <= 0)
        return true;
    char buffer[1024];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0) {
        into->append(buffer, n);
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return true;
    m_lost = true;
    m_lost_reason = n == 0 ? QStringLiteral("the peer closed the connection") : QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

#else // QTcpSocket's own waiting functions

bool QTcpWorker::write_all(const QByteArray &bytes)
{
    if (m_socket->write(bytes) != bytes.size()) {
        m_lost = true;
        m_lost_reason = m_socket->errorString();
        return false;
    }
    while (m_socket->bytesToWrite() > 0) {
        if (stopping())
            return false;
        m_socket->waitForBytesWritten(SLICE_MS);
        if (m_socket->state() != QAbstractSocket::ConnectedState) {
            m_lost = true;
            m_lost_reason = m_socket->errorString();
            return false;
        }
    }
    return true;
}

bool QTcpWorker::read_some(int ms, QByteArray *into)
{
    if (stopping())
        return false;
    if (m_socket->bytesAvailable() == 0 && ms > 0)
        m_socket->waitForReadyRead(ms);
    if (m_socket->bytesAvailable() > 0)
        into->append(m_socket->readAll());
    if (m_socket->state() != QAbstractSocket::ConnectedState && !m_lost) {
        m_lost = true;
        m_lost_reason = m_socket->errorString();
    }
    return !stopping();
}

#endif

void QTcpWorker::flush_report()
{
    const QList<Report> reports = std::exchange(m_reports, {});
    for (const Report &r : reports)
        emit finished(r.id, r.result, r.answer, r.code);
}

void QTcpWorker::report_if_due()
{
    if (m_reports.isEmpty())
        return;
    const qsizetype waiting = waiting_count();
    if (waiting < REPORT_LOW_WATER || m_reports.size() >= REPORT_BATCH)
        flush_report();
}

bool QTcpWorker::keep_quiet(qint64 quiet_ms)
{
    QElapsedTimer since_bytes, total;
    since_bytes.start();
    total.start();
    while (since_bytes.elapsed() < quiet_ms && total.elapsed() < qMax<qint64>(DRAIN_LIMIT_MS, 4 * quiet_ms)) {
        QByteArray junk;
        if (!read_some(int(qMin<qint64>(SLICE_MS, quiet_ms - since_bytes.elapsed())), &junk))
            return false;
        if (!junk.isEmpty())
            since_bytes.restart();
    }
    return true;
}

void QTcpWorker::on_ready_read()
{
    // Between exchanges the bytes belong to nobody.
    if (busy() || !m_socket)
        return;
    m_socket->readAll();
}

void QTcpWorker::on_disconnected()
{
    if (!m_socket || m_lost)
        return;
    if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->error() != QAbstractSocket::RemoteHostClosedError)
        return; // a passing error that left the connection up
    m_lost = true;
    m_lost_reason = m_socket->errorString();
    if (busy())
        return; // the exchange sees m_lost and kick() closes the socket
    QMetaObject::invokeMethod(this, [this] {
        if (m_lost && m_socket)
            lose(m_lost_reason);
    }, Qt::QueuedConnection);
}

void QTcpWorker::lose(const QString &reason)
{
    const QString why = reason;
    close();
    emit port_lost(why);
}
