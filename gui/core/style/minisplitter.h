#pragma once

#include <core/core_export.h>

#include <QSplitter>

// Splitter between panels: the line between its children is one pixel wide
// (see MiniSplitterHandle), and no child can be squeezed away.
class CORE_EXPORT MiniSplitter : public QSplitter
{
    Q_OBJECT
public:
    explicit MiniSplitter(QWidget *parent = nullptr);
    explicit MiniSplitter(Qt::Orientation orientation);

protected:
    QSplitterHandle *createHandle() override;

private:
    void setUpHandles();
};
