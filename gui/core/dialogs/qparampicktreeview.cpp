#include "qparampicktreeview.h"
#include "qparampickitemdelegate.h"
#include <core/qsoftcore.h>
#include <core/style/stylehelper.h>
#include <core/style/stylemetrics.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/tagvaluegroup.h>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

using namespace StyleMetrics;

namespace {
constexpr int CheckColumn = 1;
constexpr int Unchecked = Qt::Unchecked;
constexpr int Partial = Qt::PartiallyChecked;
constexpr int Checked = Qt::Checked;
} // namespace

QParamPickTreeView::QParamPickTreeView(enViewType type, QWidget *parent)
    : QTreeWidget(parent)
    , m_type(type)
    , m_current_item(nullptr)
{
    setItemDelegate(new QParamItemDelegate(this));
    setRootIsDecorated(false);
    setAlternatingRowColors(true);
    header()->setVisible(false);
    if (m_type == VIEW_MULTIPLE_CHOICE)
        setColumnCount(2);
    setMinimumSize(200, 200);
    m_unchecked_icon = StyleHelper::drawCheckbox(palette(), style(), Unchecked);
    m_partial_icon = StyleHelper::drawCheckbox(palette(), style(), Partial);
    m_checked_icon = StyleHelper::drawCheckbox(palette(), style(), Checked);
    init();
}

QParamPickTreeView::~QParamPickTreeView() = default;

void QParamPickTreeView::clear()
{
    m_group_items.clear();
    m_item_groups.clear();
    m_item_values.clear();
    m_value_items.clear();
    m_current_item = nullptr;
    QTreeWidget::clear();
}

void QParamPickTreeView::init()
{
    clear();
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (!machine)
        return;
    const QList<tagValueGroup *> groups = machine->get_groups();
    for (tagValueGroup *group : groups)
        add_group(group->m_name, group->m_values, QMachine::display_name(group));
}

void QParamPickTreeView::init(const QString &group, const QList<QMachineValue *> &values)
{
    clear();
    add_group(group, values);
}

void QParamPickTreeView::add_group(const QString &name, const QList<QMachineValue *> &values,
                                   const QString &shown)
{
    auto *groupItem = new QTreeWidgetItem(this);
    groupItem->setText(0, shown.isEmpty() ? name : shown);
    groupItem->setToolTip(0, shown.isEmpty() ? name : shown);
    if (m_type == VIEW_MULTIPLE_CHOICE)
        set_check_state(groupItem, Unchecked);
    m_group_items.insert(name, groupItem);
    m_item_groups.insert(groupItem, name);

    for (QMachineValue *value : values) {
        auto *item = new QTreeWidgetItem(groupItem);
        const QString text = value->get_value_property(VALUE_CODE).toString()
                             + QLatin1Char(':')
                             + value->display_name();
        item->setText(0, text);
        item->setToolTip(0, text);
        set_check_state(item, Unchecked);
        m_value_items.insert(value, item);
        m_item_values.insert(item, value);
    }
}

int QParamPickTreeView::check_state(const QTreeWidgetItem *item)
{
    return item ? item->data(CheckColumn, Qt::UserRole).toInt() : Unchecked;
}

void QParamPickTreeView::set_check_state(QTreeWidgetItem *item, int state)
{
    if (!item)
        return;
    item->setData(CheckColumn, Qt::UserRole, state);
    const QIcon &icon = state == Checked ? m_checked_icon
                        : state == Partial ? m_partial_icon
                                           : m_unchecked_icon;
    item->setData(CheckColumn, Qt::DecorationRole, icon);
}

void QParamPickTreeView::apply_group_rule(QTreeWidgetItem *group)
{
    if (!group || !m_item_groups.contains(group))
        return;
    const int count = group->childCount();
    int checked = 0;
    for (int i = 0; i < count; ++i) {
        if (check_state(group->child(i)) == Checked)
            ++checked;
    }
    set_check_state(group, checked == count ? Checked : checked > 0 ? Partial : Unchecked);
}

void QParamPickTreeView::set_checked(QMachineValue *value, bool checked)
{
    QTreeWidgetItem *item = m_value_items.value(value, nullptr);
    if (m_type == VIEW_MULTIPLE_CHOICE) {
        if (!item)
            return;
        set_check_state(item, checked ? Checked : Unchecked);
        apply_group_rule(item->parent());
        return;
    }
    // Single choice: the chosen row is the only one ticked. Unticking clears
    // the choice only when it is that row, so get_checked() never lists a
    // row that is no longer chosen.
    if (!checked) {
        if (item && item == m_current_item) {
            set_check_state(m_current_item, Unchecked);
            m_current_item = nullptr;
        }
        return;
    }
    if (m_current_item)
        set_check_state(m_current_item, Unchecked);
    m_current_item = item;
    if (m_current_item)
        set_check_state(m_current_item, Checked);
}

QList<QMachineValue *> QParamPickTreeView::get_checked()
{
    QList<QMachineValue *> result;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *group = topLevelItem(i);
        for (int j = 0; j < group->childCount(); ++j) {
            QTreeWidgetItem *child = group->child(j);
            if (check_state(child) == Checked && m_item_values.contains(child))
                result.append(m_item_values.value(child));
        }
    }
    return result;
}

void QParamPickTreeView::select()
{
    set_checked(m_item_values.value(currentItem(), nullptr), true);
}

void QParamPickTreeView::unselect()
{
    set_checked(m_item_values.value(currentItem(), nullptr), false);
}

void QParamPickTreeView::select_group()
{
    QTreeWidgetItem *item = currentItem();
    if (!item)
        return;
    set_check_state(item, Checked);
    for (int i = 0; i < item->childCount(); ++i)
        set_check_state(item->child(i), Checked);
    // Called on a parameter row, the row's group must still follow the rule.
    if (m_item_values.contains(item))
        apply_group_rule(item->parent());
}

void QParamPickTreeView::unselect_group()
{
    QTreeWidgetItem *item = currentItem();
    if (!item)
        return;
    set_check_state(item, Unchecked);
    for (int i = 0; i < item->childCount(); ++i)
        set_check_state(item->child(i), Unchecked);
    if (m_item_values.contains(item))
        apply_group_rule(item->parent());
}

void QParamPickTreeView::turn_select_group()
{
    QTreeWidgetItem *group = currentItem();
    if (group && !m_item_groups.contains(group))
        group = group->parent();
    if (!group || !m_item_groups.contains(group))
        return;
    const int state = check_state(group);
    if (state == Checked)
        set_check_state(group, Unchecked);
    else if (state == Unchecked)
        set_check_state(group, Checked);
    for (int i = 0; i < group->childCount(); ++i) {
        QTreeWidgetItem *child = group->child(i);
        set_check_state(child, check_state(child) == Checked ? Unchecked : Checked);
    }
}

void QParamPickTreeView::select_all()
{
    for (QTreeWidgetItem *item : m_item_values.keys())
        set_check_state(item, Checked);
    for (QTreeWidgetItem *item : m_item_groups.keys())
        set_check_state(item, Checked);
}

void QParamPickTreeView::unselect_all()
{
    for (QTreeWidgetItem *item : m_item_values.keys())
        set_check_state(item, Unchecked);
    for (QTreeWidgetItem *item : m_item_groups.keys())
        set_check_state(item, Unchecked);
}

void QParamPickTreeView::turn_select_all()
{
    for (QTreeWidgetItem *item : m_item_values.keys())
        set_check_state(item, check_state(item) != Unchecked ? Unchecked : Checked);
    for (QTreeWidgetItem *item : m_item_groups.keys()) {
        const int state = check_state(item);
        if (state == Checked)
            set_check_state(item, Unchecked);
        else if (state == Unchecked)
            set_check_state(item, Checked);
    }
}

QMenu *QParamPickTreeView::create_context_menu(QTreeWidgetItem *item)
{
    auto *menu = new QMenu(this);
    if (m_type != VIEW_MULTIPLE_CHOICE) {
        if (!item)
            return menu;
        menu->addAction(tr("选择"), this, &QParamPickTreeView::select);
        menu->addAction(tr("取消"), this, &QParamPickTreeView::unselect);
        return menu;
    }
    if (item && m_item_groups.contains(item)) {
        menu->addAction(tr("本组选择"), this, &QParamPickTreeView::select_group);
        menu->addAction(tr("本组取消"), this, &QParamPickTreeView::unselect_group);
        menu->addSeparator();
    } else if (item && m_item_values.contains(item)) {
        menu->addAction(tr("选择"), this, &QParamPickTreeView::select);
        menu->addAction(tr("取消"), this, &QParamPickTreeView::unselect);
        menu->addSeparator();
    }
    menu->addAction(tr("全部选择"), this, &QParamPickTreeView::select_all);
    menu->addAction(tr("全部取消"), this, &QParamPickTreeView::unselect_all);
    menu->addSeparator();
    menu->addAction(tr("全部反选"), this, &QParamPickTreeView::turn_select_all);
    if (item)
        menu->addAction(tr("本组反选"), this, &QParamPickTreeView::turn_select_group);
    return menu;
}

void QParamPickTreeView::contextMenuEvent(QContextMenuEvent *event)
{
    QTreeWidgetItem *item = itemAt(event->pos());
    if (m_type != VIEW_MULTIPLE_CHOICE && !item)
        return;
    QMenu *menu = create_context_menu(item);
    menu->exec(event->globalPos());
    delete menu;
}

void QParamPickTreeView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem *item = itemAt(pos);
    if (event->button() == Qt::LeftButton && item && m_type == VIEW_MULTIPLE_CHOICE
        && columnAt(pos.x()) == CheckColumn) {
        const int state = check_state(item) == Checked ? Unchecked : Checked;
        set_check_state(item, state);
        if (m_item_values.contains(item)) {
            apply_group_rule(item->parent());
        } else {
            for (int i = 0; i < item->childCount(); ++i)
                set_check_state(item->child(i), state);
        }
    }
    QTreeView::mouseReleaseEvent(event);
}

void QParamPickTreeView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    const bool groupRow = m_item_groups.contains(itemFromIndex(index));
    const QColor background = groupRow
                                  ? opt.palette.color(opt.palette.currentColorGroup(), QPalette::Dark)
                                  : ItemBackground;
    painter->fillRect(opt.rect, background);
    opt.palette.setBrush(QPalette::AlternateBase,
                         QBrush(background.lighter(AlternateRowLighten), Qt::SolidPattern));
    QTreeView::drawRow(painter, opt, index);
}

void QParamPickTreeView::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    setColumnWidth(0, header()->width() - CheckColumnReserve);
    setColumnWidth(1, CheckColumnWidth);
}
