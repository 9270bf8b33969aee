#pragma once

#include <core/dialogs/qbasedialog.h>

namespace Ui {
class QGroupMissionProgressDialog;
}

// Follows the mission groups of the link's mission manager: shown modally
// while a group runs, it reports the outcome when the group ends. The main
// window owns it while the link is online and deletes it when the link goes
// down, possibly while start() still sits in the dialog's modal loop; a group
// that is still running then is reported as failed, once, by the destructor.
class QGroupMissionProgressDialog : public QBaseDialog
{
    Q_OBJECT
public:
    explicit QGroupMissionProgressDialog(QWidget *parent = nullptr);
    ~QGroupMissionProgressDialog() override;

protected slots:
    void start(int size);
    void progress(int value);
    void end(bool success);

private:
    void set_percent_text(const QString &text);

    Ui::QGroupMissionProgressDialog *ui;
    int m_total;
};
