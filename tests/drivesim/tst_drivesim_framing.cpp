// The simulated drive's framing, seen from the line: bytes that are no
// whole request are never answered, and the drive keeps serving afterwards.

#include "drivesim.h"
#include <communicate/frames/qrtuframe.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int F0_06 = 0xF006; // stop-only
const QString MACHINE = QStringLiteral(TEST_DATA_DIR "/frames-drive.xml");
// Well past the drive's 50 ms gap that ends a frame.
constexpr int QUIET_MS = 250;
constexpr int F0_05 = 0xF005;

} // namespace

class tst_DriveSimFraming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void short_frame_is_ignored_data();
    void short_frame_is_ignored();
    void write_faults();

private:
    // Writes `bytes` and returns what comes back within `wait_ms`.
    QByteArray exchange(const QByteArray &bytes, int wait_ms);

    DriveSim m_sim;
    int m_fd = -1;
};

void tst_DriveSimFraming::initTestCase()
{
    QVERIFY2(m_sim.start({QStringLiteral("--machine"), MACHINE}), qPrintable(m_sim.error_string()));
    m_fd = ::open(QFile::encodeName(m_sim.device()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(m_fd >= 0);
    termios tio;
    QCOMPARE(tcgetattr(m_fd, &tio), 0);
    cfmakeraw(&tio);
    // The drive's own line speed: at another it hears nothing.
    cfsetspeed(&tio, B19200);
    QCOMPARE(tcsetattr(m_fd, TCSANOW, &tio), 0);
}

void tst_DriveSimFraming::cleanupTestCase()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_sim.stop();
}

QByteArray tst_DriveSimFraming::exchange(const QByteArray &bytes, int wait_ms)
{
    if (::write(m_fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        return QByteArray("write failed");
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = wait_ms; left > 0; left = wait_ms - clock.elapsed()) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            answer.append(buffer, int(n));
    }
    return answer;
}

void tst_DriveSimFraming::short_frame_is_ignored_data()
{
    QTest::addColumn<QByteArray>("bytes");
    // Each is cut short of its function's length, yet its last two bytes are
    // a valid CRC of the bytes before them.
    QTest::newRow("read, no address or count") << QByteArray::fromHex("01034021");
    QTest::newRow("write, no address or value") << QByteArray::fromHex("01068022");
    QTest::newRow("write several, CRC where the value belongs") << QByteArray::fromHex("0110f005000102c9d8");
}

void tst_DriveSimFraming::short_frame_is_ignored()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(QRtuFrame::crc_ok(bytes));
    bool ok = false;
    const int before = m_sim.get_one(F0_05, &ok);
    QVERIFY2(ok, qPrintable(m_sim.error_string()));

    QCOMPARE(exchange(bytes, QUIET_MS).toHex(), QByteArray());
    QVERIFY(m_sim.is_running());
    QCOMPARE(m_sim.get_one(F0_05, &ok), before);

    // A whole request right after is answered as usual.
    const QByteArray answer = exchange(QRtuFrame::read_request(1, F0_05, 1), QUIET_MS);
    QCOMPARE(answer.toHex(), QRtuFrame::with_crc(QByteArray::fromHex("010302")
                                                 + QByteArray::fromHex(QByteArray::number(before, 16).rightJustified(4, '0')))
                                 .toHex());
}


// A drive that takes writes otherwise than asked: clamped at a limit, ignored
// while answered as taken, refused for a stop-only parameter while running.
void tst_DriveSimFraming::write_faults()
{
    const auto write = [this](int address, int value) {
        return exchange(QRtuFrame::write_request(1, address, value), QUIET_MS);
    };
    const QByteArray refused = QRtuFrame::exception_answer(1, QRtuFrame::WRITE_SINGLE, 4);

    QVERIFY(m_sim.command(QStringLiteral("clamp 0xF001 6000")));
    QCOMPARE(write(0xF001, 9000), QRtuFrame::write_request(1, 0xF001, 9000));
    QCOMPARE(m_sim.get_one(0xF001), 6000);
    QVERIFY(m_sim.command(QStringLiteral("clamp 0xF001 off")));

    QVERIFY(m_sim.command(QStringLiteral("ignore 61697")));
    const QByteArray several = QRtuFrame::write_multi_request(1, 61696, {7, 8, 9});
    QCOMPARE(exchange(several, QUIET_MS).left(6), several.left(6));
    QCOMPARE(m_sim.get(61696, 3), (QList<int>{7, 1, 9}));
    QVERIFY(m_sim.command(QStringLiteral("ignore 61697 off")));

    QVERIFY(m_sim.command(QStringLiteral("running 1")));
    QCOMPARE(write(F0_06, 55), refused);
    QCOMPARE(m_sim.get_one(F0_06), 100);
    QCOMPARE(write(F0_05, 3), QRtuFrame::write_request(1, F0_05, 3)); // an rw one still goes
    QVERIFY(m_sim.command(QStringLiteral("running 0")));
    QCOMPARE(write(F0_06, 55), QRtuFrame::write_request(1, F0_06, 55));
    QVERIFY(!m_sim.command(QStringLiteral("running maybe")));
}

QTEST_GUILESS_MAIN(tst_DriveSimFraming)
#include "tst_drivesim_framing.moc"
