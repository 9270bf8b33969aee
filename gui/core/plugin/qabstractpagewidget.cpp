#include "qabstractpagewidget.h"

QAbstractPageWidget::QAbstractPageWidget(QWidget *parent)
    : QWidget(parent)
{
}

void QAbstractPageWidget::setVisible(bool visible)
{
    emit selected(visible);
    QWidget::setVisible(visible);
}
