#pragma once

#include <paramset/paramaudit.h>

#include <QDialog>
#include <QList>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QTreeWidget;

// 修改记录: every write to a drive the history holds, newest first, filtered
// by station, parameter, user and time, and saved as a GBK CSV file.
class QAuditDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { TimeColumn = 0, UserColumn, WorkstationColumn, PortColumn, StationColumn,
                  SerialColumn, OperationColumn, CodeColumn, BeforeColumn, AskedColumn, ReadBackColumn,
                  ResultColumn, NoteColumn, ColumnCount };

    explicit QAuditDialog(QWidget *parent = nullptr);

    // Lists the records again with the filters as they are.
    void reload();
    // The records listed now.
    QList<tagWriteRecord> records() const { return m_records; }

private:
    void save();

    QComboBox *m_station;
    QLineEdit *m_code;
    QLineEdit *m_user;
    QCheckBox *m_use_since;
    QDateTimeEdit *m_since;
    QCheckBox *m_use_until;
    QDateTimeEdit *m_until;
    QTreeWidget *m_table;
    QLabel *m_problem;
    QList<tagWriteRecord> m_records;
};
