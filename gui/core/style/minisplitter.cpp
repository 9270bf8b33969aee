#include "minisplitter.h"
#include "minisplitterhandle.h"

MiniSplitter::MiniSplitter(QWidget *parent)
    : QSplitter(parent)
{
    setUpHandles();
}

MiniSplitter::MiniSplitter(Qt::Orientation orientation)
    : QSplitter(orientation)
{
    setUpHandles();
}

void MiniSplitter::setUpHandles()
{
    setHandleWidth(1);
    setChildrenCollapsible(false);
    // Read by the panel style for the splitter width metric.
    setProperty("minisplitter", true);
}

QSplitterHandle *MiniSplitter::createHandle()
{
    return new MiniSplitterHandle(orientation(), this);
}
