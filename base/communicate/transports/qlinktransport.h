#pragma once

#include <communicate/communicate_export.h>

#include <QByteArray>
#include <QObject>

// What the mission manager needs from the line: one request and answer
// exchange at a time. The serial transport does it over a port in a worker
// thread (retries, time-outs and framing included); unit tests put a scripted
// transport in its place.
class COMMUNICATE_EXPORT QLinkTransport : public QObject
{
    Q_OBJECT
public:
    enum Result {
        Answered = 0,  // answer holds the whole answer frame
        Exception = 1, // the drive answered with an exception; code given
        NoAnswer = 2,  // not a byte came back, on any try
        Malformed = 3, // something came back, but never a correct answer (answer: what came)
        Echoed = 4     // what came back began with the request itself: an adapter's local echo
    };

    explicit QLinkTransport(QObject *parent = nullptr)
        : QObject(parent)
    {
    }

    // Starts one exchange; exactly one exchange_finished() follows, unless the
    // link is lost first (the owner then tells the manager with link_closed()).
    virtual void start_exchange(const QByteArray &request) = 0;
    // The same with a drive's own timing for this request (its description's
    // profile): a pause before it in milliseconds, the answer time-out in
    // milliseconds and the retries; -1 keeps the link's own. A transport
    // without timing of its own ignores it.
    struct Timing
    {
        int pause_ms = -1;
        int timeout_ms = -1;
        int retries = -1;
        bool is_default() const { return pause_ms < 0 && timeout_ms < 0 && retries < 0; }
    };
    virtual void start_timed_exchange(const QByteArray &request, const Timing &timing)
    {
        Q_UNUSED(timing);
        start_exchange(request);
    }

    // How many exchanges the manager may hand over before the first one
    // finished. They still go on the line one at a time, in order, and
    // finish in order; with 2 the next request is ready the moment the
    // answer to the current one is in.
    virtual int pipeline_depth() const { return 1; }

    // Asks for the exchanges handed over that have not gone on the line yet
    // (a mission of higher level came). exchanges_recalled(n) follows: the
    // last n exchanges handed over will not run and report nothing.
    virtual void recall() { emit exchanges_recalled(0); }

signals:
    void exchange_finished(int result, const QByteArray &answer, int exception_code);
    void exchanges_recalled(int count);
};
