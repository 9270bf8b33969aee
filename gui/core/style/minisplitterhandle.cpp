#include "minisplitterhandle.h"
#include "stylehelper.h"
#include "stylemetrics.h"

#include <QPaintEvent>
#include <QPainter>

MiniSplitterHandle::MiniSplitterHandle(Qt::Orientation orientation, QSplitter *parent)
    : QSplitterHandle(orientation, parent)
{
    setMask(contentsRect());
    setAttribute(Qt::WA_MouseNoMask, true);
}

void MiniSplitterHandle::resizeEvent(QResizeEvent *event)
{
    // The splitter widens the handle by its margins; the mask keeps the
    // visible part to the line in the middle.
    const int margin = StyleMetrics::SplitterHandleMargin;
    if (orientation() == Qt::Horizontal)
        setContentsMargins(margin, 0, margin, 0);
    else
        setContentsMargins(0, margin, 0, margin);
    setMask(contentsRect());
    QSplitterHandle::resizeEvent(event);
}

void MiniSplitterHandle::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), StyleHelper::borderColor());
}
