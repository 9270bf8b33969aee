#pragma once

#include <core/core_export.h>

#include <QItemDelegate>

// Gives the program's item views their look: light green cells (lighter on
// alternate rows), a grid line on the right of every cell, no focus frame and
// a fixed row height whatever the font.
class CORE_EXPORT QBaseItemDelegate : public QItemDelegate
{
public:
    explicit QBaseItemDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
