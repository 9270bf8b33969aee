#include "styledbar.h"
#include "stylehelper.h"

#include <QPainter>
#include <QStyleOption>

StyledBar::StyledBar(QWidget *parent)
    : QWidget(parent)
{
    // "panelWidget" is the marker the panel style looks for; the bar is one
    // row high and never takes the light variant from its own setting.
    setProperty("panelWidget", true);
    setProperty("panelWidget_singlerow", true);
    setProperty("lightColored", false);
    setFixedHeight(StyleHelper::navigationWidgetHeight());
}

void StyledBar::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_ToolBar, &option, &painter, this);
    painter.end();
    QWidget::paintEvent(event);
}
