#pragma once

#include <core/core_export.h>

#include <QDialog>

namespace Ui {
class QBaseDialog;
}

// Common base of the program's dialogs. Holds an empty designer form so that
// every dialog starts with the same name, size and title handling; subclasses
// set their own afterwards. The form object is owned and deleted here.
class CORE_EXPORT QBaseDialog : public QDialog
{
    Q_OBJECT
public:
    explicit QBaseDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~QBaseDialog() override;

private:
    Ui::QBaseDialog *ui;
};
