#pragma once

#include <QChartView>
#include <QColor>
#include <QList>
#include <QString>

class QDateTimeAxis;
class QGraphicsLineItem;
class QLabel;
class QLineSeries;
class QTrendHistory;
class QValueAxis;

// The trend of the monitored values: one line per channel of a
// QTrendHistory, each in its colour, on its own axis or normalised to
// 0..100 % of what the view shows. It draws only the points the history
// hands out for its width (lowest and highest per pixel), so redraw time
// does not grow with the run time.
//
// Live, the view follows the newest sample over span(); paused, it stands
// still (the history keeps growing). The wheel zooms the time axis, a drag
// with the left button pans (and pauses), a double click returns to live.
// The cursor, a vertical line under the mouse, reads every channel at its
// time. Times are milliseconds since the epoch.
class QTrendChart : public QChartView
{
    Q_OBJECT
public:
    struct Channel
    {
        int history_channel;
        QString label; // code and name
        QString unit;
        QColor colour;
        // The two parts of the label, for the legend (empty: the label as it is).
        QString code;
        QString name;
    };

    explicit QTrendChart(QTrendHistory *history, QWidget *parent = nullptr);

    void set_channels(const QList<Channel> &channels);
    QList<Channel> channels() const { return m_channels; }
    static QColor colour(int index);
    // A channel's entry in the legend: code, name elided to a fixed width, unit.
    QString legend_text(const Channel &channel) const;

    void set_normalised(bool normalised);
    bool is_normalised() const { return m_normalised; }
    void set_paused(bool paused);
    bool is_paused() const { return m_paused; }
    void set_span(qint64 ms);
    qint64 span() const { return m_span; }
    qint64 view_from() const { return m_from; }
    qint64 view_to() const { return m_to; }

    // Puts the cursor at a time and returns what it reads (also shown beside it).
    QString set_cursor_time(qint64 time);
    // Redraws from the history; points drawn (for the benchmark).
    int refresh();

signals:
    void paused_changed(bool paused);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    qint64 time_at(const QPointF &position) const;
    void place_cursor(qint64 time);

    QTrendHistory *m_history;
    QList<Channel> m_channels;
    QList<QLineSeries *> m_series;
    QList<QValueAxis *> m_axes;
    QDateTimeAxis *m_time_axis;
    QValueAxis *m_normal_axis;
    QGraphicsLineItem *m_cursor_line;
    QLabel *m_cursor_label;

    bool m_normalised = false;
    bool m_paused = false;
    qint64 m_span;
    qint64 m_from = 0;
    qint64 m_to = 0;
    qint64 m_cursor_time = -1;
    bool m_dragging = false;
    QPointF m_drag_start;
    qint64 m_drag_from = 0;
};
