#include "fancycolorbutton.h"
#include "fancytabwidget.h"

#include <core/style/stylehelper.h>

#include <QColorDialog>
#include <QMouseEvent>

FancyColorButton::FancyColorButton(FancyTabWidget *parent)
    : QWidget(parent)
    , m_tabWidget(parent)
{
}

void FancyColorButton::mousePressEvent(QMouseEvent *event)
{
    if (!(event->modifiers() & Qt::ShiftModifier))
        return;
    const QColor picked = QColorDialog::getColor(StyleHelper::baseColor(), m_tabWidget);
    // A cancelled dialog gives an invalid colour, which changes nothing.
    if (picked.isValid())
        StyleHelper::setBaseColor(picked);
}
