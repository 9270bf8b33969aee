#pragma once

#include <QtGlobal>

// Decides when a connected drive counts as not answering: since its last
// answer, SilentMs have passed and every exchange in them went unanswered.
// The next answer ends it. Fed with events and their times (milliseconds on
// any steady clock), it keeps no timers of its own; the window feeds it from
// the link's reports and a coarse tick, the tests from a virtual clock.
class AnswerWatch
{
public:
    static constexpr qint64 SilentMs = 3000;

    // An exchange ended without an answer at `now`; true when the state
    // changed with it.
    bool unanswered(qint64 now);
    // The drive answered (a value or an exception) at `now`. True when it
    // had counted as silent.
    bool answered(qint64 now);
    // Time passes; true when the state changed with it.
    bool tick(qint64 now);
    // The link came up at `now`: as good as an answer, nothing unanswered.
    void reset(qint64 now);

    bool silent() const { return m_silent; }
    // The last answer (or the reset), from which the silence is counted.
    qint64 since() const { return m_last_answer; }

private:
    qint64 m_last_answer = 0;
    bool m_unanswered = false; // an exchange went unanswered since then
    bool m_silent = false;
};
