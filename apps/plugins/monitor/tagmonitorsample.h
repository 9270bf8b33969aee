#pragma once

#include <QDateTime>
#include <QVector>

// One poll cycle's reading of the monitored values, in the poller's order:
// for value i, raws[i] when states[i] is Read, nothing when it is Failed (the
// drive refused it or did not answer).
struct tagMonitorSample
{
    enum State : quint8 { Failed = 0, Read = 1 };

    QDateTime time;     // when the cycle ended
    qint64 elapsed_ms;  // on the poller's steady clock
    QVector<int> raws;
    QVector<quint8> states;
};
