#pragma once

#include <core/core_export.h>

#include <QWidget>

// A bar of the navigation height painted like a panel tool bar; holds tool
// buttons, labels and the action tool bar of a page.
class CORE_EXPORT StyledBar : public QWidget
{
    Q_OBJECT
public:
    explicit StyledBar(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
