#include "qserialworker.h"

#include "qlinkstatistics.h"
#include "qlinktransport.h"
#include "qrtuframe.h"

#include <QLoggingCategory>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>

#if defined(Q_OS_UNIX) && !defined(COMMUNICATE_PORTABLE_IO)
#define COMMUNICATE_DIRECT_IO 1
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>
#endif

// Every byte on the line and every decision, for finding out why an exchange
// went as it did: QT_LOGGING_RULES="vantorel.link.debug=true".
Q_LOGGING_CATEGORY(lcLink, "vantorel.link", QtWarningMsg)

namespace {

// The longest single wait: an abort() is seen within this.
constexpr qint64 SLICE_NS = 20000000;
// After a bad answer the rest of it may still be arriving.
constexpr qint64 BAD_FRAME_QUIET_MS = 20;
// A line that never goes quiet (a babbling peer) does not hold the link
// forever: after this many quiet periods the next attempt goes out anyway.
constexpr int DRAIN_LIMIT_PERIODS = 4;
constexpr qint64 DRAIN_LIMIT_MIN_NS = 1000000000;
// Line times computed from the baud rate are cut by this share before they
// prove anything: the two ends' clocks need not agree exactly.
constexpr double TIMING_MARGIN = 0.9;
// No answer is longer than 255 data bytes and five of framing; a peer that
// sends more is not answering.
constexpr qsizetype MAX_ANSWER_BUFFER = 4096;
// How long an unanswered request may still be answered, in time-outs.
constexpr int ORPHAN_TIMEOUTS = 10;
constexpr qint64 ORPHAN_MIN_NS = 1000000000;
// While such an answer may still come, a frame that could be it is taken only
// when it comes within this of the usual response time (the slowest of the
// last few answers, beyond their line time).
constexpr int RESPONSE_HISTORY = 8;
constexpr int RESPONSE_FACTOR = 2;
constexpr qint64 RESPONSE_SLACK_NS = 2000000;
// How often a request is asked again for an answer that agrees with the one
// before (when the first could have been a late answer).
constexpr int MAX_CONFIRMATIONS = 3;

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

int byte_at(const QByteArray &data, int index)
{
    return index < data.size() ? quint8(data.at(index)) : -1;
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

QSerialWorker::QSerialWorker(QObject *parent)
    : QLinkWorker(parent)
{
    m_clock.start();
}

QSerialWorker::~QSerialWorker()
{
    close();
}

bool QSerialWorker::open(const QString &name, const tagSerialConfig &config, int line_timing, QString *error)
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
    close();
    m_port = port;
    m_fd = int(port->handle());
    m_socket = false;
    m_baud = config.baud_rate;
    m_bits_per_char = 1 + config.data_length + (parity == QSerialPort::NoParity ? 0 : 1) + config.stop;
    m_timed = line_timing == AutoTiming ? !is_pseudo_terminal(port->handle()) : line_timing == Timed;
    m_last_line_ns = now();
    connect(port, &QSerialPort::readyRead, this, &QSerialWorker::on_ready_read);
    connect(port, &QSerialPort::errorOccurred, this, &QSerialWorker::on_error);
    return true;
}

bool QSerialWorker::open_socket(const QString &host, quint16 port_number, int connect_timeout_ms, QString *error)
{
    auto *socket = new QTcpSocket(this);
    socket->connectToHost(host, port_number);
    if (!socket->waitForConnected(qMax(1, connect_timeout_ms))) {
        *error = socket->errorString();
        delete socket;
        resume();
        return false;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    close();
    m_port = socket;
    m_fd = int(socket->socketDescriptor());
    m_socket = true;
    // No line on this side: the serial server keeps the line's timing.
    m_baud = 0;
    m_timed = false;
    m_last_line_ns = now();
    connect(socket, &QTcpSocket::readyRead, this, &QSerialWorker::on_ready_read);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::SocketTimeoutError)
            on_lost();
    });
    connect(socket, &QTcpSocket::disconnected, this, &QSerialWorker::on_lost);
    return true;
}

void QSerialWorker::close()
{
    m_lost = false;
    m_report.reset();
    m_orphans.clear();
    m_excess_ns.clear();
    forget_waiting();
    if (m_port) {
        m_port->disconnect(this);
        m_port->close();
        delete m_port;
        m_port = nullptr;
    }
}

void QSerialWorker::exchanges_done()
{
    flush_report();
    if (m_lost && m_port)
        lose(m_lost_reason);
}

bool QSerialWorker::stopping() const
{
    return !m_port || m_lost || aborting();
}

qint64 QSerialWorker::line_ns(int bytes) const
{
    return QRtuFrame::frame_nanoseconds(bytes, m_baud, m_bits_per_char);
}

bool QSerialWorker::run(const Request &request)
{
    m_silence_ns = request.silence_us < 0 ? QRtuFrame::silence_nanoseconds(m_baud, m_bits_per_char)
                                          : qint64(request.silence_us) * 1000;
    // A slow drive's pause between requests, where it is longer.
    if (request.pause_ms > 0)
        m_silence_ns = qMax(m_silence_ns, qint64(request.pause_ms) * 1000000);
    bool any_bytes = false;
    // An answer that could be the late answer of an earlier request of the
    // same shape counts only when the request, asked again, gets the very
    // same bytes: then they are this request's values, whoever sent the
    // first. Asking again uses up no try.
    QByteArray unconfirmed;
    int confirmations = 0;
    m_first_try = true;
    for (int tries_left = request.tries; tries_left > 0; --tries_left) {
        Report report;
        bool maybe_late = false;
        Attempt a = attempt(request, &report, &maybe_late);
        if (a == Abandoned)
            return abandon(request);
        count(a, report);
        if (a == Accepted && maybe_late && report.answer != unconfirmed) {
            if (confirmations < MAX_CONFIRMATIONS) {
                qCDebug(lcLink, "asked again to confirm the answer");
                unconfirmed = report.answer;
                ++confirmations;
                ++tries_left;
                continue;
            }
            a = BadBytes; // the answers never agreed
        }
        if (a == Accepted) {
            m_report = std::move(report);
            return true;
        }
        if (a == OrphansAnswer) {
            // Taken for the late answer of an earlier request (which is
            // forgotten now, so this happens once per such request): asked
            // again without counting it as a try.
            if (!keep_quiet(BAD_FRAME_QUIET_MS * 1000000, DRAIN_LIMIT_MIN_NS))
                return abandon(request);
            ++tries_left;
            continue;
        }
        any_bytes = any_bytes || a == BadBytes;
        // Its answer may still be on its way.
        m_orphans.append({ request.request, now() + qMax(ORPHAN_MIN_NS, ORPHAN_TIMEOUTS * qint64(request.timeout_ms) * 1000000) });
        if (tries_left == 1) {
            // Reported at once; the next exchange waits for the drain below.
            m_report = Report{ request.id, any_bytes ? QLinkTransport::Malformed : QLinkTransport::NoAnswer,
                               QByteArray(), 0 };
            flush_report();
        }
        // An answer that did not come may still come late, and the rest of a
        // bad one may still be arriving: the line stays quiet before anything
        // else goes on it (a whole time-out after silence).
        const qint64 miss_quiet_ms = request.miss_quiet_ms < 0 ? request.timeout_ms : request.miss_quiet_ms;
        const qint64 quiet_ns = (a == BadBytes ? qMax<qint64>(BAD_FRAME_QUIET_MS, request.timeout_ms / 10)
                                               : miss_quiet_ms) * 1000000;
        // Counted from now: the wait that just ended is no part of it.
        m_last_line_ns = qMax(m_last_line_ns, now());
        if (!keep_quiet(quiet_ns, qMax(DRAIN_LIMIT_MIN_NS, DRAIN_LIMIT_PERIODS * quiet_ns)))
            return tries_left == 1 || abandon(request); // after the last try it is reported already
    }
    return true;
}

void QSerialWorker::count(Attempt attempt, const Report &report)
{
    QLinkStatistics *counters = statistics();
    if (!counters)
        return;
    switch (attempt) {
    case Accepted:
        if (report.result == QLinkTransport::Exception)
            counters->note_exception(report.code, m_response_ns);
        else
            counters->note_answer(m_response_ns);
        break;
    case NoBytes:
        counters->note_timeout();
        break;
    case BadBytes:
        if (m_bad_crc)
            counters->note_bad_crc();
        else
            counters->note_malformed();
        break;
    case OrphansAnswer:
        // A correct answer; only it was taken for the late answer of an
        // earlier request and the request is asked again.
        counters->note_answer(m_response_ns);
        break;
    case Abandoned:
        break;
    }
}

bool QSerialWorker::abandon(const Request &request)
{
    // An answered exchange before this one still counts.
    flush_report();
    if (m_port && !m_lost && aborting()) {
        // Interrupted for an open() that may fail and leave this port as it
        // is: then the exchange runs again from the start.
        run_again(request);
    }
    return false;
}

QSerialWorker::Attempt QSerialWorker::attempt(const Request &request, Report *report, bool *maybe_late)
{
    const QByteArray &frame = request.request;
    if (!keep_quiet(m_silence_ns, qMax(DRAIN_LIMIT_MIN_NS, DRAIN_LIMIT_PERIODS * m_silence_ns)))
        return Abandoned;
    const qint64 write_ns = now();
    qCDebug(lcLink, "%.3f sent %s", double(write_ns) / 1e6, frame.toHex(' ').constData());
    m_bad_crc = false;
    if (!write_request(frame))
        return Abandoned;
    if (QLinkStatistics *counters = statistics())
        counters->note_sent(int(frame.size()), !m_first_try);
    m_first_try = false;
    // The exchange before is answered; passing that on now costs the line
    // nothing.
    flush_report();

    const int expected = QRtuFrame::answer_length(frame);
    const qint64 request_ns = line_ns(int(frame.size()));
    m_last_line_ns = write_ns + request_ns;
    // The wait counts from the end of the request and allows the answer its
    // own time on the line.
    const qint64 deadline = write_ns + request_ns + line_ns(expected) + qint64(request.timeout_ms) * 1000000;
    // On a timed line the answer cannot begin before the request is out.
    const qint64 wire_free = write_ns + qint64(double(request_ns) * TIMING_MARGIN);

    QByteArray rx;
    // Where each piece that came off the line begins in rx.
    QList<qsizetype> pieces;
    bool any = false;
    for (;;) {
        const qint64 left = deadline - now();
        if (left <= 0) {
            qCDebug(lcLink, "%.3f time-out", double(now()) / 1e6);
            return any ? BadBytes : NoBytes;
        }
        QByteArray chunk;
        const Wait w = wait_input(qMin(left, SLICE_NS), &chunk);
        if (w == Lost || w == Stopped)
            return Abandoned;
        if (w == Nothing)
            continue;
        const qint64 at = now();
        qCDebug(lcLink, "%.3f got %s", double(at) / 1e6, chunk.toHex(' ').constData());
        m_last_line_ns = at;
        if (m_timed && at < wire_free)
            continue; // stale: it was on its way before the request left
        pieces.append(rx.size());
        rx.append(chunk);
        any = true;
        if (rx.size() > MAX_ANSWER_BUFFER)
            return BadBytes; // far more than any answer: noise
        for (;;) {
            const QRtuFrame::Result m = QRtuFrame::match_answer(frame, rx);
            if (m.match == QRtuFrame::Incomplete)
                break;
            if (m.match == QRtuFrame::Bad) {
                qCDebug(lcLink, "bad answer");
                // A frame of the answer's own shape whose check sum fails.
                const QByteArray bad = rx.mid(m.offset, m.length);
                m_bad_crc = (m.length == expected || m.length == 5) && byte_at(bad, 0) == byte_at(frame, 0)
                    && (byte_at(bad, 1) & 0x7F) == byte_at(frame, 1) && !QRtuFrame::crc_ok(bad);
                return BadBytes;
            }
            const qint64 earliest = write_ns + qint64(double(request_ns + line_ns(m.length)) * TIMING_MARGIN);
            const QByteArray answer = rx.mid(m.offset, m.length);
            if (m_timed && at < earliest) {
                // Complete before it could have been sent in answer: an
                // earlier request's. What follows it may be ours.
                forget_orphan(answer);
                const qsizetype cut = m.offset + m.length;
                rx.remove(0, cut);
                QList<qsizetype> rest{ 0 };
                for (qsizetype p : std::as_const(pieces))
                    if (p > cut)
                        rest.append(p - cut);
                pieces = rest;
                continue;
            }
            // Bytes before the frame that came in an earlier piece were a
            // transmission of their own (the start of a broken answer, say):
            // two senders in one exchange, and the frame may be the stale one.
            if (std::any_of(pieces.cbegin(), pieces.cend(), [&](qsizetype p) { return p > 0 && p <= m.offset; })) {
                qCDebug(lcLink, "answer after an earlier piece");
                forget_orphan(answer);
                return BadBytes;
            }
            if (m.offset + m.length < rx.size()) {
                qCDebug(lcLink, "bytes after the answer");
                forget_orphan(rx); // more came right after it: whose answer was it?
                return BadBytes;
            }
            const qint64 excess = at - write_ns - (m_timed ? request_ns + line_ns(m.length) : 0);
            m_response_ns = at - write_ns;
            switch (check_orphans(answer, excess)) {
            case OrphanSlow:
                qCDebug(lcLink, "taken for a late answer (%.3f ms beyond the usual)", double(excess) / 1e6);
                return OrphansAnswer;
            case OrphanFits:
                *maybe_late = true;
                break;
            case NoOrphan:
                break;
            }
            // The line must stay quiet for the silent interval after it.
            QByteArray after;
            const qint64 settle_end = at + m_silence_ns;
            for (qint64 l = settle_end - now(); l > 0; l = settle_end - now()) {
                const Wait s = wait_input(qMin(l, SLICE_NS), &after);
                if (s == Lost || s == Stopped)
                    return Abandoned;
                if (s == GotBytes) {
                    m_last_line_ns = now();
                    qCDebug(lcLink, "%.3f bytes during the quiet after the answer: %s", double(m_last_line_ns) / 1e6,
                            after.toHex(' ').constData());
                    forget_orphan(rx + after);
                    return BadBytes;
                }
            }
            qCDebug(lcLink, "%.3f taken", double(now()) / 1e6);
            note_response(excess);
            report->id = request.id;
            report->answer = answer;
            if (m.match == QRtuFrame::Answer) {
                report->result = QLinkTransport::Answered;
            } else {
                report->result = QLinkTransport::Exception;
                report->code = m.exception_code;
            }
            return Accepted;
        }
    }
}

bool QSerialWorker::keep_quiet(qint64 quiet_ns, qint64 limit_ns)
{
    const qint64 start = now();
    for (;;) {
        if (stopping())
            return false;
        QByteArray junk;
        const Wait r = read_now(&junk);
        if (r == Lost || r == Stopped)
            return false;
        if (r == GotBytes) {
            m_last_line_ns = now();
            qCDebug(lcLink, "%.3f dropped %s", double(m_last_line_ns) / 1e6, junk.toHex(' ').constData());
            forget_orphan(junk);
        }
        const qint64 left = m_last_line_ns + quiet_ns - now();
        if (left <= 0 || now() - start > limit_ns)
            return true;
        junk.clear();
        const Wait w = wait_input(qMin(left, SLICE_NS), &junk);
        if (w == Lost || w == Stopped)
            return false;
        if (w == GotBytes) {
            m_last_line_ns = now();
            qCDebug(lcLink, "%.3f dropped %s", double(m_last_line_ns) / 1e6, junk.toHex(' ').constData());
            forget_orphan(junk);
        }
    }
}

QSerialWorker::OrphanCheck QSerialWorker::check_orphans(const QByteArray &frame, qint64 excess_ns)
{
    const qint64 t = now();
    m_orphans.removeIf([t](const Orphan &o) { return o.until_ns < t; });
    if (m_orphans.isEmpty() || m_excess_ns.isEmpty())
        return NoOrphan;
    const auto fits = [&frame](const Orphan &o) {
        const QRtuFrame::Result r = QRtuFrame::match_answer(o.request, frame);
        return (r.match == QRtuFrame::Answer || r.match == QRtuFrame::ExceptionAnswer) && r.offset == 0;
    };
    const auto orphan = std::find_if(m_orphans.begin(), m_orphans.end(), fits);
    if (orphan == m_orphans.end())
        return NoOrphan;
    const qint64 usual = *std::max_element(m_excess_ns.cbegin(), m_excess_ns.cend());
    const qint64 window = RESPONSE_FACTOR * usual + RESPONSE_SLACK_NS;
    if (excess_ns <= window)
        return OrphanFits; // in time, but it may still be the late one

    // Far slower than answers come: most likely the answer that did not
    // come before. Taken for that one; this request is asked again.
    m_orphans.erase(orphan);
    return OrphanSlow;
}

void QSerialWorker::forget_orphan(const QByteArray &bytes)
{
    for (auto it = m_orphans.begin(); it != m_orphans.end(); ++it) {
        const QRtuFrame::Match m = QRtuFrame::match_answer(it->request, bytes).match;
        if (m == QRtuFrame::Answer || m == QRtuFrame::ExceptionAnswer) {
            m_orphans.erase(it);
            return;
        }
    }
}

void QSerialWorker::note_response(qint64 excess_ns)
{
    m_excess_ns.append(qMax<qint64>(0, excess_ns));
    if (m_excess_ns.size() > RESPONSE_HISTORY)
        m_excess_ns.removeFirst();
}

void QSerialWorker::flush_report()
{
    if (!m_report)
        return;
    Report r = std::move(*m_report);
    m_report.reset();
    emit finished(r.id, r.result, r.answer, r.code);
}

#ifdef COMMUNICATE_DIRECT_IO

bool QSerialWorker::write_request(const QByteArray &request)
{
    const int fd = m_fd;
    const char *data = request.constData();
    qint64 left = request.size();
    QElapsedTimer waited;
    waited.start();
    while (left > 0) {
        if (stopping())
            return false;
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n > 0) {
            data += n;
            left -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && waited.elapsed() < 1000) {
            pollfd p{ fd, POLLOUT, 0 };
            ::poll(&p, 1, 20);
            continue;
        }
        m_lost = true;
        m_lost_reason = n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("write failed");
        return false;
    }
    return true;
}

QSerialWorker::Wait QSerialWorker::read_now(QByteArray *into)
{
    if (stopping())
        return m_lost ? Lost : Stopped;
    const qsizetype before = into->size();
    if (m_port->bytesAvailable() > 0)
        into->append(m_port->readAll());
    const int fd = m_fd;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into->append(buffer, n);
            // A short read took all there was; a peer that never stops must
            // not grow memory: what the caller keeps is bounded, the rest is
            // noise anyway.
            if (size_t(n) < sizeof buffer || into->size() - before > 4096)
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A terminal in raw mode without a minimum count reads 0 when it has
        // nothing; a hang-up shows as an error (or in poll()). On a socket 0
        // is the end of the connection.
        if (n == 0 && m_socket) {
            m_lost = true;
            m_lost_reason = QStringLiteral("the connection was closed");
            return Lost;
        }
        if (n == 0 || (n < 0 && errno == EAGAIN))
            break;
        m_lost = true;
        m_lost_reason = QString::fromLocal8Bit(std::strerror(errno));
        return Lost;
    }
    received(into->size() - before);
    return into->size() > before ? GotBytes : Nothing;
}

QSerialWorker::Wait QSerialWorker::wait_input(qint64 left_ns, QByteArray *into)
{
    if (stopping())
        return m_lost ? Lost : Stopped;
    if (m_port->bytesAvailable() > 0) {
        const QByteArray bytes = m_port->readAll();
        received(bytes.size());
        into->append(bytes);
        return GotBytes;
    }
    const int fd = m_fd;
    pollfd p{ fd, POLLIN, 0 };
    timespec ts;
    ts.tv_sec = time_t(left_ns / 1000000000);
    ts.tv_nsec = long(left_ns % 1000000000);
    const int ready = ::ppoll(&p, 1, &ts, nullptr);
    if (ready < 0 && errno == EINTR)
        return Nothing;
    if (ready < 0) {
        m_lost = true;
        m_lost_reason = QString::fromLocal8Bit(std::strerror(errno));
        return Lost;
    }
    if (ready == 0)
        return Nothing;
    // Readable, or hung up: what is left is still read first.
    const Wait r = read_now(into);
    if (r == Nothing && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        m_lost = true;
        m_lost_reason = QStringLiteral("the device hung up");
        return Lost;
    }
    return r;
}

#else // portable: QSerialPort's own waiting functions

bool QSerialWorker::write_request(const QByteArray &request)
{
    if (m_port->write(request) != request.size() && !m_lost) {
        m_lost = true;
        m_lost_reason = m_port->errorString();
    }
    while (!m_lost && m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(1000)) {
            if (!m_lost) {
                m_lost = true;
                m_lost_reason = m_port->errorString();
            }
        }
    }
    return !stopping();
}

namespace {

// What the port holds after waiting up to wait_ms for it (0: no waiting).
QSerialWorker::Wait take_from_port(QIODevice *port, int wait_ms, const bool &lost, QByteArray *into)
{
    if (port->bytesAvailable() == 0)
        port->waitForReadyRead(wait_ms);
    if (lost)
        return QSerialWorker::Lost;
    if (port->bytesAvailable() == 0)
        return QSerialWorker::Nothing;
    into->append(port->readAll());
    return QSerialWorker::GotBytes;
}

} // namespace

QSerialWorker::Wait QSerialWorker::read_now(QByteArray *into)
{
    if (stopping())
        return m_lost ? Lost : Stopped;
    const qsizetype before = into->size();
    const Wait w = take_from_port(m_port, 0, m_lost, into);
    received(into->size() - before);
    return w;
}

QSerialWorker::Wait QSerialWorker::wait_input(qint64 left_ns, QByteArray *into)
{
    if (stopping())
        return m_lost ? Lost : Stopped;
    const qsizetype before = into->size();
    const Wait w = take_from_port(m_port, int(qMax<qint64>(1, (left_ns + 999999) / 1000000)), m_lost, into);
    received(into->size() - before);
    return w;
}

#endif

void QSerialWorker::on_ready_read()
{
    // Inside an exchange the exchange reads for itself. Between exchanges
    // the bytes belong to nobody; they show that the line was not quiet, so
    // the silence before the next request counts from them.
    if (busy() || !m_port)
        return;
    received(m_port->readAll().size());
    m_last_line_ns = now();
}

void QSerialWorker::received(qint64 bytes)
{
    if (bytes <= 0)
        return;
    if (QLinkStatistics *counters = statistics())
        counters->note_received(bytes);
}

void QSerialWorker::on_error(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError || error == QSerialPort::WriteError)
        on_lost();
}

void QSerialWorker::on_lost()
{
    if (!m_port || m_lost)
        return;
    // The device reports this from inside its own read or write, so it is
    // closed right after, not here. Closed it must be: a hung-up device stays
    // readable forever, and reading it again and again is exactly the
    // spinning this must not do.
    m_lost = true;
    m_lost_reason = m_port->errorString();
    if (busy())
        return; // the exchange sees m_lost and closes the port when it ends
    QMetaObject::invokeMethod(this, [this] {
        if (m_lost && m_port)
            lose(m_lost_reason);
    }, Qt::QueuedConnection);
}

void QSerialWorker::lose(const QString &reason)
{
    const QString why = reason;
    close();
    emit port_lost(why);
}
