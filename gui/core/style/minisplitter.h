#pragma once

#include <core/core_export.h>

#include <QSplitter>

// Splitter with one-pixel handles between panels; children cannot be
// collapsed away.
class CORE_EXPORT MiniSplitter : public QSplitter
{
    Q_OBJECT
public:
    explicit MiniSplitter(QWidget *parent = nullptr);
    explicit MiniSplitter(Qt::Orientation orientation);

protected:
    QSplitterHandle *createHandle() override;
};
