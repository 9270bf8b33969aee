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
    // writes it and keeps the record); `before` is what the model held. The
    // row loses an earlier mark.
    void commit_edit(QMachineValue *value, int raw, bool has_before, int before);
    // How the write of an edit ended: `error` the write's error code (0 when
    // the drive took it), the read-back's value when there was one, and the
    // first failure's code otherwise. A refused write, a failed read-back
    // or a value the drive keeps differently marks the row; the status line
    // says what happened either way.
    void edit_finished(QMachineValue *value, int raw, int error, bool has_read_back, int read_back,
                       int failure);
    // Why the last edit of `code` did not end as typed, empty when it did.
    QString mark_of(const QString &code) const { return m_marks.value(code); }
    // The model goes away: its marks go with it.
    void forget_marks() { m_marks.clear(); }
    // While the drive is not answering, the table is greyed: what it shows
    // is the last thing read, not the drive's present state.
    void set_stale(bool stale);

    // Edits go to an open parameter file instead of the drive.
    void set_file_edit(bool file) { m_file_edit = file; }
    bool file_edit() const { return m_file_edit; }
    // A change kept for a later write: its row shows it in place of the
    // drive's value, marked, with both in the tool tip, whatever a read
    // of the drive brings meanwhile. Kept by code across groups.
    void set_pending(const QString &code, bool pending, int raw = 0);
    QMap<QString, int> pending() const { return m_pending; }
    void forget_pending();
    // Rows of an open file changed since it was saved: code to what the
    // file holds (empty when it does not have the parameter). Marked as a
    // kept change is.
    void set_unsaved(const QMap<QString, QString> &file_texts);
    // What the row of `value` shows: the kept change, else the model's
    // value; false when it shows neither.
    bool shown_raw(QMachineValue *value, int *raw) const;

signals:
    // "code name: help" of the current row, empty when there is none.
    void help_changed(const QString &text);
    void edit_committed(QMachineValue *value, int raw, bool has_before, int before);

public slots:
    void set_params(tagValueGroup *group);
    void value_changed();
    void update_all();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Short columns take their texts' width; the name and the value share
    // what the table's width leaves, so the unit is never cut off.
    void fit_columns();
    // The widest text the value column may have to show for the group:
    // every choice, or the default and the limits a number lies between.
    int value_width_wanted() const;
    QMap<QString, QTreeWidgetItem *> m_item_of_code;
    QMap<QTreeWidgetItem *, QString> m_code_of_item;
    void apply_filter(QTreeWidgetItem *item, QMachineValue *value);
    void current_changed(QTreeWidgetItem *item);
    void mark_row(const QString &code, const QString &reason);
    void show_mark(QTreeWidgetItem *item, QMachineValue *value);
    void show_value(QTreeWidgetItem *item, QMachineValue *value);

    tagValueGroup *m_group = nullptr;
    bool m_only_changed = false;
    // Rows whose last edit the drive refused or changed: code to the reason.
    // Kept across groups so the mark is still there when the group comes back.
    QMap<QString, QString> m_marks;
    // Changes kept for a later write: code to raw value.
    QMap<QString, int> m_pending;
    QMap<QString, QString> m_unsaved;
    bool m_file_edit = false;
};
