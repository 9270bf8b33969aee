#include <communicate/missions/qmissionmanager.h>

#include <communicate/transports/qlinktransport.h>
#include <communicate/missions/qmission.h>
#include <communicate/frames/qrtuframe.h>

#include <QDebug>
#include <QPointer>
#include <QTimer>

#include <optional>

namespace {

constexpr int INVALID_REQUEST_CODE = 3; // Modbus ILLEGAL DATA VALUE

struct Entry
{
    QMission mission;
    int level = 0; // the mission's level, looked up once
    quint64 group = 0;
    bool valid = true;
    bool recallable = false; // handed over behind another, maybe not started yet
};

// The drive's own timing a mission carries (MissionKey::pause, timeout,
// retries); -1 where it carries none.
QLinkTransport::Timing timing_of(const QMission &mission)
{
    QLinkTransport::Timing timing;
    timing.pause_ms = mission.get_attribute(MissionKey::pause(), -1).toInt();
    timing.timeout_ms = mission.get_attribute(MissionKey::timeout(), -1).toInt();
    timing.retries = mission.get_attribute(MissionKey::retries(), -1).toInt();
    return timing;
}

struct Group
{
    quint64 id = 0;
    QString name;
    QList<Entry> entries;
    int left = 0;
    bool success = true;
};

} // namespace

class QMissionManager::Private
{
public:
    enum State { Closed, Probing, Online };

    explicit Private(QMissionManager *q)
        : q(q)
    {
        probe_timer.setSingleShot(true);
        QObject::connect(&probe_timer, &QTimer::timeout, q, [this] { schedule(); });
    }

    QMissionManager *q;
    QLinkTransport *transport = nullptr;
    State state = Closed;
    quint64 session = 0;

    QMission *probe = nullptr; // owned
    QTimer probe_timer;
    int probe_interval = 100;

    QList<Entry> queue;           // highest level first, equal levels in order of arrival
    QList<Entry> closed_failures; // added while the port was closed
    // Handed to the transport, oldest first: the one on the line, and with a
    // pipelining transport the next one, so that it goes out the moment the
    // answer is in. A mission handed over is not overtaken any more.
    QList<Entry> in_flight;
    bool recall_pending = false;
    bool probe_on_line = false;
    int probe_failure = 0;
    QByteArray probe_failure_bytes;

    QList<Group> pending_groups;
    std::optional<Group> active_group;
    bool start_pending = false; // active_group's start is not yet announced
    QString group_name;
    quint64 next_group_id = 1;

    int silent_count = 0;
    bool pump_scheduled = false;
    bool in_pump = false;

    static constexpr int SILENT_LIMIT = 3;

    void schedule()
    {
        if (pump_scheduled)
            return;
        pump_scheduled = true;
        QMetaObject::invokeMethod(q, [this] { pump(); }, Qt::QueuedConnection);
    }

    Entry make_entry(const QMission &mission, quint64 group)
    {
        Entry e{ mission, mission.level(), group, true, false };
        e.valid = e.mission.update_send_buffer();
        return e;
    }

    void insert_sorted(Entry e)
    {
        int at = int(queue.size());
        while (at > 0 && queue.at(at - 1).level < e.level)
            --at;
        queue.insert(at, std::move(e));
    }


    // Reports one finished mission and keeps its group's count.
    void report(Entry &e, bool success, int code)
    {
        if (success)
            emit q->mission_success(&e.mission);
        else
            emit q->mission_failed(&e.mission, code);
        if (!active_group || e.group != active_group->id)
            return;
        active_group->success = active_group->success && success;
        const int left = --active_group->left;
        emit q->mission_group_progress(left);
        if (left == 0 && active_group && active_group->id == e.group) {
            const bool ok = active_group->success;
            active_group.reset();
            emit q->mission_group_end(ok);
        }
    }

    // Makes g the running group and hands back its missions, which the
    // caller queues (or fails) once it is announced or before.
    QList<Entry> take_place(Group g)
    {
        g.left = int(g.entries.size());
        group_name = g.name;
        QList<Entry> entries = std::move(g.entries);
        g.entries.clear();
        active_group = std::move(g);
        return entries;
    }

    // A group added while no other one runs takes its place in the queue at
    // once, so that missions added after it keep their order behind it; its
    // start is announced from the event loop.
    void activate_now(Group g)
    {
        for (Entry &e : take_place(std::move(g)))
            insert_sorted(std::move(e));
        start_pending = true;
    }

    // Returns false when the group went away while its start was announced.
    bool announce_start()
    {
        start_pending = false;
        const quint64 id = active_group->id;
        const int size = active_group->left;
        emit q->mission_group_start(size);
        if (!active_group || active_group->id != id)
            return false;
        if (size == 0) {
            active_group.reset();
            emit q->mission_group_end(true);
            return false;
        }
        return true;
    }

    // The next waiting group: announced first, then its missions queued,
    // or failed at once while the port is closed.
    void start_group()
    {
        QList<Entry> entries = take_place(pending_groups.takeFirst());
        if (!announce_start())
            return;
        if (state == Closed) {
            for (Entry &e : entries)
                report(e, false, ERR_LINK_CLOSED);
            return;
        }
        for (Entry &e : entries)
            insert_sorted(std::move(e));
    }

    void send_probe()
    {
        QMission m = probe ? *probe : QMission::connect_probe(1);
        if (!m.update_send_buffer()) {
            qWarning("communicate: the connect mission makes no valid request; probing with it is impossible");
            probe_timer.start(probe_interval * 10);
            return;
        }
        probe_on_line = true;
        const QLinkTransport::Timing timing = timing_of(m);
        if (timing.is_default())
            transport->start_exchange(m.get_send_buffer());
        else
            transport->start_timed_exchange(m.get_send_buffer(), timing);
    }

    void pump()
    {
        if (in_pump) {
            schedule();
            return;
        }
        pump_scheduled = false;
        QPointer<QMissionManager> guard(q);
        in_pump = true;
        for (;;) {
            if (!closed_failures.isEmpty()) {
                Entry e = closed_failures.takeFirst();
                emit q->mission_failed(&e.mission, ERR_LINK_CLOSED);
                if (!guard)
                    return;
                continue;
            }
            if (start_pending && active_group) {
                announce_start();
                if (!guard)
                    return;
                continue;
            }
            if (!active_group && !pending_groups.isEmpty()) {
                start_group();
                if (!guard)
                    return;
                continue;
            }
            if (!transport || state == Closed || probe_on_line)
                break;
            if (state == Probing) {
                if (in_flight.isEmpty() && !probe_timer.isActive())
                    send_probe();
                break;
            }
            if (queue.isEmpty() || recall_pending)
                break;
            if (!in_flight.isEmpty() && in_flight.last().recallable
                && queue.first().level > in_flight.last().level) {
                // A mission of higher level came after lower ones were
                // handed over: take back those not on the line yet.
                recall_pending = true;
                transport->recall();
                if (!guard)
                    return;
                continue;
            }
            if (in_flight.size() >= qMax(1, transport->pipeline_depth()))
                break;
            Entry e = queue.takeFirst();
            if (!e.valid) {
                report(e, false, INVALID_REQUEST_CODE);
                if (!guard)
                    return;
                continue;
            }
            e.recallable = !in_flight.isEmpty();
            const QByteArray request = e.mission.get_send_buffer();
            const QLinkTransport::Timing timing = timing_of(e.mission);
            in_flight.append(std::move(e));
            if (timing.is_default())
                transport->start_exchange(request);
            else
                transport->start_timed_exchange(request, timing);
            if (!guard)
                return;
        }
        in_pump = false;
    }

    void probe_finished(int result, const QByteArray &answer)
    {
        probe_on_line = false;
        if (result != QLinkTransport::Answered || answer.size() < 5) {
            probe_failure = failure_code(result, 0);
            probe_failure_bytes = result == QLinkTransport::Malformed ? answer : QByteArray();
            probe_timer.start(probe_interval);
            return;
        }
        QMission m = probe ? *probe : QMission::connect_probe(1);
        m.update_send_buffer();
        m.set_recv_buffer(answer);
        state = Online;
        silent_count = 0;
        const quint64 s = session;
        const int version = QRtuFrame::answer_registers(answer, 1).value(0);
        QPointer<QMissionManager> guard(q);
        emit q->link_up();
        if (!guard || session != s)
            return;
        emit q->machine_version(version);
        if (!guard || session != s)
            return;
        emit q->mission_success(&m);
        if (guard)
            schedule();
    }

    static int failure_code(int result, int code)
    {
        switch (result) {
        case QLinkTransport::Exception: return code;
        case QLinkTransport::Malformed: return ERR_MALFORMED;
        case QLinkTransport::Echoed: return ERR_ECHO;
        default: return ERR_NO_ANSWER;
        }
    }

    void exchange_finished(int result, const QByteArray &answer, int code)
    {
        if (probe_on_line) {
            probe_finished(result, answer);
            return;
        }
        if (in_flight.isEmpty())
            return; // a late report after the link was closed
        Entry e = in_flight.takeFirst();
        QPointer<QMissionManager> guard(q);
        const quint64 s = session;
        switch (result) {
        case QLinkTransport::Answered:
            silent_count = 0;
            e.mission.set_recv_buffer(answer);
            report(e, true, 0);
            break;
        case QLinkTransport::Exception:
            silent_count = 0;
            report(e, false, code);
            break;
        case QLinkTransport::Malformed:
        case QLinkTransport::Echoed:
            silent_count = 0;
            report(e, false, failure_code(result, code));
            break;
        default:
            ++silent_count;
            report(e, false, ERR_NO_ANSWER);
            if (guard && session == s && silent_count >= SILENT_LIMIT) {
                emit q->link_silent();
                if (guard && session == s)
                    link_closed();
            }
            break;
        }
        // Straight on to the next exchange: a trip through the event loop
        // here is a good part of the time of a short exchange.
        if (guard)
            pump();
    }

    void exchanges_recalled(int count)
    {
        recall_pending = false;
        count = qBound(0, count, int(in_flight.size()) - 1);
        // What was not given back is on the line or done already.
        for (Entry &e : in_flight)
            e.recallable = false;
        // Back at the head of their level: they are older than anything queued.
        for (int i = 0; i < count; ++i) {
            Entry e = in_flight.takeLast();
            e.recallable = false;
            int at = 0;
            while (at < queue.size() && queue.at(at).level > e.level)
                ++at;
            queue.insert(at, std::move(e));
        }
        pump();
    }

    void link_closed()
    {
        recall_pending = false;
        probe_timer.stop();
        const bool was_open = state != Closed;
        state = Closed;
        ++session;
        silent_count = 0;
        probe_on_line = false;
        QList<Entry> failing;
        failing += in_flight;
        in_flight.clear();
        failing += queue;
        queue.clear();
        QPointer<QMissionManager> guard(q);
        if (start_pending && active_group && !announce_start())
            active_group.reset();
        if (!guard)
            return;
        std::optional<Group> group = active_group;
        active_group.reset();

        if (was_open)
            emit q->link_down();
        for (Entry &e : failing) {
            if (!guard)
                return;
            emit q->mission_failed(&e.mission, ERR_LINK_CLOSED);
            if (guard && group && e.group == group->id)
                emit q->mission_group_progress(--group->left);
        }
        if (guard && group)
            emit q->mission_group_end(false);
        if (guard)
            schedule();
    }
};

QMissionManager::QMissionManager(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
}

QMissionManager::~QMissionManager()
{
    delete d->probe;
    delete d;
}

void QMissionManager::set_connect_mission(QMission *mission)
{
    if (mission == d->probe)
        return;
    delete d->probe;
    d->probe = mission;
}

void QMissionManager::add_mission(QMission *mission)
{
    if (!mission)
        return;
    Entry e = d->make_entry(*mission, 0);
    if (d->state == Private::Closed)
        d->closed_failures.append(std::move(e));
    else
        d->insert_sorted(std::move(e));
    d->schedule();
}

void QMissionManager::add_mission_group(const QList<QMission *> &missions, const QString &name)
{
    Group g;
    g.id = d->next_group_id++;
    g.name = name;
    for (QMission *m : missions) {
        if (m)
            g.entries.append(d->make_entry(*m, g.id));
    }
    if (!d->active_group && d->pending_groups.isEmpty() && d->state != Private::Closed)
        d->activate_now(std::move(g));
    else
        d->pending_groups.append(std::move(g));
    d->schedule();
}

void QMissionManager::reset()
{
    // The connect-time reads are queued: a fresh start for the count of
    // unanswered missions, whatever the probing phase saw.
    d->silent_count = 0;
    d->schedule();
}

QString QMissionManager::group_mission_name() const
{
    return d->group_name;
}

int QMissionManager::pending_count() const
{
    int n = int(d->queue.size() + d->closed_failures.size());
    for (const Group &g : d->pending_groups)
        n += int(g.entries.size());
    return n;
}

int QMissionManager::in_flight_count() const
{
    return int(d->in_flight.size());
}

void QMissionManager::set_transport(QLinkTransport *transport)
{
    if (d->transport)
        disconnect(d->transport, nullptr, this, nullptr);
    d->transport = transport;
    if (transport) {
        connect(transport, &QLinkTransport::exchange_finished, this,
                [this](int result, const QByteArray &answer, int code) { d->exchange_finished(result, answer, code); });
        connect(transport, &QLinkTransport::exchanges_recalled, this, [this](int count) { d->exchanges_recalled(count); });
    }
}

void QMissionManager::link_opened()
{
    d->state = Private::Probing;
    ++d->session;
    d->probe_failure = 0;
    d->probe_failure_bytes.clear();
    d->silent_count = 0;
    d->probe_timer.stop();
    d->schedule();
}

void QMissionManager::link_closed()
{
    d->link_closed();
}

bool QMissionManager::is_online() const
{
    return d->state == Private::Online;
}

int QMissionManager::probe_failure(QByteArray *bytes) const
{
    if (bytes)
        *bytes = d->probe_failure_bytes;
    return d->probe_failure;
}

void QMissionManager::set_probe_interval(int ms)
{
    d->probe_interval = qMax(0, ms);
}
