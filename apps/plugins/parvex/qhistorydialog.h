#pragma once

#include <paramset/paramsnapshot.h>

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QParamHistory;
class QPushButton;
class QTreeWidget;

// The history of parameter sets: snapshots newest first, filtered by station
// and drive version. One snapshot can be looked at as a table, compared with
// the drive (the page reads the drive; see compare_with_drive) or saved as a
// parameter file a download takes; two can be compared with each other.
class QHistoryDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { TimeColumn = 0, OperationColumn, PortColumn, StationColumn, VersionColumn,
                  SerialColumn, MachineColumn, CountColumn, ColumnCount };

    explicit QHistoryDialog(QWidget *parent = nullptr);

    // Lists the snapshots again (after a new one was recorded).
    void reload();

signals:
    void compare_with_drive(qint64 id);

private:
    QList<qint64> selected_ids() const;
    bool load(qint64 id, tagParamSnapshot *snapshot);
    void fill_filters();
    void update_buttons();
    void show_selected();
    void compare_selected();
    void save_selected();
    // The commissioning report of the selected snapshot, as PDF or HTML.
    void report_selected();

    QComboBox *m_station;
    QComboBox *m_version;
    QTreeWidget *m_table;
    QPushButton *m_show;
    QPushButton *m_compare_two;
    QPushButton *m_compare_drive;
    QPushButton *m_save;
    QPushButton *m_report;
    QLabel *m_problem; // why the history cannot be read, when it cannot
};
