#include "fancycolorbutton.h"
#include "fancytabwidget.h"

#include <core/style/stylehelper.h>

#include <QColorDialog>
#include <QMouseEvent>

FancyColorButton::FancyColorButton(FancyTabWidget *parent)
    : m_parent(parent)
{
    setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
}

void FancyColorButton::mousePressEvent(QMouseEvent *event)
{
    if (!(event->modifiers() & Qt::ShiftModifier))
        return;
    const QColor color = QColorDialog::getColor(StyleHelper::baseColor(), m_parent);
    if (color.isValid())
        StyleHelper::setBaseColor(color);
}
