#include "qtrendchart.h"

#include "qtrendhistory.h"
#include "qtrendscale.h"

#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetrics>
#include <QGraphicsLineItem>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>

#include <cmath>
#include <limits>

namespace {

// Look and feel of the trend, in one place.
constexpr qint64 kDefaultSpanMs = 60000;
constexpr qint64 kMinSpanMs = 2000;
constexpr qint64 kMaxSpanMs = 7 * 24 * 3600 * 1000LL;
constexpr double kZoomStep = 1.25;
// Own axes drawn at most; the others scale their line all the same.
constexpr int kShownAxes = 4;
// Pixels per interval of the history's points: the lowest and highest of
// every three pixels keep each peak visible at a third of the drawing cost.
constexpr int kPixelsPerInterval = 3;
// Width of a value's name in the legend; the cursor reads the whole name.
constexpr int kLegendNameWidth = 150;
const QColor kCursorColour(90, 90, 90);

const QColor kPalette[] = {
    QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),  QColor(255, 127, 14),
    QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
    QColor(188, 189, 34), QColor(23, 190, 207), QColor(0, 0, 128),    QColor(128, 0, 0),
};

QString number_text(double value)
{
    return QString::number(value, 'g', 6);
}

} // namespace

QTrendChart::QTrendChart(QTrendHistory *history, QWidget *parent)
    : QChartView(parent)
    , m_history(history)
    , m_time_axis(new QDateTimeAxis)
    , m_normal_axis(new QValueAxis)
    , m_span(kDefaultSpanMs)
{
    setObjectName(QStringLiteral("trendChart"));
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true); // the cursor follows the mouse without a button
    setRubberBand(QChartView::NoRubberBand);

    QChart *c = chart();
    c->legend()->setAlignment(Qt::AlignBottom);
    c->setMargins(QMargins(4, 4, 4, 4));
    c->setAnimationOptions(QChart::NoAnimation);
    m_time_axis->setFormat(QStringLiteral("hh:mm:ss"));
    m_time_axis->setTickCount(7);
    c->addAxis(m_time_axis, Qt::AlignBottom);
    m_normal_axis->setRange(0, 100);
    m_normal_axis->setLabelFormat(QStringLiteral("%.0f %%"));
    m_normal_axis->setVisible(false);
    c->addAxis(m_normal_axis, Qt::AlignLeft);

    m_cursor_line = new QGraphicsLineItem(c);
    m_cursor_line->setPen(QPen(kCursorColour, 1, Qt::DashLine));
    m_cursor_line->setZValue(100);
    m_cursor_line->hide();
    m_cursor_label = new QLabel(this);
    m_cursor_label->setObjectName(QStringLiteral("trendCursor"));
    m_cursor_label->setTextFormat(Qt::RichText);
    m_cursor_label->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(255,255,255,220); border: 1px solid #888; padding: 3px; }"));
    m_cursor_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_cursor_label->hide();
}

QColor QTrendChart::colour(int index)
{
    const int n = int(sizeof kPalette / sizeof kPalette[0]);
    const QColor base = kPalette[index % n];
    // Past the palette: the same hues, darker, so thirty lines stay apart.
    return index < n ? base : base.darker(100 + 40 * (index / n));
}

QString QTrendChart::legend_text(const Channel &channel) const
{
    const QFontMetrics metrics(chart()->legend()->font());
    QString text = channel.code.isEmpty() ? channel.label : channel.code;
    if (!channel.code.isEmpty() && !channel.name.isEmpty())
        text += QLatin1Char(' ') + metrics.elidedText(channel.name, Qt::ElideRight, kLegendNameWidth);
    if (!channel.unit.isEmpty())
        text += QStringLiteral(" (%1)").arg(channel.unit);
    return text;
}

void QTrendChart::set_channels(const QList<Channel> &channels)
{
    QChart *c = chart();
    for (QLineSeries *series : std::as_const(m_series))
        c->removeSeries(series);
    qDeleteAll(m_series);
    m_series.clear();
    for (QValueAxis *axis : std::as_const(m_axes))
        c->removeAxis(axis);
    qDeleteAll(m_axes);
    m_axes.clear();

    m_channels = channels;
    for (int i = 0; i < channels.size(); ++i) {
        const Channel &ch = channels.at(i);
        auto *series = new QLineSeries;
        series->setName(legend_text(ch));
        QPen pen(ch.colour);
        pen.setWidth(1);
        pen.setCosmetic(true);
        series->setPen(pen);
        c->addSeries(series);

        auto *axis = new QValueAxis;
        axis->setLinePenColor(ch.colour);
        axis->setLabelsColor(ch.colour);
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setGridLineVisible(i == 0);
        c->addAxis(axis, i % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
        series->attachAxis(m_time_axis);
        m_series.append(series);
        m_axes.append(axis);
    }
    // Attached after all were made: attaching moves a series between axes.
    set_normalised(m_normalised);
}

void QTrendChart::set_normalised(bool normalised)
{
    m_normalised = normalised;
    for (int i = 0; i < m_series.size(); ++i) {
        QLineSeries *series = m_series.at(i);
        const QList<QAbstractAxis *> attached = series->attachedAxes();
        for (QAbstractAxis *axis : attached) {
            if (axis != m_time_axis)
                series->detachAxis(axis);
        }
        series->attachAxis(normalised ? m_normal_axis : m_axes.at(i));
        m_axes.at(i)->setVisible(!normalised && i < kShownAxes);
    }
    m_normal_axis->setVisible(normalised);
    refresh();
}

void QTrendChart::set_paused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    emit paused_changed(paused);
    refresh();
}

void QTrendChart::set_span(qint64 ms)
{
    m_span = qBound(kMinSpanMs, ms, kMaxSpanMs);
    if (m_paused)
        m_from = m_to - m_span;
    refresh();
}

int QTrendChart::refresh()
{
    if (!m_paused) {
        const qint64 last = m_history->last_time();
        m_to = last > 0 ? last : QDateTime::currentMSecsSinceEpoch();
        m_from = m_to - m_span;
    }
    m_time_axis->setRange(QDateTime::fromMSecsSinceEpoch(m_from), QDateTime::fromMSecsSinceEpoch(m_to));

    const int width = int(chart()->plotArea().width());
    const int intervals = qMax(50, width / kPixelsPerInterval);
    int drawn = 0;
    for (int i = 0; i < m_series.size(); ++i) {
        QVector<QPointF> points = m_history->points(m_channels.at(i).history_channel, m_from, m_to, intervals);
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (const QPointF &p : std::as_const(points)) {
            if (std::isnan(p.y()))
                continue;
            low = qMin(low, p.y());
            high = qMax(high, p.y());
        }
        if (m_normalised) {
            if (low > high) {
                low = 0;
                high = 1;
            }
            const double range = high > low ? high - low : 1.0;
            const double base = high > low ? low : low - 0.5;
            for (QPointF &p : points)
                p.setY((p.y() - base) / range * 100.0);
        } else {
            // The axis first: a series maps its points again on every change.
            const TrendScale scale = TrendScale::of(low, high, TrendScale::least_span(m_channels.at(i).unit));
            QValueAxis *axis = m_axes.at(i);
            if (axis->min() != scale.low || axis->max() != scale.high || axis->tickInterval() != scale.step) {
                axis->setRange(scale.low, scale.high);
                axis->setTickAnchor(scale.low);
                axis->setTickInterval(scale.step);
                axis->setLabelFormat(scale.label_format());
            }
        }
        m_series.at(i)->replace(points);
        drawn += int(points.size());
    }
    if (m_cursor_time >= 0)
        place_cursor(m_cursor_time);
    return drawn;
}

qint64 QTrendChart::time_at(const QPointF &position) const
{
    const QRectF area = chart()->plotArea();
    if (area.width() <= 0)
        return m_from;
    const double share = (position.x() - area.left()) / area.width();
    return m_from + qint64(share * double(m_to - m_from));
}

QString QTrendChart::set_cursor_time(qint64 time)
{
    m_cursor_time = time;
    place_cursor(time);
    return m_cursor_label->text();
}

void QTrendChart::place_cursor(qint64 time)
{
    const QRectF area = chart()->plotArea();
    if (time < m_from || time > m_to || area.width() <= 0 || m_to <= m_from) {
        m_cursor_line->hide();
        m_cursor_label->hide();
        return;
    }
    const double x = area.left() + double(time - m_from) / double(m_to - m_from) * area.width();
    m_cursor_line->setLine(x, area.top(), x, area.bottom());
    m_cursor_line->show();

    QStringList lines{QStringLiteral("<b>%1</b>").arg(
        QDateTime::fromMSecsSinceEpoch(time).toString(QStringLiteral("hh:mm:ss.zzz")))};
    for (const Channel &ch : std::as_const(m_channels)) {
        double low = 0;
        double high = 0;
        QString reading = QStringLiteral("—");
        if (m_history->value_at(ch.history_channel, time, &low, &high)) {
            reading = low == high ? number_text(low)
                                  : QStringLiteral("%1～%2").arg(number_text(low), number_text(high));
            if (!ch.unit.isEmpty())
                reading += QLatin1Char(' ') + ch.unit;
        }
        lines << QStringLiteral("<span style=\"color:%1\">■</span> %2: %3")
                     .arg(ch.colour.name(), ch.label.toHtmlEscaped(), reading.toHtmlEscaped());
    }
    m_cursor_label->setText(lines.join(QStringLiteral("<br>")));
    m_cursor_label->adjustSize();
    const QPoint at = mapFromScene(chart()->mapToScene(QPointF(x, area.top())));
    int left = at.x() + 8;
    if (left + m_cursor_label->width() > width())
        left = at.x() - 8 - m_cursor_label->width();
    m_cursor_label->move(qMax(0, left), at.y());
    m_cursor_label->show();
}

void QTrendChart::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0) {
        QChartView::wheelEvent(event);
        return;
    }
    const qint64 anchor = time_at(chart()->mapFromScene(mapToScene(event->position().toPoint())));
    const double factor = std::pow(kZoomStep, -steps);
    const qint64 span = qBound(kMinSpanMs, qint64(double(m_span) * factor), kMaxSpanMs);
    if (m_paused) {
        // Zoom around the time under the mouse.
        const double share = m_to > m_from ? double(anchor - m_from) / double(m_to - m_from) : 1.0;
        m_from = anchor - qint64(share * double(span));
        m_to = m_from + span;
    }
    m_span = span;
    refresh();
    event->accept();
}

void QTrendChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_drag_start = event->position();
        m_drag_from = m_from;
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void QTrendChart::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        const QRectF area = chart()->plotArea();
        if (area.width() > 0) {
            if (!m_paused) {
                m_paused = true;
                emit paused_changed(true);
            }
            const double dx = event->position().x() - m_drag_start.x();
            const qint64 shift = qint64(-dx / area.width() * double(m_span));
            m_from = m_drag_from + shift;
            m_to = m_from + m_span;
            refresh();
        }
    }
    const QPointF in_chart = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    if (chart()->plotArea().contains(in_chart))
        set_cursor_time(time_at(in_chart));
    QChartView::mouseMoveEvent(event);
}

void QTrendChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

void QTrendChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    set_paused(false);
    event->accept();
}

void QTrendChart::leaveEvent(QEvent *event)
{
    m_cursor_time = -1;
    m_cursor_line->hide();
    m_cursor_label->hide();
    QChartView::leaveEvent(event);
}

void QTrendChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    refresh();
}
