#pragma once

#include <QDialog>

#include <functional>

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

    // Asks for the file to save to; an empty name cancels. The file dialog by
    // default; tests put their own answer here.
    using FileNameProvider = std::function<QString(QWidget *parent)>;
    static void set_file_name_provider(FileNameProvider provider);

    // The saved form of the whole log.
    static QByteArray log_text();

private slots:
    void on_btn_save_clicked();
    void on_btn_cancel_clicked();

private:
    Ui::QLogDialog *ui;
    QLogTreeWidget *m_tree;

    static FileNameProvider m_file_name_provider;
};
