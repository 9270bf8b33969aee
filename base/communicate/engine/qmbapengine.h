#pragma once

#include <communicate/engine/qexchangerules.h>

#include <QList>

// The rules of a Modbus TCP client, one exchange at a time. Each request
// carries a transaction id of its own (counting up), so a late answer is
// told from the one awaited by its id, not by timing:
// 1. Whatever came since the last exchange belongs to nobody: dropped (as
//    it comes, or, read with the answer, by its transaction id).
// 2. An answer must carry the awaited transaction id, protocol id 0 and a
//    length that fits (2..254); a whole frame with the id of an earlier
//    unanswered transaction is its late answer and is dropped; any other id,
//    protocol id or length, or bytes beyond the frame, fail the try at once.
// 3. The RTU frame an answer stands for must be the answer to the request
//    (station = unit id, function, byte count or echo), as on a line.
// 4. A try whose answer did not come (time-out) leaves its id among the
//    earlier ones (the last 64). A bad answer fails the try, and the
//    connection is kept quiet a moment (20 ms, or a tenth of the time-out)
//    for the rest of it to pass; a time-out needs no such wait.
// 5. Failed tries are repeated while tries are left; the last one's result
//    is reported at once. A peer that never goes quiet holds a request back
//    for a second at most.
// 6. A drive that needs a pause before each request gets it, counted from
//    the end of the last try (its answer, or its time-out).
class COMMUNICATE_EXPORT QMbapEngine : public QExchangeRules
{
public:
    tagLinkStep start(const Request &request, qint64 now) override;
    tagLinkStep sent(qint64 now) override;
    tagLinkStep bytes(const QByteArray &bytes, qint64 at) override;
    tagLinkStep waited(qint64 now) override;
    void idle_bytes(const QByteArray &bytes, qint64 at) override;
    void abandon() override;
    void reset(qint64 now) override;

    static constexpr qint64 BAD_FRAME_QUIET_NS = 20000000;
    static constexpr int EARLIER_KEPT = 64;
    static constexpr qint64 DRAIN_LIMIT_NS = 1000000000;

private:
    enum Phase { Idle, Quiet, Answer };

    tagLinkStep wait_step(qint64 until) const;
    tagLinkStep quiet_step(qint64 now);
    tagLinkStep try_failed(bool bad, qint64 now);
    tagLinkStep finish(int result, const QByteArray &answer, int code);
    void remember(quint16 tid);

    Phase m_phase = Idle;
    Request m_request;
    int m_tries_left = 0;
    bool m_first = true;
    bool m_any_bad = false;
    quint16 m_next_tid = 1;
    quint16 m_tid = 0;
    QList<quint16> m_earlier;
    qint64 m_quiet_gate_ns = 0;
    qint64 m_quiet_start_ns = 0;
    qint64 m_write_ns = 0;
    qint64 m_deadline_ns = 0;
    qint64 m_carry_gate_ns = 0;
    qint64 m_last_end_ns = 0; // the end of the last try, for a drive's pause
    QByteArray m_rx;
    QByteArray m_last_bad; // what the last bad try got
    bool m_only_stale = true;
};
