#pragma once

#include <communicate/engine/qexchangerules.h>

#include <QList>

// The rules of a Modbus RTU master on one line, one exchange at a time.
// Modbus RTU on a serial line frames a message by silence: a frame starts
// after at least 3.5 character times of quiet and ends when the line is
// quiet again. A master that sends a request and takes
// "the next frame" as its answer can take a frame that belongs to another
// request: the late answer of an earlier request, a frame that was already
// on its way, or one of two frames that met. These rules keep such a frame
// out, and each is stated once, here:
//
// 1. Silent interval. A request goes out only after the line has been quiet
//    for the silent interval (3.5 characters; 1.75 ms above 19200 baud; the
//    caller may shorten it), counted from the last byte seen either way. A
//    drive that needs a longer pause before each request (retries and
//    repeats too) gets it instead.
// 2. Discard before a request. Bytes that come while waiting for that quiet
//    (or between exchanges) belong to nobody: they are dropped, and the
//    quiet starts again from them. Right before writing, whatever the device
//    holds is read and dropped too (the caller polls once more).
// 3. Answer complete. The answer to a request has a length known from the
//    request (read of N registers: 5 + 2N bytes; writes: 8; an exception: 5)
//    and must carry the request's station and function, the right byte
//    count (or the echoed address and value of a write) and a correct CRC.
//    Bytes that cannot start it are skipped; a complete frame that is
//    recognisably an answer but wrong fails the try at once.
// 4. Quiet after it. An answer counts only once the line stayed quiet for
//    the silent interval after its last byte. Bytes in that time mean a
//    second sender: the try fails. Over TCP to a serial device server (no
//    line on this side) the quiet window is a few milliseconds taken from
//    the response times seen.
// 5. Stale bytes. On a line that really runs at its baud rate, bytes that
//    come before the request can have left the wire, and a frame that is
//    complete before it could have been sent in answer, are an earlier
//    request's: dropped. A frame that follows bytes that came in an earlier
//    piece is suspect (two senders): the try fails.
// 6. Late answers. A try that got no correct answer leaves an "orphan": its
//    answer may still come, once, until a while has passed (ten time-outs,
//    at least a second). A frame seen anywhere that fits an orphan (same
//    station and function, the same length) uses it up: an orphan stands for
//    at most one late answer. While an orphan of the current request's shape
//    is alive, an answer that fits:
//    - that comes slower than answers usually come (more than one and a half
//      times the slowest of the last few response times, plus 1 ms) is
//      could be either (the request's own answer, slow, or the orphan's
//      late one): it uses the orphan up and is set aside, and the rest of
//      the time-out is let pass. Then the request is asked again without
//      using up a try; if no other frame came meanwhile, the try is an
//      orphan in turn (its own answer may still come);
//    - otherwise is taken only after a longer quiet (that same time) in
//      which its request's own answer would have followed, had it been the
//      late one. Bytes in that time: two answers met; the orphan is used up
//      and the request is asked again without using up a try.
//    An exchange is asked again so at most twice; after that such a frame
//    fails its try like a bad answer (a line full of late answers does not
//    hold the link).
//    So an unanswered try costs at most one extra exchange later, and
//    nothing once its late answer was seen or its time passed. A late answer
//    that meets a lost one is what no master can see: a single frame of the
//    right shape, in time, with the line quiet after it.
// 7. Collisions and bad answers. A try with bytes that never made a correct
//    answer fails; the line is then kept quiet (20 ms, or a tenth of the
//    time-out if longer), for the rest of what came to pass. It leaves an
//    orphan unless the station asked answered (a broken frame with its
//    address) or two frames met (one of them was its answer).
// 8. Time-out. The answer is awaited for the time-out, counted from the end
//    of the request on the line and allowing the answer its own line time.
// 9. Retries. A failed try is repeated while tries are left; after a try
//    without any answer the line is first kept quiet for a whole time-out
//    (the caller may shorten it), so that its late answer meets no request.
//    The result of the last try is reported at once; that quiet is kept
//    before the next exchange's request.
// 10. Drain. A line that never goes quiet does not hold the link forever:
//    after four quiet periods (at least a second) the request goes anyway.
// 11. Local echo. Two-wire RS-485 adapters may return every byte sent.
//    With local echo on, exactly the request's bytes are expected first and
//    removed; anything else there fails the try. With it off, a try whose
//    bytes begin with the request itself is an echo (it fails, whatever
//    follows), and an exchange whose tries failed so is reported as Echoed,
//    naming the cure.
class COMMUNICATE_EXPORT QRtuEngine : public QExchangeRules
{
public:
    struct Line
    {
        // The line's speed and character size (start, data, parity and stop
        // bits); baud 0 when there is no line on this side.
        int baud = 0;
        int bits_per_char = 10;
        // The line runs at its baud rate (rule 5 applies).
        bool timed = false;
        // RTU frames over TCP: the quiet after an answer suits a network.
        bool network = false;
        bool local_echo = false;
    };

    QRtuEngine();

    void set_line(const Line &line) { m_line = line; }
    const Line &line() const { return m_line; }

    tagLinkStep start(const Request &request, qint64 now) override;
    tagLinkStep sent(qint64 now) override;
    tagLinkStep bytes(const QByteArray &bytes, qint64 at) override;
    tagLinkStep waited(qint64 now) override;
    void idle_bytes(const QByteArray &bytes, qint64 at) override;
    void abandon() override;
    void reset(qint64 now) override;

    // Unanswered tries whose late answer may still come (for tests).
    int orphan_count(qint64 now) const;

    // Rule constants, in nanoseconds.
    static constexpr qint64 BAD_FRAME_QUIET_NS = 20000000;
    static constexpr qint64 DRAIN_LIMIT_MIN_NS = 1000000000;
    static constexpr int DRAIN_LIMIT_PERIODS = 4;
    static constexpr int ORPHAN_TIMEOUTS = 10;
    static constexpr qint64 ORPHAN_MIN_NS = 1000000000;
    static constexpr int RESPONSE_HISTORY = 8;
    // The usual response window: RESPONSE_FACTOR_PERCENT of the slowest
    // recent response time beyond its line time, plus RESPONSE_SLACK_NS.
    static constexpr int RESPONSE_FACTOR_PERCENT = 150;
    static constexpr qint64 RESPONSE_SLACK_NS = 1000000;
    static constexpr int MAX_REPEATS = 2;
    // The longest quiet after an answer over a network.
    static constexpr qint64 NETWORK_QUIET_MAX_NS = 50000000;
    // No answer is longer than 255 data bytes and five of framing; a peer
    // that sends more is not answering.
    static constexpr qsizetype MAX_ANSWER_BUFFER = 4096;
    // Line times are cut by this share before they prove anything: the two
    // ends' clocks need not agree exactly.
    static constexpr double TIMING_MARGIN = 0.9;

private:
    enum Phase { Idle, Quiet, Answer, Settle };
    enum TryKind { FirstTry, Retry, Repeat };

    struct Orphan
    {
        QByteArray request;
        qint64 until_ns = 0;
    };

    qint64 silence_ns() const;
    // The least quiet before a request: the silent interval, or the drive's
    // pause where that is longer.
    qint64 gap_ns() const;
    qint64 line_ns(int bytes) const;
    qint64 usual_window_ns() const;
    // The step while waiting for the line to go quiet before a try.
    tagLinkStep quiet_step(qint64 now);
    tagLinkStep wait_step(qint64 until) const;
    // Looks at what came for the answer; the step that follows.
    tagLinkStep examine(qint64 at);
    // The try ended without an answer that counts.
    // answer_may_come: its answer may still come (an orphan is left).
    tagLinkStep try_failed(bool bad, qint64 now, bool answer_may_come);
    // The try's frame is taken for an orphan's late answer (or met one): the
    // request goes again without using up a try.
    tagLinkStep repeat(qint64 now, bool answer_may_come);
    tagLinkStep accept(qint64 now);
    tagLinkStep finish(int result, qint64 now);
    void note_answer_time(qint64 excess_ns);
    void drop(const QByteArray &bytes, qint64 at);
    // The orphans whose late answer frame can be; -1 none.
    int fitting_orphan(const QByteArray &frame, qint64 now) const;
    void use_up_orphan_in(const QByteArray &bytes, qint64 now);
    // Drops the received bytes before `cut` (a frame dealt with); false
    // when nothing is left.
    bool drop_received(qsizetype cut);
    void add_orphan(qint64 now);
    void forget_expired(qint64 now);

    Line m_line;

    // Across exchanges.
    // The last byte on the line, either way: the end of the request as its
    // line time says, until bytes that came off the line tell better.
    qint64 m_last_line_ns = 0;
    QList<Orphan> m_orphans;
    QList<qint64> m_excess_ns;  // response times beyond line time, the last few
    qint64 m_carry_quiet_ns = 0; // quiet owed before the next request ...
    qint64 m_carry_from_ns = 0;  // ... counted from here
    QByteArray m_dropped;        // recent dropped bytes, for orphans' frames

    // The exchange.
    Phase m_phase = Idle;
    Request m_request;
    int m_expected = 0;
    int m_tries_left = 0;
    TryKind m_kind = FirstTry;
    int m_repeats = 0;
    bool m_any_bad = false;
    bool m_echo_seen = false;
    qint64 m_quiet_ns = 0;
    qint64 m_quiet_gate_ns = 0;
    qint64 m_quiet_start_ns = 0;
    qint64 m_write_ns = 0;
    qint64 m_request_ns = 0;
    qint64 m_deadline_ns = 0;
    qint64 m_wire_free_ns = 0;
    QByteArray m_echo_left;      // local echo still expected
    QByteArray m_raw;            // what came in this try (bounded), for echo
    QByteArray m_rx;             // candidate answer bytes
    QList<qsizetype> m_pieces;   // where each piece begins in m_rx
    // The answer waiting for its quiet.
    qint64 m_settle_end_ns = 0;
    qint64 m_answer_at_ns = 0;
    qint64 m_excess_pending_ns = 0;
    bool m_settle_orphan = false;
    int m_result = 0;
    int m_exception_code = 0;
    QByteArray m_answer;
    bool m_bad_crc = false;
    bool m_slow_frame = false; // a slow frame taken for an orphan's late answer
};
