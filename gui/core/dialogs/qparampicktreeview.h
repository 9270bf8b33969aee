#pragma once

#include <core/core_export.h>

#include <QIcon>
#include <QList>
#include <QMap>
#include <QTreeWidget>

class QMachineValue;
class QMenu;

// 0: one parameter at a time (never built by the program);
// 1: tick any number of parameters, with a check column.
enum enViewType {
    VIEW_SINGLE_CHOICE = 0,
    VIEW_MULTIPLE_CHOICE = 1
};

// Two-level tree of the current machine model (groups, then parameters) in
// which the operator ticks parameters. The check state of each row lives in
// the row (user role of column 1: 0, 1 or 2 as Qt::CheckState) with the
// matching icon as its decoration; group rows follow their children. Rows
// belong to the tree; the parameters belong to the machine model.
class CORE_EXPORT QParamPickTreeView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit QParamPickTreeView(enViewType type, QWidget *parent = nullptr);
    ~QParamPickTreeView() override;

    // Rebuilds the tree from QSoftCore's current machine model; nothing ticked.
    void init();
    // Rebuilds the tree as one group of the given values (the runtime
    // values, which belong to no parameter group); nothing ticked.
    void init(const QString &group, const QList<QMachineValue *> &values);
    void clear();

    void set_checked(QMachineValue *value, bool checked);
    // Ticked parameters, group by group in tree order.
    QList<QMachineValue *> get_checked();

    // The context menu for a right click on `item` (null: empty space). The
    // caller owns the menu; contextMenuEvent shows it modally.
    QMenu *create_context_menu(QTreeWidgetItem *item);

public slots:
    void select_all();
    void unselect_all();
    void select_group();
    void unselect_group();
    void select();
    void unselect();
    void turn_select_group();
    void turn_select_all();

protected:
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // name is the group's key; shown, when given, what the tree shows for it.
    void add_group(const QString &name, const QList<QMachineValue *> &values,
                   const QString &shown = QString());
    static int check_state(const QTreeWidgetItem *item);
    void set_check_state(QTreeWidgetItem *item, int state);
    // A group row's state from its children: 2 all (or none there), 1 some, 0 none.
    void apply_group_rule(QTreeWidgetItem *group);

    QMap<QString, QTreeWidgetItem *> m_group_items;
    QMap<QTreeWidgetItem *, QString> m_item_groups;
    QMap<QTreeWidgetItem *, QMachineValue *> m_item_values;
    QMap<QMachineValue *, QTreeWidgetItem *> m_value_items;
    enViewType m_type;
    QTreeWidgetItem *m_current_item;
    QIcon m_unchecked_icon;
    QIcon m_partial_icon;
    QIcon m_checked_icon;
};
