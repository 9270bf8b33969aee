#pragma once

#include <QSplitterHandle>

// Handle of a MiniSplitter. Only its one-pixel contents rectangle is shown
// (the widget is masked to it), but its margins make it a few pixels wider,
// and it takes the mouse over that whole area, so the thin line stays easy
// to grab. Private to the core library.
class MiniSplitterHandle : public QSplitterHandle
{
    Q_OBJECT
public:
    MiniSplitterHandle(Qt::Orientation orientation, QSplitter *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
