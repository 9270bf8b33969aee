#pragma once

#include <QWidget>

class FancyTabWidget;

// The strip at the top of the navigation column. Shift+click lets the
// operator pick the panel colour, which recolours the whole panel look.
class FancyColorButton : public QWidget
{
public:
    explicit FancyColorButton(FancyTabWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    FancyTabWidget *m_tabWidget;
};
