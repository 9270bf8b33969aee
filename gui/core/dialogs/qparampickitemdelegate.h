#pragma once

#include "qbaseitemdelegate.h"

class QParamPickTreeView;

// Item delegate of the parameter pick view: group rows on the palette's dark
// colour, parameter rows in the common item look. Private to the core
// library (not exported): the parameter page has its own class of this name
// in the same process.
class QParamItemDelegate : public QBaseItemDelegate
{
public:
    explicit QParamItemDelegate(QParamPickTreeView *view);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    QParamPickTreeView *m_view;
};
