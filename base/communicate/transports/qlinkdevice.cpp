#include <communicate/transports/qlinkdevice.h>

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QSerialPort>

#if defined(Q_OS_UNIX) && !defined(COMMUNICATE_PORTABLE_IO)
#define COMMUNICATE_DIRECT_IO 1
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
#endif

namespace {

// A peer that never stops must not grow memory: one read takes this much at
// most; the rules treat more as noise anyway.
constexpr qsizetype READ_LIMIT = 4096;

#ifdef COMMUNICATE_DIRECT_IO

class DirectDevice : public QLinkDevice
{
public:
    DirectDevice(QIODevice *device, bool socket)
        : m_device(device)
        , m_socket(socket)
    {
    }

    int fd() const
    {
        if (m_socket)
            return int(static_cast<QAbstractSocket *>(m_device)->socketDescriptor());
        return int(static_cast<QSerialPort *>(m_device)->handle());
    }

    bool fail(const QString &reason)
    {
        m_lost_reason = reason;
        return false;
    }

    bool write(const QByteArray &bytes) override
    {
        const int f = fd();
        if (f < 0)
            return fail(QStringLiteral("the connection was closed"));
        const char *data = bytes.constData();
        qsizetype left = bytes.size();
        QElapsedTimer waited;
        waited.start();
        while (left > 0) {
            const ssize_t n = m_socket ? ::send(f, data, size_t(left), MSG_NOSIGNAL) : ::write(f, data, size_t(left));
            if (n > 0) {
                data += n;
                left -= n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waited.elapsed() < 1000) {
                pollfd p{ f, POLLOUT, 0 };
                ::poll(&p, 1, 20);
                continue;
            }
            return fail(n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("write failed"));
        }
        return true;
    }

    Wait read_now(int f, QByteArray *into)
    {
        const qsizetype before = into->size();
        char buffer[1024];
        for (;;) {
            const ssize_t n = ::read(f, buffer, sizeof buffer);
            if (n > 0) {
                into->append(buffer, n);
                if (size_t(n) < sizeof buffer || into->size() - before >= READ_LIMIT)
                    break;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            // A terminal in raw mode without a minimum count reads 0 when it
            // has nothing; on a socket 0 is the end of the connection.
            if (n == 0 && m_socket) {
                if (into->size() > before)
                    break; // the end is seen at the next read
                m_lost_reason = QStringLiteral("the peer closed the connection");
                return Lost;
            }
            if (n == 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
                break;
            m_lost_reason = QString::fromLocal8Bit(std::strerror(errno));
            return Lost;
        }
        return into->size() > before ? GotBytes : Nothing;
    }

    Wait read(qint64 wait_ns, QByteArray *into) override
    {
        // What the Qt device read for itself between exchanges comes first.
        if (m_device->bytesAvailable() > 0) {
            into->append(m_device->read(READ_LIMIT));
            return GotBytes;
        }
        const int f = fd();
        if (f < 0) {
            m_lost_reason = QStringLiteral("the connection was closed");
            return Lost;
        }
        pollfd p{ f, POLLIN, 0 };
        timespec ts;
        ts.tv_sec = time_t(wait_ns / 1000000000);
        ts.tv_nsec = long(wait_ns % 1000000000);
        const int ready = ::ppoll(&p, 1, &ts, nullptr);
        if (ready < 0 && errno == EINTR)
            return Nothing;
        if (ready < 0) {
            m_lost_reason = QString::fromLocal8Bit(std::strerror(errno));
            return Lost;
        }
        if (ready == 0)
            return Nothing;
        // Readable, or hung up: what is left is still read first.
        const Wait r = read_now(f, into);
        if (r == Nothing && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            m_lost_reason = QStringLiteral("the device hung up");
            return Lost;
        }
        return r;
    }

private:
    QIODevice *m_device;
    bool m_socket;
};

#endif

// Through the Qt device's own waiting functions.
class PortableDevice : public QLinkDevice
{
public:
    PortableDevice(QIODevice *device, bool socket)
        : m_device(device)
        , m_socket(socket)
    {
    }

    bool gone()
    {
        if (m_socket && static_cast<QAbstractSocket *>(m_device)->state() != QAbstractSocket::ConnectedState) {
            m_lost_reason = m_device->errorString();
            return true;
        }
        if (!m_device->isOpen()) {
            m_lost_reason = m_device->errorString();
            return true;
        }
        return false;
    }

    bool write(const QByteArray &bytes) override
    {
        if (gone())
            return false;
        if (m_device->write(bytes) != bytes.size()) {
            m_lost_reason = m_device->errorString();
            return false;
        }
        QElapsedTimer waited;
        waited.start();
        while (m_device->bytesToWrite() > 0) {
            m_device->waitForBytesWritten(20);
            if (gone())
                return false;
            if (waited.elapsed() > 1000) {
                m_lost_reason = QStringLiteral("write failed");
                return false;
            }
        }
        return true;
    }

    Wait read(qint64 wait_ns, QByteArray *into) override
    {
        if (m_device->bytesAvailable() == 0 && wait_ns > 0)
            m_device->waitForReadyRead(int(qMax<qint64>(1, (wait_ns + 999999) / 1000000)));
        if (m_device->bytesAvailable() > 0) {
            into->append(m_device->read(READ_LIMIT));
            return GotBytes;
        }
        return gone() ? Lost : Nothing;
    }

private:
    QIODevice *m_device;
    bool m_socket;
};

} // namespace

std::unique_ptr<QLinkDevice> QLinkDevice::make(QIODevice *device, bool socket)
{
#ifdef COMMUNICATE_DIRECT_IO
    return std::make_unique<DirectDevice>(device, socket);
#else
    return std::make_unique<PortableDevice>(device, socket);
#endif
}
