#include "qlogdialog.h"
#include "qlogtreewidget.h"
#include "ui_qlogdialog.h"

#include <core/dialogs/qfilechooser.h>
#include <coredata/qsafefile.h>
#include <core/qsoftcore.h>

#include <QDir>
#include <QMessageBox>

namespace {
constexpr int DialogWidth = 680;
constexpr int DialogHeight = 352;
constexpr int SeparatorLength = 48;
} // namespace

QLogDialog::QLogDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::QLogDialog)
{
    ui->setupUi(this);
    m_tree = new QLogTreeWidget(this);
    setFixedSize(DialogWidth, DialogHeight);
}

QLogDialog::~QLogDialog()
{
    delete ui;
}

QByteArray QLogDialog::log_text()
{
    const QString separator = QString(SeparatorLength, QLatin1Char('-'));
    QString text;
    const QList<tagErrLog> logs = QSoftCore::get_core()->getErrlogs();
    for (const tagErrLog &log : logs) {
        text += tr("时间：") + QLogTreeWidget::format_time(log.time)
                + QStringLiteral("\r\n");
        text += tr("信息内容:") + log.text + QStringLiteral("\r\n");
        text += separator + QStringLiteral("\r\n\r\n");
    }
    return text.toUtf8();
}

void QLogDialog::on_btn_save_clicked()
{
    const QString file_name = QFileChooser::get_save_file_name(
        this, tr("保存"), QString(), tr("文本文件(*.txt)"));
    if (file_name.isEmpty()) {
        close();
        return;
    }

    // Written whole or not at all: after a failure the old file is intact.
    QString reason;
    if (!QSafeFile::write(file_name, log_text(), &reason)) {
        // Stay open so the operator can choose another file.
        QMessageBox::warning(this, tr("警告"),
                             tr("保存日志文件失败：%1\n%2")
                                 .arg(QDir::toNativeSeparators(file_name), reason),
                             QMessageBox::Ok);
        return;
    }
    close();
}

void QLogDialog::on_btn_cancel_clicked()
{
    close();
}
