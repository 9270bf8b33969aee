#include <communicate/engine/qrtuengine.h>

#include <communicate/services/qlinkstatistics.h>
#include <communicate/transports/qlinktransport.h>
#include <communicate/frames/qrtuframe.h>

#include <QLoggingCategory>

#include <algorithm>

// Every decision of the link, for finding out why an exchange went as it
// did: QT_LOGGING_RULES="vantorel.link.debug=true".
Q_LOGGING_CATEGORY(lcRtu, "vantorel.link", QtWarningMsg)

namespace {

int byte_at(const QByteArray &data, int index)
{
    return index < data.size() ? quint8(data.at(index)) : -1;
}

constexpr qsizetype RAW_KEPT = 512;

} // namespace

QRtuEngine::QRtuEngine() = default;

qint64 QRtuEngine::silence_ns() const
{
    if (m_request.silence_ns >= 0)
        return m_request.silence_ns;
    return QRtuFrame::silence_nanoseconds(m_line.baud, m_line.bits_per_char);
}

qint64 QRtuEngine::gap_ns() const
{
    return qMax(silence_ns(), m_request.pause_ns);
}

qint64 QRtuEngine::line_ns(int bytes) const
{
    return QRtuFrame::frame_nanoseconds(bytes, m_line.baud, m_line.bits_per_char);
}

qint64 QRtuEngine::usual_window_ns() const
{
    const qint64 usual = m_excess_ns.isEmpty() ? 0 : *std::max_element(m_excess_ns.cbegin(), m_excess_ns.cend());
    return usual * RESPONSE_FACTOR_PERCENT / 100 + RESPONSE_SLACK_NS;
}

void QRtuEngine::reset(qint64 now)
{
    m_phase = Idle;
    m_last_line_ns = now;
    m_orphans.clear();
    m_excess_ns.clear();
    m_carry_quiet_ns = 0;
    m_carry_from_ns = now;
    m_dropped.clear();
}

void QRtuEngine::abandon()
{
    m_phase = Idle;
}

int QRtuEngine::orphan_count(qint64 now) const
{
    return int(std::count_if(m_orphans.cbegin(), m_orphans.cend(), [now](const Orphan &o) { return o.until_ns >= now; }));
}

tagLinkStep QRtuEngine::wait_step(qint64 until) const
{
    tagLinkStep s;
    s.wait_until_ns = until;
    return s;
}

tagLinkStep QRtuEngine::start(const Request &request, qint64 now)
{
    m_request = request;
    if (m_request.timeout_ns <= 0)
        m_request.timeout_ns = 1;
    m_expected = QRtuFrame::answer_length(request.request);
    m_tries_left = qMax(1, request.tries);
    m_kind = FirstTry;
    m_repeats = 0;
    m_any_bad = false;
    m_echo_seen = false;
    forget_expired(now);
    // Rules 1, 9: the silent interval, or the quiet a failed exchange
    // before this one still owes.
    m_quiet_ns = qMax(gap_ns(), m_carry_quiet_ns);
    m_quiet_gate_ns = qMax(m_last_line_ns + m_quiet_ns, m_carry_from_ns + m_carry_quiet_ns);
    m_quiet_start_ns = now;
    m_phase = Quiet;
    // Never written from here: the caller polls the device once more, so
    // what it holds is dropped right before the request (rule 2).
    return wait_step(qMax(now, m_quiet_gate_ns));
}

tagLinkStep QRtuEngine::quiet_step(qint64 now)
{
    const qint64 limit = qMax(DRAIN_LIMIT_MIN_NS, DRAIN_LIMIT_PERIODS * m_quiet_ns);
    if (now >= m_quiet_gate_ns || now - m_quiet_start_ns > limit) {
        tagLinkStep s;
        s.write = m_request.request;
        return s;
    }
    return wait_step(m_quiet_gate_ns);
}

tagLinkStep QRtuEngine::sent(qint64 now)
{
    if (m_phase != Quiet)
        return wait_step(now);
    if (m_kind != Repeat)
        --m_tries_left;
    if (m_statistics) {
        m_statistics->note_sent(int(m_request.request.size()),
                                m_kind == FirstTry ? QLinkStatistics::FirstSend
                                                   : m_kind == Retry ? QLinkStatistics::RetrySend
                                                                     : QLinkStatistics::RepeatSend);
    }
    qCDebug(lcRtu, "%.3f sent %s", double(now) / 1e6, m_request.request.toHex(' ').constData());
    m_carry_quiet_ns = 0;
    m_write_ns = now;
    m_request_ns = line_ns(int(m_request.request.size()));
    m_last_line_ns = now + m_request_ns;
    // Rule 8: from the end of the request, with the answer's own line time
    // (an echo is on the line while the request is).
    m_deadline_ns = now + m_request_ns + line_ns(m_expected) + m_request.timeout_ns;
    m_wire_free_ns = now + qint64(double(m_request_ns) * TIMING_MARGIN);
    m_echo_left = m_line.local_echo ? m_request.request : QByteArray();
    m_raw.clear();
    m_rx.clear();
    m_pieces.clear();
    m_bad_crc = false;
    m_slow_frame = false;
    m_phase = Answer;
    return wait_step(m_deadline_ns);
}

void QRtuEngine::idle_bytes(const QByteArray &bytes, qint64 at)
{
    if (bytes.isEmpty())
        return;
    drop(bytes, at);
}

void QRtuEngine::drop(const QByteArray &bytes, qint64 at)
{
    qCDebug(lcRtu, "%.3f dropped %s", double(at) / 1e6, bytes.toHex(' ').constData());
    m_last_line_ns = at;
    m_dropped.append(bytes);
    if (m_dropped.size() > RAW_KEPT)
        m_dropped.remove(0, m_dropped.size() - RAW_KEPT);
    // Rule 6: a late answer seen among dropped bytes uses up its orphan.
    const qsizetype before = m_orphans.size();
    use_up_orphan_in(m_dropped, at);
    if (m_orphans.size() != before)
        m_dropped.clear();
}

tagLinkStep QRtuEngine::bytes(const QByteArray &chunk, qint64 at)
{
    switch (m_phase) {
    case Idle:
        idle_bytes(chunk, at);
        return wait_step(at);
    case Quiet:
        drop(chunk, at);
        m_quiet_gate_ns = qMax(m_quiet_gate_ns, at + m_quiet_ns);
        // Written only after a look at the device that found nothing,
        // unless the line never goes quiet (rule 10).
        if (at - m_quiet_start_ns > qMax(DRAIN_LIMIT_MIN_NS, DRAIN_LIMIT_PERIODS * m_quiet_ns))
            return quiet_step(at);
        return wait_step(qMax(at, m_quiet_gate_ns));
    case Answer:
        break;
    case Settle: {
        // Rule 4 (and 6): a second sender.
        qCDebug(lcRtu, "%.3f bytes during the quiet after the answer: %s", double(at) / 1e6, chunk.toHex(' ').constData());
        m_last_line_ns = at;
        m_raw.append(chunk.left(RAW_KEPT));
        if (m_settle_orphan) {
            // Two answers met: one was the orphan's late answer.
            const int o = fitting_orphan(m_answer, at);
            if (o >= 0)
                m_orphans.removeAt(o);
            return repeat(at, false);
        }
        use_up_orphan_in(m_rx + chunk, at);
        return try_failed(true, at, false);
    }
    }

    m_last_line_ns = at;
    if (m_raw.size() < RAW_KEPT)
        m_raw.append(chunk.left(RAW_KEPT - m_raw.size()));
    qCDebug(lcRtu, "%.3f got %s", double(at) / 1e6, chunk.toHex(' ').constData());
    // Rule 5: on a timed line, bytes before the request left were on their
    // way already.
    if (m_line.timed && at < m_wire_free_ns)
        return wait_step(m_deadline_ns);
    QByteArray data = chunk;
    if (!m_echo_left.isEmpty()) {
        // Rule 11: the adapter's echo of the request comes first.
        const qsizetype n = qMin(m_echo_left.size(), data.size());
        if (data.left(n) != m_echo_left.left(n)) {
            qCDebug(lcRtu, "not the echo of the request");
            return try_failed(true, at, true);
        }
        m_echo_left.remove(0, n);
        data.remove(0, n);
        if (data.isEmpty())
            return wait_step(m_deadline_ns);
    }
    m_pieces.append(m_rx.size());
    m_rx.append(data);
    if (m_rx.size() > MAX_ANSWER_BUFFER)
        return try_failed(true, at, true);
    return examine(at);
}

tagLinkStep QRtuEngine::examine(qint64 at)
{
    const QByteArray &frame = m_request.request;
    for (;;) {
        const QRtuFrame::Result m = QRtuFrame::match_answer(frame, m_rx);
        if (m.match == QRtuFrame::Incomplete)
            return wait_step(m_deadline_ns);
        if (m.match == QRtuFrame::Bad) {
            qCDebug(lcRtu, "bad answer");
            const QByteArray bad = m_rx.mid(m.offset, m.length);
            m_bad_crc = (m.length == m_expected || m.length == 5) && byte_at(bad, 0) == byte_at(frame, 0)
                && (byte_at(bad, 1) & 0x7F) == byte_at(frame, 1) && !QRtuFrame::crc_ok(bad);
            // A broken frame from the station asked is its answer: no other
            // will come. From another sender, the answer may still come.
            return try_failed(true, at, byte_at(bad, 0) != byte_at(frame, 0));
        }
        const QByteArray answer = m_rx.mid(m.offset, m.length);
        const qint64 earliest = m_write_ns + qint64(double(m_request_ns + line_ns(m.length)) * TIMING_MARGIN);
        if (m_line.timed && at < earliest) {
            // Rule 5: complete before it could have been sent in answer.
            use_up_orphan_in(answer, at);
            if (!drop_received(m.offset + m.length))
                return wait_step(m_deadline_ns);
            continue;
        }
        if (!m_line.local_echo && m.offset >= frame.size() && m_rx.startsWith(frame)) {
            // Rule 11: the request itself came first: an adapter's echo.
            qCDebug(lcRtu, "the request came back before the answer");
            return try_failed(true, at, false);
        }
        if (std::any_of(m_pieces.cbegin(), m_pieces.cend(), [&](qsizetype p) { return p > 0 && p <= m.offset; })) {
            // Rule 5: an earlier piece was a transmission of its own.
            qCDebug(lcRtu, "answer after an earlier piece");
            use_up_orphan_in(answer, at);
            return try_failed(true, at, false);
        }
        if (m.offset + m.length < m_rx.size()) {
            qCDebug(lcRtu, "bytes after the answer");
            // Rule 6: two answers met (they came off the device together).
            const int o = fitting_orphan(answer, at);
            if (o >= 0) {
                m_orphans.removeAt(o);
                return repeat(at, false);
            }
            use_up_orphan_in(m_rx, at);
            return try_failed(true, at, false);
        }
        if (m_slow_frame) {
            // Rule 6: a second frame after one set aside as a late answer.
            // Which of the two was this request's own is not known.
            qCDebug(lcRtu, "a second answer after one taken for a late answer");
            return repeat(at, false);
        }
        m_answer = answer;
        m_answer_at_ns = at;
        m_result = m.match == QRtuFrame::Answer ? QLinkTransport::Answered : QLinkTransport::Exception;
        m_exception_code = m.match == QRtuFrame::ExceptionAnswer ? m.exception_code : 0;
        m_excess_pending_ns = at - m_write_ns - (m_line.timed ? m_request_ns + line_ns(m.length) : 0);
        qint64 quiet = silence_ns();
        if (m_line.network)
            quiet = qMax(quiet, qMin(usual_window_ns(), NETWORK_QUIET_MAX_NS));
        m_settle_orphan = false;
        const int o = fitting_orphan(answer, at);
        if (o >= 0) {
            // Rule 6.
            if (!m_excess_ns.isEmpty() && m_excess_pending_ns > usual_window_ns()) {
                // Slower than answers come: this request's own answer,
                // slow, or the orphan's late answer with this one's lost or
                // still to come. Set aside; what else comes is let pass.
                qCDebug(lcRtu, "taken for a late answer (%.3f ms beyond the usual)", double(m_excess_pending_ns) / 1e6);
                m_orphans.removeAt(o);
                m_slow_frame = true;
                if (!drop_received(m.offset + m.length))
                    return wait_step(m_deadline_ns);
                continue;
            }
            m_settle_orphan = true;
            quiet = qMax(quiet, usual_window_ns());
        }
        m_settle_end_ns = at + quiet;
        m_phase = Settle;
        if (quiet <= 0)
            return accept(at);
        return wait_step(m_settle_end_ns);
    }
}

bool QRtuEngine::drop_received(qsizetype cut)
{
    m_rx.remove(0, cut);
    QList<qsizetype> rest{ 0 };
    for (qsizetype p : std::as_const(m_pieces))
        if (p > cut)
            rest.append(p - cut);
    m_pieces = rest;
    if (m_rx.isEmpty())
        m_pieces.clear();
    return !m_rx.isEmpty();
}

tagLinkStep QRtuEngine::waited(qint64 now)
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
        qCDebug(lcRtu, "%.3f time-out", double(now) / 1e6);
        if (m_slow_frame) {
            // One frame only, and slow: whose it was is not known. Asked
            // again, without using up a try.
            return repeat(now, true);
        }
        return try_failed(!m_raw.isEmpty(), now, true);
    case Settle:
        if (now < m_settle_end_ns)
            return wait_step(m_settle_end_ns);
        return accept(now);
    }
    return wait_step(now);
}

tagLinkStep QRtuEngine::accept(qint64 now)
{
    qCDebug(lcRtu, "%.3f taken", double(now) / 1e6);
    note_answer_time(m_excess_pending_ns);
    if (m_statistics) {
        const qint64 response = m_answer_at_ns - m_write_ns;
        if (m_result == QLinkTransport::Exception)
            m_statistics->note_exception(m_exception_code, response);
        else
            m_statistics->note_answer(response);
    }
    tagLinkStep s;
    s.done = true;
    s.has_report = true;
    s.result = m_result;
    s.answer = m_answer;
    s.exception_code = m_exception_code;
    m_phase = Idle;
    return s;
}

tagLinkStep QRtuEngine::repeat(qint64 now, bool answer_may_come)
{
    if (m_repeats >= MAX_REPEATS)
        return try_failed(true, now, answer_may_come);
    ++m_repeats;
    // The try's own answer may still be on its way (it was not seen).
    if (answer_may_come)
        add_orphan(now);
    m_kind = Repeat;
    m_quiet_ns = qMax(gap_ns(), BAD_FRAME_QUIET_NS);
    m_quiet_gate_ns = qMax(m_last_line_ns, now) + m_quiet_ns;
    m_quiet_start_ns = now;
    m_phase = Quiet;
    return wait_step(m_quiet_gate_ns);
}

tagLinkStep QRtuEngine::try_failed(bool bad, qint64 now, bool answer_may_come)
{
    if (m_statistics) {
        if (!bad)
            m_statistics->note_timeout();
        else if (m_bad_crc)
            m_statistics->note_bad_crc();
        else
            m_statistics->note_malformed();
    }
    m_any_bad = m_any_bad || bad;
    // Rule 11: what came began with the request itself.
    if (!m_line.local_echo && m_raw.startsWith(m_request.request))
        m_echo_seen = true;
    // Rule 6: its answer may still come.
    if (answer_may_come)
        add_orphan(now);
    // Rules 7, 9.
    const qint64 miss_quiet = m_request.miss_quiet_ns < 0 ? m_request.timeout_ns : m_request.miss_quiet_ns;
    const qint64 quiet = bad ? qMax(BAD_FRAME_QUIET_NS, m_request.timeout_ns / 10) : miss_quiet;
    if (m_tries_left <= 0) {
        m_carry_quiet_ns = quiet;
        m_carry_from_ns = now;
        tagLinkStep s = finish(m_echo_seen ? QLinkTransport::Echoed
                                           : m_any_bad ? QLinkTransport::Malformed : QLinkTransport::NoAnswer,
                               now);
        // What came is handed on with a bad result: the caller may show it.
        if (bad)
            s.answer = m_raw;
        return s;
    }
    m_kind = Retry;
    m_quiet_ns = qMax(gap_ns(), quiet);
    // Counted from now: the wait that just ended is no part of it.
    m_quiet_gate_ns = qMax(m_last_line_ns, now) + m_quiet_ns;
    m_quiet_start_ns = now;
    m_phase = Quiet;
    return wait_step(m_quiet_gate_ns);
}

tagLinkStep QRtuEngine::finish(int result, qint64 now)
{
    Q_UNUSED(now);
    tagLinkStep s;
    s.done = true;
    s.has_report = true;
    s.result = result;
    m_phase = Idle;
    return s;
}

void QRtuEngine::note_answer_time(qint64 excess_ns)
{
    m_excess_ns.append(qMax<qint64>(0, excess_ns));
    if (m_excess_ns.size() > RESPONSE_HISTORY)
        m_excess_ns.removeFirst();
}

void QRtuEngine::forget_expired(qint64 now)
{
    m_orphans.removeIf([now](const Orphan &o) { return o.until_ns < now; });
}

int QRtuEngine::fitting_orphan(const QByteArray &frame, qint64 now) const
{
    for (int i = 0; i < m_orphans.size(); ++i) {
        const Orphan &o = m_orphans.at(i);
        if (o.until_ns < now)
            continue;
        const QRtuFrame::Result r = QRtuFrame::match_answer(o.request, frame);
        if ((r.match == QRtuFrame::Answer || r.match == QRtuFrame::ExceptionAnswer) && r.offset == 0
            && r.length == frame.size())
            return i;
    }
    return -1;
}

void QRtuEngine::use_up_orphan_in(const QByteArray &bytes, qint64 now)
{
    forget_expired(now);
    for (int i = 0; i < m_orphans.size(); ++i) {
        const QRtuFrame::Match m = QRtuFrame::match_answer(m_orphans.at(i).request, bytes).match;
        if (m == QRtuFrame::Answer || m == QRtuFrame::ExceptionAnswer) {
            qCDebug(lcRtu, "an orphan's late answer was seen");
            m_orphans.removeAt(i);
            return;
        }
    }
}

void QRtuEngine::add_orphan(qint64 now)
{
    const qint64 life = qMax(ORPHAN_MIN_NS, ORPHAN_TIMEOUTS * m_request.timeout_ns);
    m_orphans.append({ m_request.request, now + life });
    // A bounded list: the oldest are the least likely to answer still.
    if (m_orphans.size() > 32)
        m_orphans.removeFirst();
}
