#include "drivesimulator.h"

#include <communicate/services/qdevicesearch.h>
#include <communicate/frames/qrtuframe.h>

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

// A request that stops growing for this long is given up (a master writes a
// frame in one go; only a broken one leaves half a frame behind).
constexpr int GAP_MS = 50;
// Waits shorter than this are slept through, so that line timing is exact to
// well below a millisecond; longer ones (late answers) go through a timer.
constexpr qint64 SLEEP_LIMIT_NS = 20000000;
constexpr int MOTOR_TICK_MS = 100;

int byte_at(const QByteArray &data, int index)
{
    return quint8(data.at(index));
}

int word_at(const QByteArray &data, int index)
{
    return byte_at(data, index) * 256 + byte_at(data, index + 1);
}

// The length a request of a known function must have, from the bytes at
// hand: 0 while they do not tell yet, -1 for a function without a length of
// its own (the line going quiet ends it).
int request_length(const QByteArray &data)
{
    if (data.size() < 2)
        return 0;
    const int function = byte_at(data, 1);
    if (function == QRtuFrame::READ_HOLDING || function == QRtuFrame::WRITE_SINGLE)
        return 8;
    if (function == QRtuFrame::WRITE_MULTIPLE)
        return data.size() < 7 ? 0 : 9 + byte_at(data, 6);
    return -1;
}

QByteArray recrc(const QByteArray &frame)
{
    return QRtuFrame::with_crc(frame.left(frame.size() - 2));
}

bool parse_int(const QString &text, qint64 *value)
{
    bool ok = false;
    const qint64 v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toLongLong(&ok, 16)
                                                                               : text.toLongLong(&ok, 10);
    if (ok)
        *value = v;
    return ok;
}

speed_t speed_of(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

} // namespace

DriveSimulator::DriveSimulator(const DriveOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_random(options.seed)
{
    m_clock.start();
    m_gap_timer.setSingleShot(true);
    connect(&m_gap_timer, &QTimer::timeout, this, [this] {
        if (m_rx.isEmpty())
            return;
        // Only a function this drive does not know has no length of its own:
        // such a frame ends where the line goes quiet. A known function cut
        // short is broken, even when its last two bytes happen to make a
        // valid CRC: a real drive ignores it rather than answer from bytes
        // that never came.
        if (m_rx.size() >= 4 && request_length(m_rx) < 0 && QRtuFrame::crc_ok(m_rx)) {
            const QByteArray frame = m_rx;
            m_rx.clear();
            handle_request(frame, m_rx_last_ns);
            return;
        }
        ++m_bad_frames;
        m_rx.clear();
    });
    m_piece_timer.setSingleShot(true);
    m_piece_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_piece_timer, &QTimer::timeout, this, [this] {
        flush_pieces();
        take_pending_requests();
    });
    connect(&m_motor_timer, &QTimer::timeout, this, [this] {
        for (auto &entry : m_stations)
            entry.second.advance(MOTOR_TICK_MS / 1000.0);
    });
}

DriveSimulator::~DriveSimulator()
{
    stop();
}

bool DriveSimulator::start(QString *error)
{
    m_stations.clear();
    for (int station : std::as_const(m_options.stations)) {
        if (!m_stations[station].load(m_options.machine, m_options.version, m_options.serial, error))
            return false;
        m_stations[station].runtime().set_running(m_options.run);
    }
    if (m_stations.empty()) {
        *error = QStringLiteral("no station to serve");
        return false;
    }
    m_selected = m_options.stations.first();
    if (!m_faults.load(m_options.machine, error))
        return false;
    for (const QString &line : std::as_const(m_options.fault_commands)) {
        QStringList reply;
        if (!m_faults.command(line.split(QLatin1Char(' '), Qt::SkipEmptyParts), &reply) || reply.last() != QLatin1String("ok")) {
            *error = reply.isEmpty() ? QStringLiteral("unknown fault %1").arg(line)
                                     : reply.last().mid(reply.last().indexOf(QLatin1Char(' ')) + 1);
            return false;
        }
    }
    if (m_options.tcp_port >= 0) {
        if (!start_listening(error))
            return false;
        m_motor_timer.start(MOTOR_TICK_MS);
        return true;
    }

    if (!m_options.port.isEmpty()) {
        const QByteArray path = QFile::encodeName(m_options.port);
        m_master_fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master_fd < 0) {
            *error = QStringLiteral("cannot open %1: %2").arg(m_options.port, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        termios tio;
        tcgetattr(m_master_fd, &tio);
        cfmakeraw(&tio);
        cfsetspeed(&tio, speed_of(m_options.port_baud));
        tio.c_cflag |= CLOCAL | CREAD;
        if (m_options.stop == 2)
            tio.c_cflag |= CSTOPB;
        if (m_options.parity != 'n') {
            tio.c_cflag |= PARENB;
            if (m_options.parity == 'o')
                tio.c_cflag |= PARODD;
        }
        tcsetattr(m_master_fd, TCSANOW, &tio);
        m_device = m_options.port;
        // A real line takes its own time: no simulated line timing on top.
        m_options.baud = 0;
    } else {
        m_master_fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master_fd < 0 || grantpt(m_master_fd) != 0 || unlockpt(m_master_fd) != 0) {
            *error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        const char *name = ptsname(m_master_fd);
        if (!name) {
            *error = QStringLiteral("cannot name the pseudo-terminal");
            return false;
        }
        m_device = QFile::decodeName(name);
        m_slave_fd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_slave_fd < 0) {
            *error = QStringLiteral("cannot open %1: %2").arg(m_device, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        termios tio;
        tcgetattr(m_slave_fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slave_fd, TCSANOW, &tio);

        // Publish through a symbolic link: replace a stale link from an
        // earlier run, never a real file.
        const QString link = m_options.link;
        const QFileInfo info(link);
        if (info.exists() && !info.isSymLink()) {
            *error = QStringLiteral("%1 exists and is not a link").arg(link);
            return false;
        }
        const QString temporary = link + QStringLiteral(".%1.tmp").arg(getpid());
        ::unlink(QFile::encodeName(temporary).constData());
        if (::symlink(name, QFile::encodeName(temporary).constData()) != 0
            || ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(link).constData()) != 0) {
            *error = QStringLiteral("cannot create the link %1: %2").arg(link, QString::fromLocal8Bit(strerror(errno)));
            ::unlink(QFile::encodeName(temporary).constData());
            return false;
        }
        m_published_link = link;
    }
    m_notifier = new QSocketNotifier(m_master_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DriveSimulator::on_readable);
    m_motor_timer.start(MOTOR_TICK_MS);
    return true;
}

void DriveSimulator::hangup()
{
    reset_client();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master_fd >= 0)
        ::close(m_master_fd);
    if (m_slave_fd >= 0)
        ::close(m_slave_fd);
    m_master_fd = -1;
    m_slave_fd = -1;
    m_pieces.clear();
    m_piece_timer.stop();
    m_gap_timer.stop();
    m_rx.clear();
    if (!m_published_link.isEmpty()) {
        // Only our own link: another run may have taken the path since.
        const QString target = QFileInfo(m_published_link).symLinkTarget();
        if (QFileInfo(m_published_link).isSymLink() && (target == m_device || target.isEmpty()))
            ::unlink(QFile::encodeName(m_published_link).constData());
        m_published_link.clear();
    }
}

void DriveSimulator::stop()
{
    hangup();
    stop_listening();
    m_motor_timer.stop();
}

void DriveSimulator::on_readable()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(m_master_fd, buffer, sizeof buffer);
        if (n > 0) {
            if (m_options.echo && !m_mbap && m_listen_fd < 0)
                write_bytes(QByteArray(buffer, int(n))); // the adapter's echo, at once
            m_rx.append(buffer, int(n));
            m_rx_last_ns = m_clock.nsecsElapsed();
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            break;
        // EOF or an error on the master: nobody can reach us any more.
        hangup();
        return;
    }
    parse_requests();
}

void DriveSimulator::take_pending_requests()
{
    // Requests read while an answer waited for its time: handled now (from
    // the event loop, never from inside parse_requests()).
    if (m_rx_pending && !m_in_parse) {
        m_rx_pending = false;
        parse_requests();
    }
}

void DriveSimulator::parse_requests()
{
    if (m_mbap) {
        parse_mbap();
        return;
    }
    m_in_parse = true;
    m_rx_pending = false;
    while (m_rx.size() >= 2 && m_master_fd >= 0) {
        const int need = request_length(m_rx);
        if (need < 0)
            break; // unknown function: the gap ends it
        if (need == 0 || m_rx.size() < need)
            break;
        const QByteArray frame = m_rx.left(need);
        if (QRtuFrame::crc_ok(frame)) {
            m_rx.remove(0, need);
            handle_request(frame, m_rx_last_ns);
        } else {
            ++m_bad_frames;
            m_rx.remove(0, 1);
        }
    }
    if (m_rx.isEmpty())
        m_gap_timer.stop();
    else
        m_gap_timer.start(GAP_MS);
    m_in_parse = false;
}

void DriveSimulator::handle_request(const QByteArray &frame, qint64 received_ns)
{
    // The answers read the frame at the offsets its function gives.
    const int need = request_length(frame);
    if (frame.size() < 4 || (need >= 0 && frame.size() != need)) {
        ++m_bad_frames;
        return;
    }
    if (!line_matches()) {
        // At another baud rate or framing a drive hears only noise.
        ++m_mismatched;
        return;
    }
    const int station = byte_at(frame, 0);
    const auto served = m_stations.find(station);
    if (station != 0 && served == m_stations.end())
        return; // another drive's business
    if (station != 0 && m_answered_ns >= 0 && served->second.pause_ms() > 0) {
        // A slow drive does not hear a request that comes before its pause
        // after the last answer on the line has passed. Drives without one
        // hear everything, even while an answer still waits to go out.
        const qint64 pause_ns = qint64(served->second.pause_ms()) * 1000000;
        if (received_ns - m_answered_ns < pause_ns)
            return;
    }
    ++m_requests;
    if (m_options.hangup_after >= 0 && m_requests > m_options.hangup_after) {
        hangup();
        return;
    }
    if (station == 0) {
        // A broadcast: every drive does it, none answers.
        for (auto &entry : m_stations)
            answer_for(entry.second, frame);
        return;
    }
    const QByteArray answer = answer_for(served->second, frame);
    const int bits = m_options.bits_per_char;
    const qint64 ready = received_ns + QRtuFrame::frame_nanoseconds(int(frame.size()), m_options.baud, bits)
        + qint64(m_options.turnaround_ms * 1e6) + QRtuFrame::frame_nanoseconds(int(answer.size()), m_options.baud, bits);
    m_answered_ns = ready;
    schedule(answer, pick_fault(), ready);
}

DriveSimulator::Line DriveSimulator::master_line() const
{
    if (m_line_given)
        return m_given_line;
    Line line;
    termios tio;
    if (m_slave_fd < 0 || m_master_fd < 0 || ::tcgetattr(m_master_fd, &tio) != 0)
        return line;
    // The master side of a pseudo-terminal reports the slave's settings,
    // which are the master program's.
    switch (cfgetospeed(&tio)) {
    case B1200: line.baud = 1200; break;
    case B2400: line.baud = 2400; break;
    case B4800: line.baud = 4800; break;
    case B9600: line.baud = 9600; break;
    case B19200: line.baud = 19200; break;
    case B38400: line.baud = 38400; break;
    case B57600: line.baud = 57600; break;
    case B115200: line.baud = 115200; break;
    default: break;
    }
    line.stop = (tio.c_cflag & CSTOPB) ? 2 : 1;
    return line;
}

bool DriveSimulator::line_matches() const
{
    // A real port's line does its own matching; TCP has none.
    if (m_options.tcp_port >= 0 || (m_slave_fd < 0 && !m_line_given) || (m_options.any_line && !m_line_given))
        return true;
    const Line line = master_line();
    return (line.baud == 0 || line.baud == m_options.port_baud) && (line.stop == 0 || line.stop == m_options.stop)
        && (line.parity == 0 || line.parity == m_options.parity);
}

QByteArray DriveSimulator::answer_for(DriveRegisters &registers, const QByteArray &frame)
{
    const int station = byte_at(frame, 0);
    const int function = byte_at(frame, 1);
    int code = 1; // ILLEGAL FUNCTION
    QByteArray answer;
    if ((function == QRtuFrame::WRITE_SINGLE || function == QRtuFrame::WRITE_MULTIPLE)
        && !registers.takes_function(function)) {
        // A drive that writes with the other function only.
    } else if (function == QRtuFrame::READ_HOLDING) {
        QList<quint16> values;
        code = registers.read(word_at(frame, 2), word_at(frame, 4), &values);
        if (code == 0 && m_options.changing) {
            for (int i = 0; i < values.size(); ++i) {
                if (registers.is_runtime(word_at(frame, 2) + i))
                    values[i] = quint16(m_requests);
            }
        }
        if (code == 0)
            return QRtuFrame::read_answer(station, values);
    } else if (function == QRtuFrame::WRITE_SINGLE) {
        code = m_faults.write(registers, word_at(frame, 2), { quint16(word_at(frame, 4)) });
        if (code == 0)
            answer = frame.left(6);
    } else if (function == QRtuFrame::WRITE_MULTIPLE) {
        const int count = word_at(frame, 4);
        if (count < 1 || count > QRtuFrame::MAX_WRITE_COUNT || byte_at(frame, 6) != 2 * count) {
            code = DriveRegisters::ILLEGAL_VALUE;
        } else {
            QList<quint16> values;
            for (int i = 0; i < count; ++i)
                values.append(quint16(word_at(frame, 7 + 2 * i)));
            code = m_faults.write(registers, word_at(frame, 2), values);
            if (code == 0)
                answer = frame.left(6);
        }
    }
    if (code != 0)
        return QRtuFrame::exception_answer(station, function, code);
    return QRtuFrame::with_crc(answer);
}

DriveSimulator::Fault DriveSimulator::pick_fault()
{
    if (!m_next_faults.isEmpty())
        return m_next_faults.takeFirst();
    const struct
    {
        double rate;
        Fault fault;
    } table[] = {
        { m_options.drop_rate, DROP },
        { m_options.late_rate, LATE },
        { m_options.corrupt_rate, CORRUPT },
        { m_options.garbage_rate, GARBAGE },
        { m_options.truncate_rate, TRUNCATE },
        { m_options.split_rate, SPLIT },
        { m_options.wrong_station_rate, WRONG_STATION },
        { m_options.wrong_function_rate, WRONG_FUNCTION },
        { m_options.wrong_count_rate, WRONG_COUNT },
    };
    for (const auto &entry : table) {
        if (entry.rate > 0 && m_random.generateDouble() < entry.rate)
            return entry.fault;
    }
    return NONE;
}

void DriveSimulator::schedule(const QByteArray &answer, Fault fault, qint64 ready_ns)
{
    if (fault != NONE)
        ++m_faults_done[fault];
    QByteArray bytes = m_mbap ? mbap_answer(answer, &fault) : answer;
    QList<Piece> pieces;
    switch (fault) {
    case DROP:
        return;
    case CORRUPT:
        bytes[bytes.size() - 1] = char(bytes.at(bytes.size() - 1) ^ 0x5A);
        break;
    case LATE:
        ready_ns += qint64(m_options.late_ms) * 1000000;
        break;
    case GARBAGE: {
        QByteArray noise;
        const int n = 3 + int(m_random.bounded(4));
        for (int i = 0; i < n; ++i)
            noise.append(char(m_random.bounded(256)));
        bytes.prepend(noise);
        break;
    }
    case TRUNCATE:
        bytes.chop(qMin<qsizetype>(3, bytes.size() - 1));
        break;
    case WRONG_STATION:
        bytes[0] = char(byte_at(bytes, 0) % 247 + 1);
        bytes = recrc(bytes);
        break;
    case WRONG_FUNCTION:
        bytes[1] = char(byte_at(bytes, 1) ^ 0x07);
        bytes = recrc(bytes);
        break;
    case WRONG_COUNT:
        if (byte_at(bytes, 1) == QRtuFrame::READ_HOLDING) {
            bytes[2] = char(byte_at(bytes, 2) + 2);
            bytes.insert(bytes.size() - 2, QByteArray(2, '\0'));
            bytes = recrc(bytes);
        } else {
            bytes[bytes.size() - 1] = char(bytes.at(bytes.size() - 1) ^ 0x5A);
        }
        break;
    case SPLIT: {
        const int third = qMax<int>(1, int(bytes.size()) / 3);
        const qint64 pause = qint64(m_options.split_ms) * 1000000;
        pieces.append({ ready_ns, bytes.left(third) });
        pieces.append({ ready_ns + pause, bytes.mid(third, third) });
        pieces.append({ ready_ns + 2 * pause, bytes.mid(2 * third) });
        break;
    }
    case NONE:
        break;
    }
    if (pieces.isEmpty())
        pieces.append({ ready_ns, bytes });
    if (m_hold) {
        for (const Piece &p : std::as_const(pieces))
            m_held.append(p.bytes);
        return;
    }
    for (const Piece &p : pieces) {
        auto at = std::upper_bound(m_pieces.begin(), m_pieces.end(), p.at_ns,
                                   [](qint64 t, const Piece &q) { return t < q.at_ns; });
        m_pieces.insert(at, p);
    }
    flush_pieces();
}

void DriveSimulator::wait_receiving(qint64 ns)
{
    // A drive's receiver works while it waits to send: requests that come
    // meanwhile are read now, so their line timing counts from when they
    // really arrived. They are handled once the answer is out.
    const qint64 until = m_clock.nsecsElapsed() + ns;
    for (qint64 left = ns; left > 0 && m_master_fd >= 0; left = until - m_clock.nsecsElapsed()) {
        pollfd p{ m_master_fd, POLLIN, 0 };
        timespec ts;
        ts.tv_sec = time_t(left / 1000000000);
        ts.tv_nsec = long(left % 1000000000);
        if (::ppoll(&p, 1, &ts, nullptr) <= 0 || !(p.revents & POLLIN))
            continue;
        char buffer[512];
        const ssize_t n = ::read(m_master_fd, buffer, sizeof buffer);
        if (n > 0) {
            m_rx.append(buffer, int(n));
            m_rx_last_ns = m_clock.nsecsElapsed();
            m_rx_pending = true;
        } else {
            // Hung up, or nothing after all: let the notifier deal with it
            // after the answer; sleep out the rest.
            const qint64 rest = until - m_clock.nsecsElapsed();
            if (rest > 0) {
                timespec r{ time_t(rest / 1000000000), long(rest % 1000000000) };
                while (nanosleep(&r, &r) != 0) {
                }
            }
            break;
        }
    }
}

void DriveSimulator::flush_pieces()
{
    while (!m_pieces.isEmpty() && m_master_fd >= 0) {
        const qint64 wait = m_pieces.first().at_ns - m_clock.nsecsElapsed();
        if (wait > SLEEP_LIMIT_NS) {
            m_piece_timer.start(int(wait / 1000000));
            return;
        }
        if (wait > 0)
            wait_receiving(wait);
        if (m_pieces.isEmpty() || m_master_fd < 0)
            return;
        write_bytes(m_pieces.takeFirst().bytes);
        ++m_answers;
    }
}

void DriveSimulator::write_bytes(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size() && m_master_fd >= 0) {
        const ssize_t n = ::write(m_master_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EAGAIN) {
            usleep(1000); // the master is not reading; a real line would not wait either
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

DriveSimulator::Fault DriveSimulator::fault_from_name(const QString &name, bool *ok)
{
    static const QList<QPair<QString, Fault>> names = {
        { QStringLiteral("none"), NONE }, { QStringLiteral("drop"), DROP },
        { QStringLiteral("corrupt"), CORRUPT }, { QStringLiteral("late"), LATE },
        { QStringLiteral("garbage"), GARBAGE }, { QStringLiteral("truncate"), TRUNCATE },
        { QStringLiteral("split"), SPLIT }, { QStringLiteral("wrong-station"), WRONG_STATION },
        { QStringLiteral("wrong-function"), WRONG_FUNCTION }, { QStringLiteral("wrong-count"), WRONG_COUNT },
    };
    for (const auto &entry : names) {
        if (entry.first == name) {
            *ok = true;
            return entry.second;
        }
    }
    *ok = false;
    return NONE;
}

QString DriveSimulator::fault_name(Fault fault)
{
    switch (fault) {
    case NONE: return QStringLiteral("none");
    case DROP: return QStringLiteral("drop");
    case CORRUPT: return QStringLiteral("corrupt");
    case LATE: return QStringLiteral("late");
    case GARBAGE: return QStringLiteral("garbage");
    case TRUNCATE: return QStringLiteral("truncate");
    case SPLIT: return QStringLiteral("split");
    case WRONG_STATION: return QStringLiteral("wrong-station");
    case WRONG_FUNCTION: return QStringLiteral("wrong-function");
    case WRONG_COUNT: return QStringLiteral("wrong-count");
    }
    return QString();
}

bool DriveSimulator::set_fault(const QString &name, const QString &value, QString *error)
{
    if (name == QLatin1String("next")) {
        bool ok = false;
        const Fault f = fault_from_name(value, &ok);
        if (!ok) {
            *error = QStringLiteral("unknown fault %1").arg(value);
            return false;
        }
        m_next_faults.append(f);
        return true;
    }
    struct RateOption
    {
        const char *name;
        double *target;
    };
    const RateOption rates[] = {
        { "drop-rate", &m_options.drop_rate }, { "corrupt-rate", &m_options.corrupt_rate },
        { "late-rate", &m_options.late_rate }, { "garbage-rate", &m_options.garbage_rate },
        { "truncate-rate", &m_options.truncate_rate }, { "split-rate", &m_options.split_rate },
        { "wrong-station-rate", &m_options.wrong_station_rate },
        { "wrong-function-rate", &m_options.wrong_function_rate },
        { "wrong-count-rate", &m_options.wrong_count_rate }, { "turnaround", &m_options.turnaround_ms },
    };
    for (const RateOption &r : rates) {
        if (name == QLatin1String(r.name)) {
            bool ok = false;
            const double v = value.toDouble(&ok);
            const double high = r.target == &m_options.turnaround_ms ? 10000 : 1;
            if (!ok || v < 0 || v > high) {
                *error = QStringLiteral("%1 must be a number from 0 to %2").arg(name).arg(high);
                return false;
            }
            *r.target = v;
            return true;
        }
    }
    struct IntOption
    {
        const char *name;
        int *target;
        int low;
        int high;
    };
    const IntOption ints[] = {
        { "late-ms", &m_options.late_ms, 0, 600000 }, { "split-ms", &m_options.split_ms, 0, 60000 },
        { "baud", &m_options.baud, 0, 10000000 }, { "hangup-after", &m_options.hangup_after, -1, INT_MAX },
    };
    for (const IntOption &o : ints) {
        if (name == QLatin1String(o.name)) {
            qint64 v = 0;
            if (!parse_int(value, &v) || v < o.low || v > o.high) {
                *error = QStringLiteral("%1 must be an integer from %2 to %3").arg(name).arg(o.low).arg(o.high);
                return false;
            }
            *o.target = int(v);
            if (o.target == &m_options.hangup_after && v >= 0)
                m_options.hangup_after = int(m_requests + v); // counted from now
            return true;
        }
    }
    *error = QStringLiteral("unknown fault option %1").arg(name);
    return false;
}

QStringList DriveSimulator::command(const QString &line)
{
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return { QStringLiteral("error empty command") };
    const QString &verb = words.first();
    QStringList fault_reply;
    if (m_faults.command(words, &fault_reply))
        return fault_reply;
    if (verb == QLatin1String("get") && (words.size() == 2 || words.size() == 3)) {
        qint64 address = 0;
        qint64 count = 1;
        if (!parse_int(words.at(1), &address) || (words.size() == 3 && !parse_int(words.at(2), &count))
            || address < 0 || count < 1 || address + count - 1 > 0xFFFF)
            return { QStringLiteral("error get needs an address and a count within 0..65535") };
        QStringList values;
        for (qint64 a = address; a < address + count; ++a) {
            if (!registers().in_range(int(a)))
                return { QStringLiteral("error address %1 is not served").arg(a) };
            values.append(QString::number(registers().value(int(a))));
        }
        return { QStringLiteral("ok ") + values.join(QLatin1Char(' ')) };
    }
    if (verb == QLatin1String("set") && words.size() == 3) {
        qint64 address = 0;
        qint64 value = 0;
        if (!parse_int(words.at(1), &address) || !parse_int(words.at(2), &value) || address < 0 || address > 0xFFFF
            || value < -32768 || value > 0xFFFF)
            return { QStringLiteral("error set needs an address and a 16-bit value") };
        if (!registers().in_range(int(address)))
            return { QStringLiteral("error address %1 is not served").arg(address) };
        registers().set_value(int(address), quint16(value));
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("dump") && words.size() == 1) {
        QStringList out;
        for (int a : registers().served_addresses())
            out.append(QStringLiteral("%1=%2").arg(a).arg(registers().value(a)));
        out.append(QStringLiteral("ok"));
        return out;
    }
    if (verb == QLatin1String("fault") && words.size() == 3) {
        QString error;
        if (!set_fault(words.at(1), words.at(2), &error))
            return { QStringLiteral("error ") + error };
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("hold") && words.size() == 2
        && (words.at(1) == QLatin1String("1") || words.at(1) == QLatin1String("0"))) {
        m_hold = words.at(1) == QLatin1String("1");
        if (!m_hold) {
            // Sent now, in the order they were held, before anything due later.
            const qint64 now = m_clock.nsecsElapsed();
            auto at = std::upper_bound(m_pieces.begin(), m_pieces.end(), now,
                                       [](qint64 t, const Piece &q) { return t < q.at_ns; });
            qsizetype index = at - m_pieces.begin();
            for (const QByteArray &bytes : std::exchange(m_held, {}))
                m_pieces.insert(index++, { now, bytes });
            flush_pieces();
        }
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("stats") && words.size() == 1) {
        QString line = QStringLiteral("ok requests=%1 answers=%2 bad=%3 mismatched=%4")
                           .arg(m_requests).arg(m_answers).arg(m_bad_frames).arg(m_mismatched);
        // The faults applied so far, by kind.
        for (auto it = m_faults_done.cbegin(); it != m_faults_done.cend(); ++it)
            line += QStringLiteral(" %1=%2").arg(fault_name(it.key())).arg(it.value());
        return { line };
    }
    if (verb == QLatin1String("station") && words.size() == 2) {
        qint64 station = 0;
        if (!parse_int(words.at(1), &station) || m_stations.find(int(station)) == m_stations.end())
            return { QStringLiteral("error station %1 is not served").arg(words.at(1)) };
        m_selected = int(station);
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("line") && words.size() == 2 && words.at(1) == QLatin1String("auto")) {
        m_line_given = false;
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("line") && words.size() == 3) {
        qint64 baud = 0;
        tagFraming framing;
        if (!parse_int(words.at(1), &baud) || baud <= 0 || baud > 10000000
            || !tagFraming::from_name(words.at(2), &framing))
            return { QStringLiteral("error line needs a baud rate and a framing like 8N1, 8E1, 8O1, 8N2 (or: line auto)") };
        m_given_line = { int(baud), framing.parity, framing.stop };
        m_line_given = true;
        return { QStringLiteral("ok") };
    }
    if (verb == QLatin1String("hangup") && words.size() == 1) {
        hangup();
        return { QStringLiteral("ok") };
    }
    QString motor_reply;
    if (registers().runtime_command(words, &motor_reply))
        return { motor_reply };
    return { QStringLiteral("error unknown command: ") + line };
}
