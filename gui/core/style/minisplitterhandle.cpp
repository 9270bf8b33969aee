#include "minisplitterhandle.h"
#include "stylehelper.h"
#include "stylemetrics.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

MiniSplitterHandle::MiniSplitterHandle(Qt::Orientation orientation, QSplitter *parent)
    : QSplitterHandle(orientation, parent)
{
    setMask(contentsRect());
    setAttribute(Qt::WA_MouseNoMask, true);
}

void MiniSplitterHandle::resizeEvent(QResizeEvent *event)
{
    const int m = StyleMetrics::SplitterHandleMargin;
    if (orientation() == Qt::Horizontal)
        setContentsMargins(m, 0, m, 0);
    else
        setContentsMargins(0, m, 0, m);
    setMask(contentsRect());
    QSplitterHandle::resizeEvent(event);
}

void MiniSplitterHandle::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), StyleHelper::borderColor(false));
}
