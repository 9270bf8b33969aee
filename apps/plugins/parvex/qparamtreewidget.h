#pragma once

#include <QMap>
#include <QString>
#include <QTreeWidget>

class QMachineValue;
struct tagValueGroup;

// The table of the parameters of one group, with the current value in
// column 2 edited in place through QParamItemDelegate. The group and its
// values belong to the machine model; the table must be emptied
// (clear_params()) before the model goes away. Rows follow their values:
// every value shown is connected once to value_changed().
class QParamTreeWidget : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column {
        CodeColumn = 0,
        NameColumn,
        ValueColumn,
        DefaultColumn,
        MinimumColumn,
        MaximumColumn,
        UnitColumn,
        ColumnCount
    };

    explicit QParamTreeWidget(QWidget *parent = nullptr);

    void clear_params();
    void edit_value_cell(QTreeWidgetItem *item);
    // The value a row shows, or null.
    QMachineValue *value_of_item(QTreeWidgetItem *item) const;
    QMachineValue *value_of_index(const QModelIndex &index) const;

    // Shows only the rows whose value was read and differs from the
    // parameter's default.
    void set_only_changed(bool only);
    bool only_changed() const { return m_only_changed; }
    // True when the value would be shown under the current filter.
    bool passes_filter(QMachineValue *value) const;
    // Makes the row of `code` the current one and scrolls to it.
    bool select_code(const QString &code);

    // The editor's checked value, to be written to the drive (the page
    // writes it and keeps the record); `before` is what the model held.
    void commit_edit(QMachineValue *value, int raw, bool has_before, int before)
    {
        emit edit_committed(value, raw, has_before, before);
    }

signals:
    // "code name: help" of the current row, empty when there is none.
    void help_changed(const QString &text);
    void edit_committed(QMachineValue *value, int raw, bool has_before, int before);

public slots:
    void set_params(tagValueGroup *group);
    void value_changed();
    void update_all();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void fit_columns();
    QMap<QString, QTreeWidgetItem *> m_item_of_code;
    QMap<QTreeWidgetItem *, QString> m_code_of_item;
    void apply_filter(QTreeWidgetItem *item, QMachineValue *value);
    void current_changed(QTreeWidgetItem *item);

    tagValueGroup *m_group = nullptr;
    bool m_only_changed = false;
};
