#pragma once

#include <QSplitterHandle>

// One-pixel splitter handle: masked to its contents rectangle, so only a line
// is painted, yet it takes mouse presses over its whole (wider) area so the
// thin line stays easy to grab. Private to the core library.
class MiniSplitterHandle : public QSplitterHandle
{
    Q_OBJECT
public:
    MiniSplitterHandle(Qt::Orientation orientation, QSplitter *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
