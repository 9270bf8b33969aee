#include "qgroupwidget.h"
#include "ui_qgroupwidget.h"

#include <QPixmap>

QGroupWidget::QGroupWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::QGroupWidget)
{
    ui->setupUi(this);
}

QGroupWidget::~QGroupWidget()
{
    delete ui;
}

void QGroupWidget::set_text(const QString &text)
{
    ui->label_2->setText(text);
    setToolTip(text);
}

void QGroupWidget::set_icon(const QString &path)
{
    ui->label->setPixmap(path.isEmpty() ? QPixmap() : QPixmap(path));
}
