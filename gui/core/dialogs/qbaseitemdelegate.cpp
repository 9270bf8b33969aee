#include "qbaseitemdelegate.h"
#include <core/style/stylemetrics.h>

#include <QApplication>
#include <QPainter>
#include <QStyle>

using namespace StyleMetrics;

QBaseItemDelegate::QBaseItemDelegate(QObject *parent)
    : QItemDelegate(parent)
{
}

void QBaseItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    QColor background = ItemBackground;
    if (opt.features & QStyleOptionViewItem::Alternate)
        background = background.lighter(AlternateRowLighten);
    painter->fillRect(opt.rect, background);

    opt.state &= ~QStyle::State_HasFocus;
    QItemDelegate::paint(painter, opt, index);

    opt.palette.setCurrentColorGroup(QPalette::Active);
    const QColor grid = QColor::fromRgba(
        QRgb(QApplication::style()->styleHint(QStyle::SH_Table_GridLineColor, &opt)));
    painter->save();
    painter->setPen(grid);
    painter->drawLine(opt.rect.topRight(), opt.rect.bottomRight());
    painter->restore();
}

QSize QBaseItemDelegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QSize size = QItemDelegate::sizeHint(option, index);
    size.setHeight(ItemRowHeight);
    return size;
}
