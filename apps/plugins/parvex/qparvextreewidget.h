#pragma once

#include <QList>
#include <QMap>
#include <QTreeWidget>

struct tagValueGroup;

// The list of parameter groups on the left of the page. One row is marked:
// the group the parameter table shows. The groups belong to the machine
// model; the tree only points to them and must be emptied (clear_groups())
// before the model goes away.
class QParvexTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    explicit QParvexTreeWidget(QWidget *parent = nullptr);

    // Replaces the rows; the first group is marked (and announced) at once.
    void set_groups(const QList<tagValueGroup *> &groups);
    void clear_groups();
    // Marks the row of `group` (and announces it); false when it has none.
    bool select_group(tagValueGroup *group);
    tagValueGroup *current_group() const;

signals:
    // Null when no group is marked any more.
    void select_changed(tagValueGroup *group);

public slots:
    void set_current_item(QTreeWidgetItem *item);
    void update_group();
    void update_all();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QMap<QTreeWidgetItem *, tagValueGroup *> m_group_of_item;
    QTreeWidgetItem *m_current_item = nullptr;
};
