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

QString QAbstractPageWidget::document_title() const
{
    return QString();
}

bool QAbstractPageWidget::release_document()
{
    return true;
}
