#pragma once

#include <core/core_export.h>

#include <QWidget>

// A bar of the navigation height painted like a panel tool bar, for the tool
// buttons, labels and action tool bar of a page. It is a panel: whatever it
// holds is drawn in the panel look.
class CORE_EXPORT StyledBar : public QWidget
{
    Q_OBJECT
public:
    explicit StyledBar(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
