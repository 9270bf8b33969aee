#include <communicate/services/qdevicesearch.h>

#include <communicate/frames/qrtuframe.h>
#include <communicate/transports/qserialtransport.h>
#include <communicate/transports/qtcptransport.h>

#include <QFileInfo>
#include <QMetaObject>

#include <cmath>

namespace {

constexpr int REQUEST_BYTES = 8;
constexpr int ANSWER_BYTES = 7; // one register
constexpr int EXTRA_WAIT_MS = 50;

bool is_modbus_tcp(const QString &name)
{
    QString host;
    quint16 port = 0;
    bool rtu = false;
    return QTcpTransport::parse_name(name, &host, &port, &rtu) && !rtu;
}

int bits_per_char(const tagFraming &f)
{
    return 1 + 8 + (f.parity == 'n' ? 0 : 1) + f.stop;
}

} // namespace

QList<int> tagSearchPlan::standard_baud_rates()
{
    return { 19200, 9600, 38400, 57600, 115200 };
}

QList<tagFraming> tagSearchPlan::standard_framings()
{
    return { { 'n', 1 }, { 'e', 1 }, { 'o', 1 }, { 'n', 2 } };
}

QString tagSearchPlan::check() const
{
    if (ports.isEmpty())
        return QStringLiteral("no port to search");
    for (const QString &p : ports)
        if (p.trimmed().isEmpty())
            return QStringLiteral("an empty port name");
    if (baud_rates.isEmpty())
        return QStringLiteral("no baud rate to try");
    for (int b : baud_rates)
        if (b <= 0)
            return QStringLiteral("baud rate %1 is not a positive number").arg(b);
    if (framings.isEmpty())
        return QStringLiteral("no parity and stop bits to try");
    for (const tagFraming &f : framings)
        if ((f.parity != 'n' && f.parity != 'e' && f.parity != 'o') || (f.stop != 1 && f.stop != 2))
            return QStringLiteral("parity must be n, e or o and stop bits 1 or 2");
    if (first_station < 1 || last_station > 247 || first_station > last_station)
        return QStringLiteral("stations must lie within 1..247, the first not above the last");
    if (wait_ms < 0 || wait_ms > 60000)
        return QStringLiteral("the wait must lie within 0..60000 ms");
    if (pause_ms < 0 || pause_ms > 10000)
        return QStringLiteral("the pause must lie within 0..10000 ms");
    return QString();
}

int tagSearchPlan::station_count() const
{
    return qMax(0, last_station - first_station + 1);
}

int tagSearchPlan::setting_count() const
{
    int n = 0;
    for (const QString &p : ports)
        n += is_modbus_tcp(p) ? 1 : int(baud_rates.size() * framings.size());
    return n;
}

qint64 QDeviceSearch::probe_line_ns(int baud, const tagFraming &framing)
{
    const int bits = bits_per_char(framing);
    return QRtuFrame::silence_nanoseconds(baud, bits)
        + QRtuFrame::frame_nanoseconds(REQUEST_BYTES + ANSWER_BYTES, baud, bits);
}

int QDeviceSearch::default_wait_ms(int baud, const tagFraming &framing)
{
    return int((probe_line_ns(baud, framing) + 999999) / 1000000) + EXTRA_WAIT_MS;
}

QDeviceSearch::QDeviceSearch(QObject *parent)
    : QObject(parent)
    , m_serial(new QSerialTransport(this))
    , m_tcp(new QTcpTransport(this))
{
    qRegisterMetaType<tagFoundDrive>();
    qRegisterMetaType<tagSerialConfig>();
    for (QWorkerTransport *t : { static_cast<QWorkerTransport *>(m_serial), static_cast<QWorkerTransport *>(m_tcp) }) {
        // One try per station; after a silent station the next is asked at
        // once (after the silent interval): a late answer from the one
        // before cannot pass for the next station's.
        t->set_retries(0);
        t->set_miss_quiet(0);
        connect(t, &QLinkTransport::exchange_finished, this, [this, t](int result, const QByteArray &answer, int code) {
            if (t == m_link)
                on_finished(result, answer, code);
        });
        connect(t, &QWorkerTransport::port_lost, this, [this, t](const QString &reason) {
            if (t == m_link)
                on_port_lost(reason);
        });
    }
}

QDeviceSearch::~QDeviceSearch()
{
    blockSignals(true);
    close_link();
}

bool QDeviceSearch::start(const tagSearchPlan &plan)
{
    if (m_running) {
        m_error = QStringLiteral("a search is running");
        return false;
    }
    m_error = plan.check();
    if (!m_error.isEmpty())
        return false;
    m_plan = plan;
    m_settings.clear();
    for (const QString &p : plan.ports) {
        const QString port = p.trimmed();
        for (int baud : plan.baud_rates) {
            for (const tagFraming &f : plan.framings) {
                tagSerialConfig c;
                c.port_name = port;
                c.baud_rate = baud;
                c.parity = f.parity;
                c.stop = f.stop;
                c.data_length = 8;
                m_settings.append(c);
                if (is_modbus_tcp(port))
                    break; // no line settings behind a Modbus TCP server
            }
            if (is_modbus_tcp(port))
                break;
        }
    }
    m_found.clear();
    m_setting = -1;
    m_done = 0;
    m_total = int(m_settings.size()) * plan.station_count();
    m_running = true;
    ++m_generation;
    m_clock.start();
    const quint64 generation = m_generation;
    // The first signals come from the event loop.
    QMetaObject::invokeMethod(this, [this, generation] {
        if (m_running && generation == m_generation)
            next_setting();
    }, Qt::QueuedConnection);
    return true;
}

void QDeviceSearch::stop()
{
    if (!m_running)
        return;
    end(true);
}

int QDeviceSearch::wait_for(const tagSerialConfig &config) const
{
    if (m_plan.wait_ms > 0)
        return m_plan.wait_ms;
    if (is_modbus_tcp(config.port_name))
        return EXTRA_WAIT_MS * 4; // no line time; a network round trip
    return default_wait_ms(config.baud_rate, { config.parity, config.stop });
}

void QDeviceSearch::close_link()
{
    if (m_link)
        m_link->close();
    m_link = nullptr;
    m_asking = 0;
}

void QDeviceSearch::end(bool stopped)
{
    close_link();
    m_running = false;
    ++m_generation;
    m_to_ask.clear();
    m_garbled.clear();
    emit finished(stopped);
}

void QDeviceSearch::next_setting()
{
    close_link();
    if (!m_running)
        return;
    for (;;) {
        ++m_setting;
        if (m_setting >= m_settings.size()) {
            m_done = m_total;
            emit_progress();
            end(false);
            return;
        }
        const tagSerialConfig &config = m_settings.at(m_setting);
        QString error;
        bool ok = false;
        const int wait = wait_for(config);
        if (is_modbus_tcp(config.port_name)) {
            m_tcp->set_timeout(wait);
            ok = m_tcp->open(config.port_name, &error);
            if (ok)
                m_link = m_tcp;
        } else {
            m_serial->set_timeout(wait);
            ok = m_serial->open(config.port_name, config, &error);
            if (ok)
                m_link = m_serial;
        }
        if (ok)
            break;
        m_done += m_plan.station_count();
        const quint64 generation = m_generation;
        emit setting_failed(config, error);
        if (!m_running || generation != m_generation)
            return; // stopped by a receiver
        // A device that does not exist, or a server that cannot be
        // reached, will not do at another baud rate either.
        const QString &name = config.port_name;
        if (QTcpTransport::is_network_name(name) || (name.startsWith(QLatin1Char('/')) && !QFileInfo::exists(name)))
            skip_port();
        emit_progress();
        if (!m_running || generation != m_generation)
            return;
    }
    m_to_ask.clear();
    for (int s = m_plan.first_station; s <= m_plan.last_station; ++s)
        m_to_ask.append(s);
    m_garbled.clear();
    m_second_round = false;
    ask_next();
}

void QDeviceSearch::ask_next()
{
    if (m_to_ask.isEmpty() && !m_second_round && !m_garbled.isEmpty()) {
        // Something answered garbled (two drives at once, noise): once more.
        m_to_ask = m_garbled;
        m_garbled.clear();
        m_second_round = true;
    }
    if (m_to_ask.isEmpty()) {
        next_setting();
        return;
    }
    m_asking = m_to_ask.takeFirst();
    m_probe_clock.start();
    const QByteArray request = QRtuFrame::read_request(m_asking, 0, 1);
    if (m_plan.pause_ms > 0) {
        QLinkTransport::Timing timing;
        timing.pause_ms = m_plan.pause_ms;
        m_link->start_timed_exchange(request, timing);
    } else {
        m_link->start_exchange(request);
    }
}

void QDeviceSearch::on_finished(int result, const QByteArray &answer, int exception_code)
{
    if (!m_running || m_asking == 0)
        return;
    const int station = m_asking;
    m_asking = 0;
    // A slow drive's pause is kept before the probe on the line (right after
    // the last answer it is nearly whole): it is no part of the response.
    const double response_ms = qMax(0.0, double(m_probe_clock.nsecsElapsed()) / 1e6 - m_plan.pause_ms);
    const quint64 generation = m_generation;
    if (!m_second_round)
        ++m_done;
    if (result == QLinkTransport::Answered || result == QLinkTransport::Exception) {
        tagFoundDrive drive;
        drive.config = m_settings.at(m_setting);
        drive.station = station;
        drive.config.station = station;
        drive.response_ms = response_ms;
        if (result == QLinkTransport::Answered) {
            const QList<quint16> values = QRtuFrame::answer_registers(answer, 1);
            drive.value = values.isEmpty() ? -1 : int(values.first());
        } else {
            drive.exception_code = exception_code;
        }
        m_found.append(drive);
        emit found(drive);
    } else if (result == QLinkTransport::Malformed && !m_second_round) {
        m_garbled.append(station);
    }
    if (!m_running || generation != m_generation)
        return;
    emit_progress();
    if (!m_running || generation != m_generation)
        return;
    ask_next();
}

void QDeviceSearch::on_port_lost(const QString &reason)
{
    if (!m_running)
        return;
    const tagSerialConfig config = m_settings.at(m_setting);
    m_link = nullptr; // closed already
    m_asking = 0;
    const quint64 generation = m_generation;
    emit setting_failed(config, reason);
    if (!m_running || generation != m_generation)
        return;
    skip_port();
    next_setting();
}

void QDeviceSearch::skip_port()
{
    // The port is gone: its other settings are not tried. The probes of
    // this setting and of those skipped count as done.
    const QString port = m_settings.at(m_setting).port_name;
    m_done = (m_setting + 1) * m_plan.station_count();
    while (m_setting + 1 < m_settings.size() && m_settings.at(m_setting + 1).port_name == port) {
        ++m_setting;
        m_done += m_plan.station_count();
    }
}

void QDeviceSearch::emit_progress()
{
    const int left = m_total - m_done;
    qint64 ms_left = 0;
    if (left > 0) {
        const double per_probe_ms = m_done > 0
            ? double(m_clock.elapsed()) / m_done
            : double(probe_line_ns(m_settings.value(qMax(0, m_setting)).baud_rate, {}) / 1000000
                     + wait_for(m_settings.value(qMax(0, m_setting))));
        ms_left = qint64(std::ceil(per_probe_ms * left));
    }
    emit progress(m_done, m_total, ms_left);
}
