#include "qlogdialog.h"
#include "qlogtreewidget.h"
#include "ui_qlogdialog.h"

#include "qsoftcore.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>

namespace {
constexpr int DialogWidth = 680;
constexpr int DialogHeight = 352;
constexpr int SeparatorLength = 48;
} // namespace

QLogDialog::FileNameProvider QLogDialog::m_file_name_provider;

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

void QLogDialog::set_file_name_provider(FileNameProvider provider)
{
    m_file_name_provider = std::move(provider);
}

QByteArray QLogDialog::log_text()
{
    const QString separator = QString(SeparatorLength, QLatin1Char('-'));
    QString text;
    const QList<tagErrLog> logs = QSoftCore::get_core()->getErrlogs();
    for (const tagErrLog &log : logs) {
        text += QStringLiteral("时间：") + QLogTreeWidget::format_time(log.time)
                + QStringLiteral("\r\n");
        text += QStringLiteral("信息内容:") + log.text + QStringLiteral("\r\n");
        text += separator + QStringLiteral("\r\n\r\n");
    }
    return text.toUtf8();
}

void QLogDialog::on_btn_save_clicked()
{
    const QString file_name = m_file_name_provider
        ? m_file_name_provider(this)
        : QFileDialog::getSaveFileName(this, QStringLiteral("保存"), QDir::currentPath(),
                                       QStringLiteral("文本文件(*.txt)"));
    if (file_name.isEmpty()) {
        close();
        return;
    }

    // Written whole or not at all: after a failure the old file is intact.
    QSaveFile file(file_name);
    bool written = file.open(QIODevice::WriteOnly);
    if (written) {
        const QByteArray bytes = log_text();
        written = file.write(bytes) == bytes.size() && file.commit();
        if (!written)
            file.cancelWriting();
    }
    if (!written) {
        // Stay open so the operator can choose another file.
        QMessageBox::warning(this, QStringLiteral("警告"),
                             QStringLiteral("保存日志文件失败：%1\n%2")
                                 .arg(QDir::toNativeSeparators(file_name), file.errorString()),
                             QMessageBox::Ok);
        return;
    }
    close();
}

void QLogDialog::on_btn_cancel_clicked()
{
    close();
}
