#pragma once

#include <paramset/paramset_export.h>

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

// Writes monitored samples to a CSV file as they come (GBK, like the
// parameter files): three header rows (codes, names, units) whose first two
// columns are the wall time and the milliseconds since the recording began,
// then one row per sample. The file is flushed every second, so a crash
// loses at most that. A gap in the samples (the link was lost) is marked by
// an empty row. A write that fails ends the recording and emits failed();
// nothing is written after it. The monitoring page and the command-line
// tool's monitor write their files here, so both have one layout.
class PARAMSET_EXPORT QMonitorRecorder : public QObject
{
    Q_OBJECT
public:
    struct Column
    {
        QString code;
        QString name;
        QString unit;
    };

    explicit QMonitorRecorder(QObject *parent = nullptr);
    ~QMonitorRecorder() override;

    // Replaces the file. False, with the reason, when it cannot be created.
    bool start(const QString &path, const QList<Column> &columns, QString *error);
    void stop();
    bool is_recording() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }
    QList<Column> columns() const { return m_columns; }

    // One row: a cell per column (empty for a value not read).
    void write(const QDateTime &time, const QStringList &cells);
    // The next row follows a gap.
    void mark_gap();
    qint64 rows() const { return m_rows; }
    // Writes out what is buffered now (the timer does it every second);
    // false, the recording ended and failed() emitted, when that fails.
    bool flush();
    // Milliseconds since the recording began.
    qint64 elapsed_ms() const { return m_clock.isValid() ? m_clock.elapsed() : 0; }

signals:
    void failed(const QString &path, const QString &reason);

private:
    bool put(const QList<QStringList> &rows);
    void fail(const QString &reason);

    QFile m_file;
    QList<Column> m_columns;
    QElapsedTimer m_clock;
    QTimer m_flush_timer;
    bool m_gap = false;
    qint64 m_rows = 0;
};
