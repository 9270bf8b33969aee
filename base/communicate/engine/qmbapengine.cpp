#include <communicate/engine/qmbapengine.h>

#include <communicate/services/qlinkstatistics.h>
#include <communicate/transports/qlinktransport.h>
#include <communicate/frames/qmbapframe.h>
#include <communicate/frames/qrtuframe.h>

tagLinkStep QMbapEngine::wait_step(qint64 until) const
{
    tagLinkStep s;
    s.wait_until_ns = until;
    return s;
}

void QMbapEngine::reset(qint64 now)
{
    m_phase = Idle;
    m_earlier.clear();
    m_carry_gate_ns = now;
    m_last_end_ns = now;
}

void QMbapEngine::abandon()
{
    m_phase = Idle;
}

void QMbapEngine::idle_bytes(const QByteArray &, qint64)
{
    // Rule 1.
}

tagLinkStep QMbapEngine::start(const Request &request, qint64 now)
{
    m_request = request;
    if (m_request.timeout_ns <= 0)
        m_request.timeout_ns = 1;
    m_tries_left = qMax(1, request.tries);
    m_first = true;
    m_any_bad = false;
    m_last_bad.clear();
    m_quiet_gate_ns = qMax(m_carry_gate_ns, m_last_end_ns + qMax<qint64>(0, m_request.pause_ns));
    m_quiet_start_ns = now;
    m_phase = Quiet;
    // No look at the connection first: what came meanwhile is told from
    // the answer by its transaction id (rule 2) and dropped then.
    if (now >= m_quiet_gate_ns)
        return quiet_step(now);
    return wait_step(m_quiet_gate_ns);
}

tagLinkStep QMbapEngine::quiet_step(qint64 now)
{
    // A peer that never goes quiet does not hold the link forever.
    const bool drained = now - m_quiet_start_ns > DRAIN_LIMIT_NS;
    if (now < m_quiet_gate_ns && !drained)
        return wait_step(m_quiet_gate_ns);
    m_tid = m_next_tid++;
    tagLinkStep s;
    s.write = QMbapFrame::request(m_tid, m_request.request);
    if (s.write.isEmpty())
        return finish(QLinkTransport::Malformed, QByteArray(), 0);
    return s;
}

tagLinkStep QMbapEngine::sent(qint64 now)
{
    if (m_phase != Quiet)
        return wait_step(now);
    --m_tries_left;
    if (m_statistics)
        m_statistics->note_sent(int(m_request.request.size()) + QMbapFrame::HEADER - 3,
                                m_first ? QLinkStatistics::FirstSend : QLinkStatistics::RetrySend);
    m_first = false;
    m_write_ns = now;
    m_deadline_ns = now + m_request.timeout_ns;
    m_rx.clear();
    m_only_stale = true;
    m_phase = Answer;
    return wait_step(m_deadline_ns);
}

tagLinkStep QMbapEngine::bytes(const QByteArray &bytes, qint64 at)
{
    if (m_phase == Quiet) {
        // Rules 1 and 4: dropped; after a bad answer the quiet starts again.
        if (m_any_bad && !m_first)
            m_quiet_gate_ns = qMax(m_quiet_gate_ns, at + qMax(BAD_FRAME_QUIET_NS, m_request.timeout_ns / 10));
        // Written only after a look at the connection that found nothing.
        if (at - m_quiet_start_ns > DRAIN_LIMIT_NS)
            return quiet_step(at);
        return wait_step(qMax(at, m_quiet_gate_ns));
    }
    if (m_phase != Answer)
        return wait_step(at);
    m_rx.append(bytes);
    for (;;) {
        const QMbapFrame::Result m = QMbapFrame::take(m_rx, m_tid, m_earlier);
        if (m.status == QMbapFrame::Incomplete) {
            if (!m_rx.isEmpty())
                m_only_stale = false;
            return wait_step(m_deadline_ns);
        }
        if (m.status == QMbapFrame::Stale) {
            m_rx.remove(0, m.length); // rule 2: an earlier try's late answer
            continue;
        }
        m_only_stale = false;
        if (m.status == QMbapFrame::Malformed || m.length != m_rx.size())
            return try_failed(true, at);
        // Rule 3.
        const QRtuFrame::Result r = QRtuFrame::match_answer(m_request.request, m.rtu);
        if (r.offset != 0 || r.length != m.rtu.size()
            || (r.match != QRtuFrame::Answer && r.match != QRtuFrame::ExceptionAnswer))
            return try_failed(true, at);
        const qint64 response = at - m_write_ns;
        m_last_end_ns = at;
        if (m_statistics) {
            if (r.match == QRtuFrame::ExceptionAnswer)
                m_statistics->note_exception(r.exception_code, response);
            else
                m_statistics->note_answer(response);
        }
        return finish(r.match == QRtuFrame::Answer ? QLinkTransport::Answered : QLinkTransport::Exception, m.rtu,
                      r.match == QRtuFrame::ExceptionAnswer ? r.exception_code : 0);
    }
}

tagLinkStep QMbapEngine::waited(qint64 now)
{
    switch (m_phase) {
    case Idle: {
        tagLinkStep s;
        s.done = true;
        return s;
    }
    case Quiet:
        return quiet_step(now);
    case Answer:
        if (now < m_deadline_ns)
            return wait_step(m_deadline_ns);
        return try_failed(!m_only_stale, now);
    }
    return wait_step(now);
}

tagLinkStep QMbapEngine::try_failed(bool bad, qint64 now)
{
    if (m_statistics) {
        if (bad)
            m_statistics->note_malformed(); // TCP has no check sum of its own to fail
        else
            m_statistics->note_timeout();
    }
    remember(m_tid);
    m_any_bad = m_any_bad || bad;
    if (bad)
        m_last_bad = m_rx.left(QMbapFrame::MAX_ADU);
    const qint64 quiet = bad ? qMax(BAD_FRAME_QUIET_NS, m_request.timeout_ns / 10) : 0;
    m_last_end_ns = now;
    if (m_tries_left <= 0) {
        m_carry_gate_ns = now + quiet;
        // What came is handed on with a malformed result: the caller may
        // show it.
        return finish(m_any_bad ? QLinkTransport::Malformed : QLinkTransport::NoAnswer, m_last_bad, 0);
    }
    m_quiet_gate_ns = now + qMax(quiet, m_request.pause_ns);
    m_quiet_start_ns = now;
    m_phase = Quiet;
    return wait_step(m_quiet_gate_ns);
}

tagLinkStep QMbapEngine::finish(int result, const QByteArray &answer, int code)
{
    tagLinkStep s;
    s.done = true;
    s.has_report = true;
    s.result = result;
    s.answer = answer;
    s.exception_code = code;
    m_phase = Idle;
    return s;
}

void QMbapEngine::remember(quint16 tid)
{
    if (m_earlier.contains(tid))
        return;
    m_earlier.append(tid);
    if (m_earlier.size() > EARLIER_KEPT)
        m_earlier.removeFirst();
}
