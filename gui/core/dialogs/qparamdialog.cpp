#include "qparamdialog.h"
#include "qparampicktreeview.h"
#include "ui_qparamdialog.h"

#include <QMessageBox>

QParamDialog::QParamDialog(QWidget *parent)
    : QBaseDialog(parent, Qt::WindowTitleHint)
    , ui(new Ui::QParamDialog)
    , m_tree_view(nullptr)
    , m_ret(0)
{
    // The base form has named the dialog "QBaseDialog"; this form names it
    // after itself, so it can be found as "QParamDialog".
    setObjectName(QString());
    ui->setupUi(this);
    m_tree_view = new QParamPickTreeView(VIEW_MULTIPLE_CHOICE, this);
    m_tree_view->setObjectName(QStringLiteral("treeView"));
    ui->verticalLayout->insertWidget(0, m_tree_view, 1);
}

QParamDialog::~QParamDialog()
{
    delete ui;
}

void QParamDialog::init()
{
    m_tree_view->init();
}

void QParamDialog::init(const QString &group, const QList<QMachineValue *> &values)
{
    m_tree_view->init(group, values);
}

int QParamDialog::show_param(const QList<QMachineValue *> &values)
{
    m_ret = 0;
    for (QMachineValue *value : values)
        m_tree_view->set_checked(value, true);
    m_tree_view->collapseAll();
    return exec();
}

QList<QMachineValue *> QParamDialog::get_check_param()
{
    return m_tree_view->get_checked();
}

int QParamDialog::get_ret()
{
    return m_ret;
}

void QParamDialog::on_okBtn_clicked()
{
    if (m_tree_view->get_checked().isEmpty()) {
        QMessageBox::critical(this, tr("警告"), tr("什么都没有选！"),
                              QMessageBox::Ok);
        return;
    }
    m_ret = 1;
    close();
}

void QParamDialog::on_cancelBtn_clicked()
{
    close();
}
