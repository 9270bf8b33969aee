#include "qmonitorrecorder.h"

#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>


namespace {

constexpr int kFlushMs = 1000;

} // namespace

QMonitorRecorder::QMonitorRecorder(QObject *parent)
    : QObject(parent)
{
    m_flush_timer.setInterval(kFlushMs);
    connect(&m_flush_timer, &QTimer::timeout, this, &QMonitorRecorder::flush);
}

QMonitorRecorder::~QMonitorRecorder()
{
    stop();
}

bool QMonitorRecorder::start(const QString &path, const QList<Column> &columns, QString *error)
{
    stop();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = m_file.errorString();
        return false;
    }
    m_columns = columns;
    m_gap = false;
    m_rows = 0;
    m_clock.start();

    QStringList codes{tr("时间"), tr("毫秒")};
    QStringList names{tr("名称"), QString()};
    QStringList units{tr("单位"), QStringLiteral("ms")};
    for (const Column &c : columns) {
        codes << c.code;
        names << c.name;
        units << c.unit;
    }
    if (!put({codes, names, units}) || !m_file.flush()) {
        const QString reason = m_file.errorString();
        m_file.close();
        if (error)
            *error = reason;
        return false;
    }
    m_flush_timer.start();
    return true;
}

void QMonitorRecorder::stop()
{
    m_flush_timer.stop();
    if (!m_file.isOpen())
        return;
    const bool flushed = m_file.flush();
    const QString reason = m_file.errorString();
    m_file.close();
    if (!flushed)
        emit failed(m_file.fileName(), reason);
}

void QMonitorRecorder::mark_gap()
{
    m_gap = true;
}

void QMonitorRecorder::write(const QDateTime &time, const QStringList &cells)
{
    if (!m_file.isOpen())
        return;
    QList<QStringList> rows;
    if (m_gap && m_rows > 0)
        rows.append(QStringList{QString()});
    m_gap = false;
    QStringList row{time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
                    QString::number(m_clock.elapsed())};
    row += cells;
    rows.append(row);
    if (put(rows))
        ++m_rows;
}

bool QMonitorRecorder::put(const QList<QStringList> &rows)
{
    QCSVFile table;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList &cells = rows.at(r);
        for (int c = 0; c < cells.size(); ++c)
            table.set_text(c, r, cells.at(c));
    }
    const QByteArray bytes = QLocalCodec::encode(table.save());
    if (m_file.write(bytes) != bytes.size()) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

bool QMonitorRecorder::flush()
{
    if (!m_file.isOpen())
        return false;
    if (!m_file.flush()) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

void QMonitorRecorder::fail(const QString &reason)
{
    m_flush_timer.stop();
    const QString path = m_file.fileName();
    // What is still buffered cannot be written either; closing must not try.
    m_file.close();
    emit failed(path, reason);
}
