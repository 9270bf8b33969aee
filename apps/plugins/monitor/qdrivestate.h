#pragma once

#include <QCoreApplication>
#include <QString>

class QMachineValue;

// The drive's state in words, from the state word and the fault code the
// description names (role="state" with its <Bit> entries, role="fault"
// with its <Fault> entries): "运行", "停止" or "故障：<name>", followed by
// the names of the other bits that are set. Empty when neither was read.
class QDriveState
{
    Q_DECLARE_TR_FUNCTIONS(QDriveState)

public:
    enum Kind { Unknown, Stopped, Running, Faulted };

    struct Reading
    {
        const QMachineValue *value = nullptr; // null: not monitored
        bool read = false;
        int raw = 0;
    };

    static Kind kind(const Reading &state, const Reading &fault);
    static QString text(const Reading &state, const Reading &fault);
};
