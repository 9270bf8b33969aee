#pragma once

#include "qlinkworker.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>


class QTcpSocket;

// The network side of the link for drives behind Ethernet; lives in the TCP
// transport's worker thread and owns the socket there. Like the serial
// worker it runs one exchange at a time, start to end, without returning to
// its event loop: request, answer, retries.
//
// Modbus TCP: an MBAP header with a transaction id; the answer must carry the
// id of this request, an earlier one's is stale and dropped, any other is
// malformed. (RTU frames over TCP, as a serial device server passes them,
// have no id: they go through the serial worker, whose rules keep a late
// answer out.)
//
// A connection that closes or resets is a lost link; the worker never
// connects again by itself.
//
// On Unix the exchange reads and writes the socket itself (one poll and one
// read per wake-up); elsewhere, and built with COMMUNICATE_PORTABLE_IO,
// through QTcpSocket's waiting functions.
class QTcpWorker : public QLinkWorker
{
    Q_OBJECT
public:
    explicit QTcpWorker(QObject *parent = nullptr);
    ~QTcpWorker() override;

    // Run in the worker thread (the transport calls them blocking).
    bool open(const QString &host, quint16 port, int connect_timeout_ms, QString *error);
    void close() override;

private:
    struct Report
    {
        quint64 id = 0;
        int result = 0;
        QByteArray answer;
        int code = 0;
    };
    enum Attempt { Accepted, NoBytes, BadBytes, Abandoned };

    bool is_open() const override { return m_socket && !m_lost; }
    bool run(const Request &request) override;
    void exchanges_done() override;
    // Gives up the exchange on the connection; always false.
    bool abandon(const Request &request);
    // retry: not the exchange's first try (for the counters).
    Attempt attempt(const Request &request, int *result, QByteArray *answer, int *code, bool retry);
    void received(qint64 bytes);
    // Checks the RTU frame an answer stands for against the request.
    Attempt accept(const QByteArray &request, const QByteArray &frame, int *result, QByteArray *answer, int *code);
    // Reads what comes within ms (0: what is there now); false when the
    // exchange must be abandoned.
    bool read_some(int ms, QByteArray *into);
    bool keep_quiet(qint64 quiet_ms);
    // A transaction whose answer, should it still come, is stale.
    void remember(quint16 tid);
    bool stopping() const;
    // Sends the bytes; false when the connection failed.
    bool write_all(const QByteArray &bytes);
    void flush_report();
    // After a request went out: passes results on unless they can wait.
    void report_if_due();
    void lose(const QString &reason);
    void on_ready_read();
    void on_disconnected();

    QTcpSocket *m_socket = nullptr;
    bool m_lost = false;
    QString m_lost_reason;
    quint16 m_next_tid = 1;
    // Transactions sent before the current one whose answers may still come.
    QList<quint16> m_earlier;

    // Results of answered exchanges wait until the next request is on its
    // way (or there is none): the manager's work on them then overlaps the
    // network instead of competing with the next write. While the manager
    // has handed over plenty, they go in small batches, so that it is woken
    // once for several.
    QList<Report> m_reports;
    qint64 m_response_ns = 0; // of the last answer taken
};
