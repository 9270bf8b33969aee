#include "qhistorydialog.h"

#include "parvexhistory.h"
#include "qauditdialog.h"
#include "qcomparedialog.h"

#include <paramset/paramcompare.h>
#include <paramset/paramsetfile.h>
#include <paramset/qparamhistory.h>
#include <report/paramreport.h>

#include <core/dialogs/qfilechooser.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIdRole = Qt::UserRole + 1;

QString version_text(int version)
{
    return version < 0 ? QStringLiteral("-") : QString::number(version);
}

} // namespace

QHistoryDialog::QHistoryDialog(QWidget *parent)
    : QDialog(parent)
    , m_station(new QComboBox)
    , m_version(new QComboBox)
    , m_table(new QTreeWidget)
    , m_show(new QPushButton(tr("查看")))
    , m_compare_two(new QPushButton(tr("比较两项")))
    , m_compare_drive(new QPushButton(tr("与设备比较")))
    , m_save(new QPushButton(tr("另存为参数文件…")))
    , m_report(new QPushButton(tr("导出报告…")))
    , m_problem(new QLabel)
{
    setObjectName(QStringLiteral("QHistoryDialog"));
    setWindowTitle(tr("历史记录"));
    resize(860, 480);

    m_station->setObjectName(QStringLiteral("historyStation"));
    m_version->setObjectName(QStringLiteral("historyVersion"));
    m_table->setObjectName(QStringLiteral("historyTable"));
    m_show->setObjectName(QStringLiteral("historyShow"));
    m_compare_two->setObjectName(QStringLiteral("historyCompareTwo"));
    m_compare_drive->setObjectName(QStringLiteral("historyCompareDrive"));
    m_save->setObjectName(QStringLiteral("historySave"));
    m_problem->setObjectName(QStringLiteral("historyProblem"));
    m_problem->setWordWrap(true);
    m_problem->setVisible(false);

    m_table->setRootIsDecorated(false);
    m_table->setAlternatingRowColors(true);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setHeaderLabels({tr("时间"), tr("操作"), tr("端口"), tr("站号"), tr("设备版本"), tr("设备序列号"),
                              tr("机型"), tr("参数个数")});
    m_table->header()->setSectionsMovable(false);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(tr("站号")));
    filters->addWidget(m_station);
    filters->addWidget(new QLabel(tr("设备版本")));
    filters->addWidget(m_version);
    filters->addStretch(1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    for (QPushButton *button : {m_show, m_compare_two, m_compare_drive, m_save})
        buttons->addButton(button, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The writes to drives, apart from the parameter sets.
    auto *audit = new QPushButton(tr("修改记录…"));
    audit->setObjectName(QStringLiteral("historyAudit"));
    filters->addWidget(audit);
    connect(audit, &QPushButton::clicked, this, [this] {
        QAuditDialog dialog(this);
        dialog.exec();
    });
    m_report->setObjectName(QStringLiteral("historyReport"));
    buttons->addButton(m_report, QDialogButtonBox::ActionRole);
    connect(m_report, &QPushButton::clicked, this, &QHistoryDialog::report_selected);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(m_show, &QPushButton::clicked, this, &QHistoryDialog::show_selected);
    connect(m_compare_two, &QPushButton::clicked, this, &QHistoryDialog::compare_selected);
    connect(m_compare_drive, &QPushButton::clicked, this, [this] {
        const QList<qint64> ids = selected_ids();
        if (ids.size() == 1)
            emit compare_with_drive(ids.first());
    });
    connect(m_save, &QPushButton::clicked, this, &QHistoryDialog::save_selected);
    connect(m_table, &QTreeWidget::itemSelectionChanged, this, &QHistoryDialog::update_buttons);
    connect(m_table, &QTreeWidget::itemDoubleClicked, this, &QHistoryDialog::show_selected);

    fill_filters();
    connect(m_station, &QComboBox::currentIndexChanged, this, &QHistoryDialog::reload);
    connect(m_version, &QComboBox::currentIndexChanged, this, &QHistoryDialog::reload);
    reload();
}

void QHistoryDialog::fill_filters()
{
    QParamHistory *history = ParvexHistory::database(this);
    m_station->addItem(tr("全部"), -1);
    m_version->addItem(tr("全部"), -1);
    if (!history)
        return;
    for (int station : history->stations())
        m_station->addItem(QString::number(station), station);
    for (int version : history->drive_versions()) {
        if (version >= 0)
            m_version->addItem(QString::number(version), version);
    }
}

void QHistoryDialog::reload()
{
    m_table->clear();
    // A history that cannot be read says so here: an empty list would claim
    // that nothing was ever recorded.
    const auto show_problem = [this](const QString &reason) {
        m_problem->setText(tr("无法读取历史记录：%1").arg(reason));
        m_problem->setVisible(true);
        update_buttons();
    };
    QParamHistory *history = ParvexHistory::database(this);
    if (!history) {
        show_problem(ParvexHistory::error_string());
        return;
    }
    tagHistoryFilter filter;
    filter.station = m_station->currentData().toInt();
    filter.drive_version = m_version->currentData().toInt();
    bool ok = false;
    const QList<tagParamSnapshot> snapshots = history->list(filter, &ok);
    if (!ok) {
        show_problem(history->error_string());
        return;
    }
    m_problem->setVisible(false);
    const QMachine *current = QSoftCore::get_core()->get_machine();
    for (const tagParamSnapshot &s : snapshots) {
        auto *item = new QTreeWidgetItem(m_table);
        item->setData(TimeColumn, kIdRole, s.id);
        item->setText(TimeColumn, s.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        item->setText(OperationColumn, ParamSnapshot::title_of(s));
        item->setText(PortColumn, s.port);
        item->setText(StationColumn, QString::number(s.station));
        item->setText(VersionColumn, version_text(s.drive_version));
        item->setText(SerialColumn, s.drive_serial);
        // The stored name is the description's own; the model of that
        // description names it in the interface's language.
        const bool same_machine = current && !s.machine_name.isEmpty() && s.machine_name == current->get_name();
        QStringList machine = {same_machine ? current->display_name() : s.machine_name, s.machine_type,
                               s.machine_version};
        machine.removeAll(QString());
        item->setText(MachineColumn, machine.join(QLatin1Char(' ')));
        item->setText(CountColumn, QString::number(s.value_count));
    }
    for (int c = 0; c < ColumnCount; ++c)
        m_table->resizeColumnToContents(c);
    if (m_table->topLevelItemCount() > 0)
        m_table->setCurrentItem(m_table->topLevelItem(0));
    update_buttons();
}

QList<qint64> QHistoryDialog::selected_ids() const
{
    QList<qint64> ids;
    for (int i = 0; i < m_table->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_table->topLevelItem(i);
        if (item->isSelected())
            ids.append(item->data(TimeColumn, kIdRole).toLongLong());
    }
    return ids;
}

void QHistoryDialog::update_buttons()
{
    const int n = int(selected_ids().size());
    const bool online = QSoftCore::get_core()->get_communicate()->commu_status() == 0
        && QSoftCore::get_core()->get_machine();
    m_show->setEnabled(n == 1);
    m_save->setEnabled(n == 1);
    m_report->setEnabled(n == 1);
    m_compare_drive->setEnabled(n == 1 && online);
    m_compare_two->setEnabled(n == 2);
}

bool QHistoryDialog::load(qint64 id, tagParamSnapshot *snapshot)
{
    QParamHistory *history = ParvexHistory::database(this);
    if (history && history->load(id, snapshot))
        return true;
    QMessageBox::warning(this, tr("警告"), tr("无法读取历史记录：%1")
                                               .arg(history ? history->error_string() : QString()));
    return false;
}

void QHistoryDialog::show_selected()
{
    const QList<qint64> ids = selected_ids();
    tagParamSnapshot s;
    if (ids.size() != 1 || !load(ids.first(), &s))
        return;
    QMachine *machine = QSoftCore::get_core()->get_machine();
    QDialog view(this);
    view.setObjectName(QStringLiteral("historySnapshotView"));
    view.setWindowTitle(tr("历史记录 %1 %2").arg(s.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                               ParamSnapshot::title_of(s)));
    view.resize(760, 520);
    auto *table = new QTreeWidget;
    table->setObjectName(QStringLiteral("historySnapshotTable"));
    table->setRootIsDecorated(false);
    table->setAlternatingRowColors(true);
    table->setHeaderLabels({tr("代码"), tr("名称"), tr("值"), tr("单位"), tr("原始值")});
    for (const tagParamRaw &entry : std::as_const(s.values)) {
        auto *item = new QTreeWidgetItem(table);
        item->setText(0, entry.code);
        QMachineValue *value = machine ? machine->get_value(entry.code) : nullptr;
        if (value) {
            item->setText(1, value->display_name());
            item->setText(2, value->text_of_raw(entry.raw));
            item->setText(3, value->display_unit());
        }
        item->setText(4, QString::number(entry.raw));
    }
    // Written, but never read back: what the drive holds is not known.
    for (const QString &code : std::as_const(s.unknown)) {
        auto *item = new QTreeWidgetItem(table);
        item->setText(0, code);
        if (QMachineValue *value = machine ? machine->get_value(code) : nullptr)
            item->setText(1, value->display_name());
        item->setText(2, tr("未知"));
    }
    table->resizeColumnToContents(0);
    table->resizeColumnToContents(1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    connect(buttons, &QDialogButtonBox::rejected, &view, &QDialog::reject);
    auto *layout = new QVBoxLayout(&view);
    layout->addWidget(table);
    layout->addWidget(buttons);
    view.exec();
}

void QHistoryDialog::compare_selected()
{
    const QList<qint64> ids = selected_ids();
    tagParamSnapshot older;
    tagParamSnapshot newer;
    // The list is newest first: the later one on the left.
    if (ids.size() != 2 || !load(ids.at(0), &newer) || !load(ids.at(1), &older))
        return;
    const QString left = tr("记录 %1").arg(newer.time.toLocalTime().toString(QStringLiteral("MM-dd HH:mm:ss")));
    const QString right = tr("记录 %1").arg(older.time.toLocalTime().toString(QStringLiteral("MM-dd HH:mm:ss")));
    QCompareDialog dialog(this);
    dialog.set_result(ParamCompare::compare(newer.values, older.values, QSoftCore::get_core()->get_machine()),
                      left, right, QStringList(), false);
    dialog.exec();
}

void QHistoryDialog::save_selected()
{
    const QList<qint64> ids = selected_ids();
    tagParamSnapshot s;
    if (ids.size() != 1 || !load(ids.first(), &s))
        return;
    const QString path = QFileChooser::get_save_file_name(this, tr("保存"), QDir::currentPath(),
                                                          tr("数据文件(*.csv)"));
    if (path.isEmpty())
        return;
    const QByteArray bytes =
        QLocalCodec::encode(ParamSnapshot::to_table(s, QSoftCore::get_core()->get_machine()).save());
    QString reason;
    if (!QSafeFile::write(path, bytes, &reason)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("参数文件 %1 保存失败：%2").arg(QDir::toNativeSeparators(path), reason));
    }
}

void QHistoryDialog::report_selected()
{
    const QList<qint64> ids = selected_ids();
    QParamHistory *history = ParvexHistory::database(this);
    if (ids.size() != 1 || !history)
        return;
    QString path = QFileChooser::get_save_file_name(this, tr("导出报告"), QString(),
                                                    tr("PDF 文件(*.pdf);;HTML 文件(*.html)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    tagReportData data;
    QString reason;
    if (!ParamReport::gather(history, ids.first(), QDateTime(), &data, &reason)
        || !ParamReport::write(path, data, QSoftCore::get_core()->get_machine(), &reason)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("报告 %1 保存失败：%2").arg(QDir::toNativeSeparators(path), reason));
    }
}
