#include "paramedithistory.h"

void ParamEditHistory::push(const ParamEditStep &step)
{
    if (step.changes.isEmpty())
        return;
    m_steps.resize(m_done);
    m_steps.append(step);
    if (m_steps.size() > kMaxSteps)
        m_steps.removeFirst();
    m_done = m_steps.size();
}

const ParamEditStep *ParamEditHistory::next_undo() const
{
    return can_undo() ? &m_steps.at(m_done - 1) : nullptr;
}

const ParamEditStep *ParamEditHistory::next_redo() const
{
    return can_redo() ? &m_steps.at(m_done) : nullptr;
}

bool ParamEditHistory::undo(ParamEditStep *step)
{
    if (!can_undo())
        return false;
    *step = m_steps.at(--m_done);
    return true;
}

bool ParamEditHistory::redo(ParamEditStep *step)
{
    if (!can_redo())
        return false;
    *step = m_steps.at(m_done++);
    return true;
}

void ParamEditHistory::remove(ParamEditStep::Kind kind)
{
    for (qsizetype i = m_steps.size() - 1; i >= 0; --i) {
        if (m_steps.at(i).kind != kind)
            continue;
        m_steps.removeAt(i);
        if (i < m_done)
            --m_done;
    }
}

void ParamEditHistory::clear()
{
    m_steps.clear();
    m_done = 0;
}
