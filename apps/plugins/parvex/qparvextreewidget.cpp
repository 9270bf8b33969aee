#include "qparvextreewidget.h"

#include "qgroupwidget.h"

#include <core/dialogs/qbaseitemdelegate.h>
#include <core/qsoftcore.h>
#include <core/style/stylehelper.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/tagvaluegroup.h>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

namespace {

const QString kCheckMark = QStringLiteral(":/images/check.png");

} // namespace

QParvexTreeWidget::QParvexTreeWidget(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("parvexGroupTree"));
    setFrameStyle(QFrame::NoFrame);
    setRootIsDecorated(false);
    setAlternatingRowColors(true);
    setColumnCount(1);
    header()->setVisible(false);
    setItemDelegate(new QBaseItemDelegate(this));

    // The marked row keeps its colour when the focus moves to the table.
    StyleHelper::keepSelectionColorsWhenInactive(this);
    setMinimumSize(200, 200);

    // One click shows a group; the double click that used to be needed
    // still does the same.
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item, int) { set_current_item(item); });
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item, int) { set_current_item(item); });
}

void QParvexTreeWidget::set_groups(const QList<tagValueGroup *> &groups)
{
    clear_groups();
    for (tagValueGroup *group : groups) {
        auto *item = new QTreeWidgetItem(this);
        auto *widget = new QGroupWidget;
        widget->set_text(QMachine::display_name(group));
        setItemWidget(item, 0, widget);
        m_group_of_item.insert(item, group);
        if (!m_current_item)
            set_current_item(item);
    }
}

void QParvexTreeWidget::clear_groups()
{
    set_current_item(nullptr);
    m_group_of_item.clear();
    m_current_item = nullptr;
    clear();
}

void QParvexTreeWidget::set_current_item(QTreeWidgetItem *item)
{
    if (item == m_current_item)
        return;
    if (m_current_item) {
        if (auto *widget = qobject_cast<QGroupWidget *>(itemWidget(m_current_item, 0)))
            widget->set_icon(QString());
    }
    m_current_item = item;
    if (item) {
        if (auto *widget = qobject_cast<QGroupWidget *>(itemWidget(item, 0)))
            widget->set_icon(kCheckMark);
    }
    emit select_changed(m_group_of_item.value(item, nullptr));
}

bool QParvexTreeWidget::select_group(tagValueGroup *group)
{
    for (auto it = m_group_of_item.cbegin(); it != m_group_of_item.cend(); ++it) {
        if (it.value() == group) {
            set_current_item(it.key());
            setCurrentItem(it.key());
            scrollToItem(it.key());
            return true;
        }
    }
    return false;
}

tagValueGroup *QParvexTreeWidget::current_group() const
{
    return m_group_of_item.value(m_current_item, nullptr);
}

void QParvexTreeWidget::update_group()
{
    tagValueGroup *group = m_group_of_item.value(m_current_item, nullptr);
    if (m_current_item && group)
        QSoftCore::get_core()->update_group(group->m_name);
}

void QParvexTreeWidget::update_all()
{
    QSoftCore::get_core()->update_all();
}

void QParvexTreeWidget::contextMenuEvent(QContextMenuEvent *event)
{
    // Refreshing makes sense only while the drive answers.
    if (QSoftCore::get_core()->get_communicate()->commu_status() != 0)
        return;
    QMenu menu(this);
    QAction *refresh = menu.addAction(tr("刷新全部"));
    connect(refresh, &QAction::triggered, this, &QParvexTreeWidget::update_all);
    menu.exec(event->globalPos());
}
