#include "qparampickitemdelegate.h"
#include "qparampicktreeview.h"

#include <QPainter>

QParamItemDelegate::QParamItemDelegate(QParamPickTreeView *view)
    : QBaseItemDelegate(view)
    , m_view(view)
{
}

void QParamItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    // The pick tree has two levels: top-level rows are the groups.
    const bool groupRow = index.isValid() && !index.parent().isValid();
    if (!groupRow) {
        QBaseItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt(option);
    painter->fillRect(opt.rect, opt.palette.color(opt.palette.currentColorGroup(), QPalette::Dark));
    opt.state &= ~QStyle::State_HasFocus;
    QItemDelegate::paint(painter, opt, index);
}
