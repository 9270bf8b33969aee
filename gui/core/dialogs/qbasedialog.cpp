#include "qbasedialog.h"
#include "ui_qbasedialog.h"

QBaseDialog::QBaseDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
    , ui(new Ui::QBaseDialog)
{
    ui->setupUi(this);
}

QBaseDialog::~QBaseDialog()
{
    delete ui;
}
