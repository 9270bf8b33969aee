#pragma once

#include <core/core_export.h>
#include "qbasedialog.h"

#include <QList>

class QMachineValue;
class QParamPickTreeView;

namespace Ui {
class QParamDialog;
}

// Modal dialog in which the operator ticks parameters of the connected drive.
// The soft core owns the one instance through its Qt parent (the main window)
// and calls init() whenever it builds a new machine model. Callers read the
// outcome with get_ret() (1 = confirmed) and get_check_param(), not with the
// result of exec(): the dialog is closed, never accepted.
class CORE_EXPORT QParamDialog : public QBaseDialog
{
    Q_OBJECT
public:
    explicit QParamDialog(QWidget *parent = nullptr);
    ~QParamDialog() override;

    // Rebuilds the tree from the current machine model; nothing is ticked.
    void init();
    // Rebuilds the tree as one group of the given values; nothing is ticked.
    void init(const QString &group, const QList<QMachineValue *> &values);
    // Ticks the given values (earlier ticks stay), collapses the groups and
    // runs the dialog modally. Returns the result of exec().
    int show_param(const QList<QMachineValue *> &values);
    QList<QMachineValue *> get_check_param();
    int get_ret();

private slots:
    void on_okBtn_clicked();
    void on_cancelBtn_clicked();

private:
    Ui::QParamDialog *ui;
    QParamPickTreeView *m_tree_view;
    int m_ret;
};
