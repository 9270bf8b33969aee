#pragma once

#include <paramset/paramset_export.h>

#include <QList>
#include <QString>

// One parameter's change in an edit step: what it held before (when that
// was known) and what it was set to.
struct ParamEditChange
{
    QString code;
    bool has_before = false;
    int before = 0;
    int after = 0;
};

// One step the operator can take back: an edit of an open parameter file, a
// change kept for a later write, or values written to the drive (a single
// edit, or all kept changes written at once).
struct ParamEditStep
{
    enum Kind { File, Pending, Written };
    Kind kind = File;
    QList<ParamEditChange> changes;
};

// The undo and redo list of the parameter page, by parameter code so that
// it holds no pointer into a model. Applying a step is the caller's
// business: this list only knows the order. A new step drops the steps that
// were taken back.
class PARAMSET_EXPORT ParamEditHistory
{
public:
    // More steps than this drop the oldest.
    static constexpr int kMaxSteps = 500;

    void push(const ParamEditStep &step);
    bool can_undo() const { return m_done > 0; }
    bool can_redo() const { return m_done < m_steps.size(); }
    // The step undo() or redo() would take, null when there is none.
    const ParamEditStep *next_undo() const;
    const ParamEditStep *next_redo() const;
    // Moves back (forward) over one step and gives it; false when there is none.
    bool undo(ParamEditStep *step);
    bool redo(ParamEditStep *step);
    // Drops every step of a kind, taken back or not (the kept changes once
    // they were written or given up).
    void remove(ParamEditStep::Kind kind);
    void clear();

private:
    QList<ParamEditStep> m_steps;
    qsizetype m_done = 0; // steps not taken back, from the front
};
