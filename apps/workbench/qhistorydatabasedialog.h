#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

// Where the history of parameter sets and writes is kept: the file beside
// the settings (an empty location), or a plant's PostgreSQL server
// (postgresql://user@host:port/dbname; the password stays in ~/.pgpass and
// is refused here). Stored as "History.Database" when accepted.
class QHistoryDatabaseDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QHistoryDatabaseDialog(QWidget *parent = nullptr);

    // Why a location cannot be used, or an empty string when it can.
    static QString problem_of(const QString &location);

    void accept() override;

private:
    QLineEdit *m_location;
    QLabel *m_problem;
};
