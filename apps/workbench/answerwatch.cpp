#include "answerwatch.h"

bool AnswerWatch::unanswered(qint64 now)
{
    m_unanswered = true;
    return tick(now);
}

bool AnswerWatch::answered(qint64 now)
{
    const bool was_silent = m_silent;
    m_last_answer = now;
    m_unanswered = false;
    m_silent = false;
    return was_silent;
}

bool AnswerWatch::tick(qint64 now)
{
    const bool silent = m_unanswered && now - m_last_answer >= SilentMs;
    if (silent == m_silent)
        return false;
    m_silent = silent;
    return true;
}

void AnswerWatch::reset(qint64 now)
{
    m_last_answer = now;
    m_unanswered = false;
    m_silent = false;
}
