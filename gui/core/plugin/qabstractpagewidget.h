#pragma once

#include <core/core_export.h>

#include <QWidget>

// Base of page widgets: tells the page when its tab is entered or left,
// before its visibility changes.
class CORE_EXPORT QAbstractPageWidget : public QWidget
{
    Q_OBJECT
public:
    explicit QAbstractPageWidget(QWidget *parent = nullptr);

    void setVisible(bool visible) override;

signals:
    void selected(bool select);
};
