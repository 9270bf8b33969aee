#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QIODevice;

// A device the link worker moves bytes through, and nothing more: the
// exchange rules decide what the bytes mean and how long to wait. Two
// adapters exist: one that reads and writes a Unix file descriptor itself
// (a serial device or a socket: one poll and one read per wake-up), and a
// portable one that goes through the Qt device's own waiting functions
// (QSerialPort, QTcpSocket), as on every system but Unix.
class QLinkDevice
{
public:
    enum Wait { GotBytes, Nothing, Lost };

    virtual ~QLinkDevice() = default;

    // Writes all of bytes; false when the device failed (lost_reason() says
    // why).
    virtual bool write(const QByteArray &bytes) = 0;
    // Appends what comes within wait_ns (0: what is there now).
    virtual Wait read(qint64 wait_ns, QByteArray *into) = 0;
    QString lost_reason() const { return m_lost_reason; }

    // The adapter for a device the worker opened: the direct one on Unix
    // (unless built for the portable path), else the portable one. socket:
    // the device is a TCP socket (a read of nothing is its end).
    static std::unique_ptr<QLinkDevice> make(QIODevice *device, bool socket);

protected:
    QString m_lost_reason;
};
