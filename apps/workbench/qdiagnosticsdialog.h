#pragma once

#include <QDialog>
#include <QTimer>

class QLinkStatistics;
class QTableWidget;
struct tagLinkCounters;

// The link's health, live: the counters of the connection and the totals,
// read from the link's statistics a few times a second while the dialog is
// shown (the link sends nothing per exchange). Reset sets both to zero. Not
// modal; the statistics belong to the link and outlive the dialog.
class QDiagnosticsDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 250;

    explicit QDiagnosticsDialog(QLinkStatistics *statistics, QWidget *parent = nullptr);

    // One line for the status bar: the connection's counters in short.
    static QString summary(const tagLinkCounters &c);

public slots:
    void refresh();
    void reset();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QLinkStatistics *m_statistics;
    QTableWidget *m_table;
    QTimer m_timer;
};
