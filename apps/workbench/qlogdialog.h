#pragma once

#include <QDialog>

class QLogTreeWidget;

namespace Ui {
class QLogDialog;
}

// Shows the core's error log and saves it as a text file (UTF-8, CRLF). Run
// modally without a parent at the end of a mission group.
class QLogDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QLogDialog(QWidget *parent = nullptr);
    ~QLogDialog() override;

    // The saved form of the whole log.
    static QByteArray log_text();

private slots:
    void on_btn_save_clicked();
    void on_btn_cancel_clicked();

private:
    Ui::QLogDialog *ui;
    QLogTreeWidget *m_tree;
};
