#pragma once

#include <QWidget>

class FancyTabWidget;

// The colour strip above the tabs: Shift+click lets the operator pick the
// panel base colour, which recolours the whole panel look.
class FancyColorButton : public QWidget
{
public:
    explicit FancyColorButton(FancyTabWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    FancyTabWidget *m_parent;
};
