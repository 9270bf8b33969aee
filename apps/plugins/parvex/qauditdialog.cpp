#include "qauditdialog.h"

#include "parvexhistory.h"

#include <paramset/qparamhistory.h>

#include <core/dialogs/qfilechooser.h>
#include <core/qsoftcore.h>
#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// A raw value as the description shows it, with the raw value beside it;
// "-" when the value is not known.
QString value_text(const QString &code, bool known, int raw)
{
    if (!known)
        return QStringLiteral("-");
    QMachine *machine = QSoftCore::get_core()->get_machine();
    QMachineValue *value = machine ? machine->get_value(code) : nullptr;
    if (!value)
        return QString::number(raw);
    return QStringLiteral("%1 (%2)").arg(value->text_of_raw(raw)).arg(raw);
}

QStringList row_of(const tagWriteRecord &w)
{
    QStringList row;
    row << w.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << w.user_name << w.workstation
        << w.port << QString::number(w.station) << w.drive_serial << ParamAudit::operation_text(w.operation) << w.code
        << value_text(w.code, w.has_before, w.before) << value_text(w.code, true, w.asked)
        << value_text(w.code, w.has_read_back, w.read_back) << ParamAudit::result_text(w) << w.note;
    return row;
}

} // namespace

QAuditDialog::QAuditDialog(QWidget *parent)
    : QDialog(parent)
    , m_station(new QComboBox)
    , m_code(new QLineEdit)
    , m_user(new QLineEdit)
    , m_use_since(new QCheckBox(tr("从")))
    , m_since(new QDateTimeEdit)
    , m_use_until(new QCheckBox(tr("到")))
    , m_until(new QDateTimeEdit)
    , m_table(new QTreeWidget)
    , m_problem(new QLabel)
{
    setObjectName(QStringLiteral("QAuditDialog"));
    setWindowTitle(tr("修改记录"));
    resize(1100, 520);

    m_station->setObjectName(QStringLiteral("auditStation"));
    m_code->setObjectName(QStringLiteral("auditCode"));
    m_user->setObjectName(QStringLiteral("auditUser"));
    m_use_since->setObjectName(QStringLiteral("auditUseSince"));
    m_since->setObjectName(QStringLiteral("auditSince"));
    m_use_until->setObjectName(QStringLiteral("auditUseUntil"));
    m_until->setObjectName(QStringLiteral("auditUntil"));
    m_table->setObjectName(QStringLiteral("auditTable"));
    m_problem->setObjectName(QStringLiteral("auditProblem"));
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);
    m_code->setPlaceholderText(tr("全部"));
    m_user->setPlaceholderText(tr("全部"));
    const QDateTime now = QDateTime::currentDateTime();
    m_since->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_until->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_since->setDateTime(now.addDays(-30));
    m_until->setDateTime(now);
    m_since->setEnabled(false);
    m_until->setEnabled(false);

    m_table->setRootIsDecorated(false);
    m_table->setAlternatingRowColors(true);
    m_table->setHeaderLabels({tr("时间"), tr("用户"), tr("工作站"), tr("端口"), tr("站号"), tr("设备序列号"),
                              tr("操作"), tr("代码"),
                              tr("之前"), tr("要求"), tr("读回"), tr("结果"), tr("备注")});
    m_table->header()->setSectionsMovable(false);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(tr("站号")));
    filters->addWidget(m_station);
    filters->addWidget(new QLabel(tr("参数")));
    filters->addWidget(m_code);
    filters->addWidget(new QLabel(tr("用户")));
    filters->addWidget(m_user);
    filters->addWidget(m_use_since);
    filters->addWidget(m_since);
    filters->addWidget(m_use_until);
    filters->addWidget(m_until);
    filters->addStretch(1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    auto *save = new QPushButton(tr("导出 CSV…"));
    save->setObjectName(QStringLiteral("auditSave"));
    buttons->addButton(save, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &QAuditDialog::save);
    // Return in a filter field applies the filter; it must not also press
    // a button of the dialog.
    for (QPushButton *button : {save, buttons->button(QDialogButtonBox::Close)}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    m_station->addItem(tr("全部"), -1);
    if (QParamHistory *history = ParvexHistory::database(this)) {
        for (int station : history->stations())
            m_station->addItem(QString::number(station), station);
    }
    connect(m_station, &QComboBox::currentIndexChanged, this, &QAuditDialog::reload);
    connect(m_code, &QLineEdit::editingFinished, this, &QAuditDialog::reload);
    connect(m_user, &QLineEdit::editingFinished, this, &QAuditDialog::reload);
    connect(m_use_since, &QCheckBox::toggled, m_since, &QWidget::setEnabled);
    connect(m_use_until, &QCheckBox::toggled, m_until, &QWidget::setEnabled);
    connect(m_use_since, &QCheckBox::toggled, this, &QAuditDialog::reload);
    connect(m_use_until, &QCheckBox::toggled, this, &QAuditDialog::reload);
    connect(m_since, &QDateTimeEdit::editingFinished, this, &QAuditDialog::reload);
    connect(m_until, &QDateTimeEdit::editingFinished, this, &QAuditDialog::reload);
    reload();
}

void QAuditDialog::reload()
{
    m_table->clear();
    m_records.clear();
    QParamHistory *history = ParvexHistory::database(this);
    tagAuditFilter filter;
    filter.station = m_station->currentData().toInt();
    filter.code = m_code->text().trimmed();
    filter.user_name = m_user->text().trimmed();
    if (m_use_since->isChecked())
        filter.since = m_since->dateTime().toUTC();
    if (m_use_until->isChecked())
        filter.until = m_until->dateTime().toUTC();
    bool ok = false;
    const QList<tagWriteRecord> records = history ? history->audit(filter, &ok) : QList<tagWriteRecord>();
    if (!ok) {
        // Not the same as no writes at all.
        m_problem->setText(tr("无法读取修改记录：%1")
                               .arg(history ? history->error_string() : ParvexHistory::error_string()));
        m_problem->setVisible(true);
        return;
    }
    m_problem->setVisible(false);
    m_records = records;
    for (const tagWriteRecord &w : records) {
        auto *item = new QTreeWidgetItem(m_table, row_of(w));
        if (w.result != ParamAudit::written())
            item->setForeground(ResultColumn, QColor(0xc0, 0, 0));
    }
    for (int c = 0; c < ColumnCount; ++c)
        m_table->resizeColumnToContents(c);
}

void QAuditDialog::save()
{
    const QString path = QFileChooser::get_save_file_name(this, tr("导出修改记录"), QString(), tr("数据文件(*.csv)"));
    if (path.isEmpty())
        return;
    QCSVFile table;
    const QStringList header = {tr("时间"), tr("用户"), tr("工作站"), tr("端口"), tr("站号"), tr("设备序列号"),
                              tr("操作"), tr("代码"),
                                tr("之前"), tr("要求"), tr("读回"), tr("结果"), tr("备注")};
    for (int c = 0; c < header.size(); ++c)
        table.set_text(c, 0, header.at(c));
    for (int r = 0; r < m_records.size(); ++r) {
        const QStringList row = row_of(m_records.at(r));
        // The file has no quoting: a comma or a line break in a cell (a
        // note, a name) would shift or split the row.
        for (int c = 0; c < row.size(); ++c) {
            QString cell = row.at(c);
            cell.replace(QLatin1Char(','), QLatin1Char(';')).replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
            table.set_text(c, r + 1, cell);
        }
    }
    QString reason;
    if (!QSafeFile::write(path, QLocalCodec::encode(table.save()), &reason)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("文件 %1 保存失败：%2").arg(QDir::toNativeSeparators(path), reason));
    }
}
