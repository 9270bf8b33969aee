#pragma once

#include <core/dialogs/qbasedialog.h>

#include <communicate/tagserialconfig.h>

namespace Ui {
class QCommunicateDialog;
}

// Lets the operator choose the serial settings. Run on the stack with
// exec(); afterwards get_ret() tells whether OK was pressed and get_config()
// gives the chosen values. Neither stores settings nor opens the port.
class QCommunicateDialog : public QBaseDialog
{
    Q_OBJECT
public:
    explicit QCommunicateDialog(const tagSerialConfig &config, QWidget *parent = nullptr);
    ~QCommunicateDialog() override;

    int get_ret();
    tagSerialConfig get_config();
    // The stored station was not a whole number in 1..247: the dialog shows
    // 1 and says so.
    void note_invalid_station(const QString &stored);

private slots:
    void on_okBtn_clicked();
    void on_cancelBtn_clicked();

private:
    Ui::QCommunicateDialog *ui;
    tagSerialConfig m_config;
    int m_ret;
};
