#include "vantorellink.h"

#include <machine/driveprofile.h>
#include <paramset/parammissions.h>

#include "vantorelexit.h"
#include "vantoreltr.h"

#include <communicate/qcommunicate.h>
#include <communicate/services/qlinkerrortext.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <memory>

namespace {

bool is_write(const QMission &mission)
{
    return mission.mission_type() == MISSION_WRITE || mission.mission_type() == MISSION_WRITE_MULTI;
}

} // namespace

VantorelLink::VantorelLink(QObject *parent)
    : QObject(parent)
    , m_link(new QCommunicate(this))
{
    connect(m_link->mission_manager(), &QMissionManager::machine_version, this, [this](int version) {
        if (m_version >= 0)
            return;
        m_version = version;
        emit answered();
    });
}

VantorelLink::~VantorelLink()
{
    close();
}

void VantorelLink::set_timeout(int ms, int retries)
{
    m_link->set_timeout(ms);
    m_link->set_retries(retries);
}

bool VantorelLink::open(const tagSerialConfig &config, int station)
{
    start(config, station);
    return wait_online();
}

void VantorelLink::start(const tagSerialConfig &config, int station)
{
    close();
    m_config = config;
    m_station = station;
    m_version = -1;
    m_serial.clear();
    m_error.clear();
    m_exit = VantorelExit::Done;
    m_since.start();

    if (!m_link->open(config)) {
        m_error = VantorelText::tr("无法打开端口 %1").arg(QCommunicate::port_for(config));
        m_exit = VantorelExit::NoLink;
        return;
    }
    m_link->mission_manager()->set_connect_mission(new QMission(QMission::connect_probe(station)));
}

void VantorelLink::set_profile(const DriveProfile &profile)
{
    if (m_version >= 0 || m_exit != VantorelExit::Done)
        return;
    auto *probe = new QMission(QMission::connect_probe(m_station));
    ParamMissions::apply_timing(probe, profile);
    m_link->mission_manager()->set_connect_mission(probe);
    // A slow drive gets the wait its own time-out needs, counted from now:
    // the probes already sent may have failed at the settings' time-out.
    if (profile.timeout_ms > 0) {
        const int tries = 1 + (profile.retries >= 0 ? profile.retries : 2);
        m_connect_wait = int(std::max<qint64>(m_connect_wait,
                                              m_since.elapsed() + 2 * qint64(profile.timeout_ms) * tries));
    }
}

bool VantorelLink::wait_online()
{
    if (m_exit != VantorelExit::Done)
        return false;
    if (m_version < 0) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(this, &VantorelLink::answered, &loop, &QEventLoop::quit);
        connect(m_link, &QCommunicate::offline, &loop, &QEventLoop::quit);
        deadline.start(int(std::max<qint64>(0, m_connect_wait - m_since.elapsed())));
        loop.exec();
    }
    if (m_version >= 0)
        return true;

    const QString port = QCommunicate::port_for(m_config);
    const bool port_open = m_link->serial_status() == 0;
    const QString line = port.contains(QLatin1String("://"))
        ? port
        : QStringLiteral("%1 %2 %3%4%5")
              .arg(port)
              .arg(m_config.baud_rate)
              .arg(m_config.data_length)
              .arg(QChar::fromLatin1(m_config.parity).toUpper())
              .arg(m_config.stop);
    // What came to the last probe: a malformed answer is not "no answer".
    QByteArray came;
    const int failure = port_open ? m_link->mission_manager()->probe_failure(&came) : 0;
    if (!port_open) {
        m_error = VantorelText::tr("端口 %1 已断开").arg(port);
    } else if (failure == QMissionManager::ERR_MALFORMED) {
        // The bytes as they came, cut to a readable length.
        constexpr int SHOWN = 32;
        QString bytes = QString::fromLatin1(came.left(SHOWN).toHex(' '));
        if (came.size() > SHOWN)
            bytes += QStringLiteral(" …");
        m_error = came.isEmpty() ? VantorelText::tr("站号 %1 在 %2 上应答有误").arg(m_station).arg(line)
                                 : VantorelText::tr("站号 %1 在 %2 上应答有误（收到 %3）").arg(m_station).arg(line, bytes);
    } else if (failure == QMissionManager::ERR_ECHO) {
        m_error = VantorelText::tr("站号 %1 在 %2 上只收到本机发送的请求（回显）：适配器回送发出的字节，请加 --echo 或打开本地回显")
                      .arg(m_station)
                      .arg(line);
    } else {
        m_error = VantorelText::tr("站号 %1 在 %2 上没有应答").arg(m_station).arg(line);
    }
    m_exit = VantorelExit::NoLink;
    close();
    return false;
}

bool VantorelLink::read_serial(const DriveProfile &profile)
{
    m_serial.clear();
    const std::unique_ptr<QMission> mission(ParamMissions::serial_mission(profile, m_station));
    if (!mission)
        return true;
    mission->set_attribute(MissionKey::level(), QVariant(MissionLevel::PageWork));
    return run({mission.get()}, [this, &profile](const QMission &answer) {
        m_serial = ParamMissions::serial_of(profile, answer);
    });
}

QString VantorelLink::port() const
{
    return QCommunicate::port_for(m_config);
}

QMissionManager *VantorelLink::manager() const
{
    return m_link->mission_manager();
}

void VantorelLink::close()
{
    if (m_link->serial_status() == 0)
        m_link->closed();
}

bool VantorelLink::run(const QList<QMission *> &missions, const Answer &answer, const Progress &progress)
{
    if (missions.isEmpty()) {
        m_failures.clear();
        m_error.clear();
        m_exit = VantorelExit::Done;
        return true;
    }
    QMissionManager *manager = m_link->mission_manager();
    return watch([&] { manager->add_mission_group(missions, QString()); }, answer, progress);
}

bool VantorelLink::watch(const std::function<void()> &start, const Answer &answer, const Progress &progress)
{
    m_failures.clear();
    m_error.clear();
    m_exit = VantorelExit::Done;

    QMissionManager *manager = m_link->mission_manager();
    int total = 0;
    int done = 0;
    bool ended = false;
    QEventLoop loop;
    const auto step = [&] {
        ++done;
        if (progress)
            progress(done, total);
    };
    const QList<QMetaObject::Connection> connections{
        connect(manager, &QMissionManager::mission_group_start, &loop,
                [&](int size) {
                    total = size;
                    if (progress)
                        progress(0, total);
                }),
        connect(manager, &QMissionManager::mission_success, &loop,
                [&](QMission *mission) {
                    if (answer && mission)
                        answer(*mission);
                    step();
                }),
        connect(manager, &QMissionManager::mission_failed, &loop,
                [&](QMission *mission, int code) {
                    Failure failure;
                    failure.code = code;
                    if (mission) {
                        failure.address = mission->get_attribute(MissionKey::address()).toInt();
                        failure.write = is_write(*mission);
                    }
                    m_failures.append(failure);
                    step();
                }),
        connect(manager, &QMissionManager::mission_group_end, &loop,
                [&](bool) {
                    ended = true;
                    loop.quit();
                }),
    };
    start();
    if (!ended)
        loop.exec();
    for (const QMetaObject::Connection &c : connections)
        disconnect(c);

    if (m_failures.isEmpty())
        return true;
    // A refusal says more than a silence: the drive is there and said no.
    const Failure *first = &m_failures.first();
    for (const Failure &f : std::as_const(m_failures)) {
        if (f.code < QMissionManager::ERR_NO_ANSWER) {
            first = &f;
            break;
        }
    }
    m_exit = first->code < QMissionManager::ERR_NO_ANSWER ? VantorelExit::Refused : VantorelExit::NoLink;
    const QString name = m_namer ? m_namer(first->address) : QString();
    const QString where = QStringLiteral("0x%1").arg(first->address, 4, 16, QLatin1Char('0')).toUpper().replace(
        QLatin1String("0X"), QLatin1String("0x"));
    const QString what = name.isEmpty() ? VantorelText::tr("地址 %1").arg(where) : VantorelText::tr("%1（地址 %2）").arg(name, where);
    m_error = VantorelText::tr("%1 %2 失败：%3")
                  .arg(first->write ? VantorelText::tr("写入") : VantorelText::tr("读取"), what, QLinkErrorText::reason(first->code));
    if (m_failures.size() > 1)
        m_error += VantorelText::tr("，共 %1 个请求失败").arg(m_failures.size());
    return false;
}
