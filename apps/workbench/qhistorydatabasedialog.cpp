#include "qhistorydatabasedialog.h"

#include <core/qsoftcore.h>
#include <paramset/qparamhistory.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kKey = QStringLiteral("History.Database");

} // namespace

QHistoryDatabaseDialog::QHistoryDatabaseDialog(QWidget *parent)
    : QDialog(parent)
    , m_location(new QLineEdit)
    , m_problem(new QLabel)
{
    setObjectName(QStringLiteral("QHistoryDatabaseDialog"));
    setWindowTitle(tr("历史记录位置"));
    auto *layout = new QVBoxLayout(this);
    auto *help = new QLabel(tr("留空：历史记录保存在本机设置文件旁的 history.sqlite。\n"
                               "填写服务器：postgresql://用户@主机:端口/数据库，同一工厂的工作站共用一个记录；\n"
                               "密码写在 ~/.pgpass 中。服务器不可用时，记录先存在本机，恢复后按顺序发送。"));
    help->setWordWrap(true);
    layout->addWidget(help);
    m_location->setObjectName(QStringLiteral("historyDatabase"));
    m_location->setPlaceholderText(QStringLiteral("postgresql://vantorel@archive:5432/vantorel"));
    m_location->setText(QSoftCore::get_core()->get_setting_value(kKey).toString());
    m_location->setMinimumWidth(420);
    layout->addWidget(m_location);
    m_problem->setObjectName(QStringLiteral("historyDatabaseProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c00000;"));
    m_problem->hide();
    layout->addWidget(m_problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QHistoryDatabaseDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QHistoryDatabaseDialog::reject);
    layout->addWidget(buttons);
}

QString QHistoryDatabaseDialog::problem_of(const QString &location)
{
    const QString text = location.trimmed();
    if (text.isEmpty())
        return QString();
    if (!QParamHistory::is_server_location(text))
        return tr("应为 postgresql://用户@主机:端口/数据库，或留空");
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty() || url.path().size() < 2)
        return tr("应为 postgresql://用户@主机:端口/数据库，或留空");
    if (!url.password().isEmpty())
        return tr("地址中不能有密码，请写在 ~/.pgpass 中");
    return QString();
}

void QHistoryDatabaseDialog::accept()
{
    const QString problem = problem_of(m_location->text());
    if (!problem.isEmpty()) {
        m_problem->setText(problem);
        m_problem->show();
        return;
    }
    QSoftCore::get_core()->set_setting_value(kKey, m_location->text().trimmed());
    QDialog::accept();
}
