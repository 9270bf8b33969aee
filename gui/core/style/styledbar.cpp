#include "styledbar.h"
#include "stylehelper.h"

#include <QStyleOptionToolBar>
#include <QStylePainter>

StyledBar::StyledBar(QWidget *parent)
    : QWidget(parent)
{
    setProperty("panelwidget", true);
    setProperty("panelwidget_singlerow", true);
    setProperty("lightColored", false);
    setFixedHeight(StyleHelper::navigationWidgetHeight());
}

void StyledBar::paintEvent(QPaintEvent *event)
{
    QStylePainter painter(this);
    QStyleOptionToolBar option;
    option.rect = rect();
    option.state = QStyle::State_Horizontal;
    painter.drawControl(QStyle::CE_ToolBar, option);
    painter.end();
    QWidget::paintEvent(event);
}
