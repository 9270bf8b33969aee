// The simulated drive's TCP side: a Modbus TCP server, or the network end of
// a serial device server passing RTU frames, for one client at a time.

#include "drivesimulator.h"

#include <communicate/frames/qmbapframe.h>
#include <communicate/frames/qrtuframe.h>

#include <QFile>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int word_at(const QByteArray &data, int index)
{
    return quint8(data.at(index)) * 256 + quint8(data.at(index + 1));
}

void put_word(QByteArray &data, int index, int word)
{
    data[index] = char((word >> 8) & 0xFF);
    data[index + 1] = char(word & 0xFF);
}

QString peer_name(const sockaddr_storage &address)
{
    char text[INET6_ADDRSTRLEN] = {};
    int port = 0;
    if (address.ss_family == AF_INET) {
        const auto *a = reinterpret_cast<const sockaddr_in *>(&address);
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        port = ntohs(a->sin_port);
    } else {
        const auto *a = reinterpret_cast<const sockaddr_in6 *>(&address);
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        port = ntohs(a->sin6_port);
    }
    return QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(port);
}

} // namespace

bool DriveSimulator::start_listening(QString *error)
{
    const QByteArray host = m_options.listen.toLatin1();
    sockaddr_storage address = {};
    socklen_t length = 0;
    auto *v4 = reinterpret_cast<sockaddr_in *>(&address);
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address);
    if (inet_pton(AF_INET, host.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(quint16(m_options.tcp_port));
        length = sizeof *v4;
    } else if (inet_pton(AF_INET6, host.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(quint16(m_options.tcp_port));
        length = sizeof *v6;
    } else {
        *error = QStringLiteral("--listen needs a numeric address, not %1").arg(m_options.listen);
        return false;
    }
    m_listen_fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (m_listen_fd < 0 || ::setsockopt(m_listen_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0
        || ::bind(m_listen_fd, reinterpret_cast<sockaddr *>(&address), length) != 0 || ::listen(m_listen_fd, 4) != 0
        || ::getsockname(m_listen_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(m_options.listen)
                     .arg(m_options.tcp_port)
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        stop_listening();
        return false;
    }
    const int port = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    const QString shown = address.ss_family == AF_INET6 ? QStringLiteral("[%1]").arg(m_options.listen) : m_options.listen;
    m_mbap = !m_options.rtu_over_tcp;
    m_device = QStringLiteral("%1://%2:%3").arg(m_mbap ? QStringLiteral("tcp") : QStringLiteral("rtutcp"), shown).arg(port);
    m_listen_notifier = new QSocketNotifier(m_listen_fd, QSocketNotifier::Read, this);
    connect(m_listen_notifier, &QSocketNotifier::activated, this, &DriveSimulator::on_connection);
    return true;
}

void DriveSimulator::stop_listening()
{
    delete m_listen_notifier;
    m_listen_notifier = nullptr;
    if (m_listen_fd >= 0)
        ::close(m_listen_fd);
    m_listen_fd = -1;
}

void DriveSimulator::on_connection()
{
    sockaddr_storage address = {};
    socklen_t length = sizeof address;
    const int fd = ::accept4(m_listen_fd, reinterpret_cast<sockaddr *>(&address), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    if (m_master_fd >= 0) {
        // The client before may have gone without our having read its end yet.
        char c;
        const ssize_t n = ::recv(m_master_fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            hangup();
    }
    if (m_master_fd >= 0) {
        const QByteArray line = QStringLiteral("drive-sim: refused %1: one client at a time\n").arg(peer_name(address)).toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        ::close(fd);
        return;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    m_master_fd = fd;
    m_rx.clear();
    m_notifier = new QSocketNotifier(m_master_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DriveSimulator::on_readable);
}

void DriveSimulator::reset_client()
{
    if (m_listen_fd < 0 || m_master_fd < 0)
        return;
    // Like a gateway that drops the connection: the client sees a reset.
    const linger l{ 1, 0 };
    ::setsockopt(m_master_fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
}

void DriveSimulator::parse_mbap()
{
    m_in_parse = true;
    m_rx_pending = false;
    while (m_rx.size() >= QMbapFrame::HEADER && m_master_fd >= 0) {
        const int length = word_at(m_rx, 4);
        if (word_at(m_rx, 2) != 0 || length < QMbapFrame::MIN_LENGTH || length > QMbapFrame::MAX_LENGTH) {
            // Nothing after a broken header can be trusted to start a frame.
            ++m_bad_frames;
            m_rx.clear();
            break;
        }
        if (m_rx.size() < 6 + length)
            break;
        const QByteArray frame = QMbapFrame::to_rtu(m_rx.left(6 + length));
        m_tid = quint16(word_at(m_rx, 0));
        m_rx.remove(0, 6 + length);
        handle_request(frame, m_rx_last_ns);
    }
    if (m_rx.isEmpty())
        m_gap_timer.stop();
    else
        m_gap_timer.start(50);
    m_in_parse = false;
}

QByteArray DriveSimulator::mbap_answer(const QByteArray &rtu_answer, Fault *fault)
{
    QByteArray bytes = QMbapFrame::from_rtu(m_tid, rtu_answer);
    switch (*fault) {
    case CORRUPT:
        // What a CRC error is on a line: one field that does not fit.
        switch (m_corrupt_turn++ % 3) {
        case 0: put_word(bytes, 0, m_tid ^ 0x8000); break;            // a transaction never asked
        case 1: put_word(bytes, 4, word_at(bytes, 4) - 1); break;     // length short of the bytes
        default: put_word(bytes, 2, 1); break;                        // not Modbus
        }
        break;
    case WRONG_STATION:
        bytes[6] = char(quint8(bytes.at(6)) % 247 + 1);
        break;
    case WRONG_FUNCTION:
        bytes[7] = char(quint8(bytes.at(7)) ^ 0x07);
        break;
    case WRONG_COUNT:
        if (quint8(bytes.at(7)) == QRtuFrame::READ_HOLDING) {
            bytes[8] = char(quint8(bytes.at(8)) + 2);
            bytes.append(QByteArray(2, '\0'));
            put_word(bytes, 4, word_at(bytes, 4) + 2);
        } else {
            bytes[bytes.size() - 1] = char(bytes.at(bytes.size() - 1) ^ 0x5A);
        }
        break;
    default:
        return bytes; // the rest (drop, late, noise, cut, split) work on any bytes
    }
    *fault = NONE;
    return bytes;
}
