#include "qcomparedialog.h"

#include <core/dialogs/qfilechooser.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsafefile.h>
#include <core/qsoftcore.h>

#include <coredata/qcsvfile.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

} // namespace

QCompareDialog::QCompareDialog(QWidget *parent)
    : QDialog(parent)
    , m_target(new QLabel)
    , m_table(new QTreeWidget)
    , m_summary(new QLabel)
    , m_refused_title(new QLabel)
    , m_refused(new QListWidget)
    , m_download(new QPushButton(tr("下载所选")))
    , m_save(new QPushButton(tr("另存为…")))
{
    setObjectName(QStringLiteral("QCompareDialog"));
    setWindowTitle(tr("比较结果"));
    resize(900, 520);

    m_target->setObjectName(QStringLiteral("compareTarget"));
    m_target->setWordWrap(true);
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_target->setVisible(false);
    m_table->setObjectName(QStringLiteral("compareTable"));
    m_table->setRootIsDecorated(false);
    m_table->setAlternatingRowColors(true);
    m_table->setColumnCount(ColumnCount);
    m_table->header()->setSectionsMovable(false);
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    m_summary->setWordWrap(true);
    m_refused_title->setObjectName(QStringLiteral("previewRefusedTitle"));
    m_refused_title->setVisible(false);
    m_refused->setObjectName(QStringLiteral("previewRefused"));
    m_refused->setVisible(false);
    m_download->setObjectName(QStringLiteral("compareDownload"));
    m_save->setObjectName(QStringLiteral("compareSave"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    m_close = buttons->button(QDialogButtonBox::Close);
    m_close->setText(tr("关闭"));
    buttons->addButton(m_download, QDialogButtonBox::ActionRole);
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_download, &QPushButton::clicked, this, [this] {
        const QList<ParamVerify::Write> writes = checked_writes();
        if (writes.isEmpty())
            return;
        if (m_preview)
            accept();
        else
            emit download_requested(writes);
    });
    connect(m_save, &QPushButton::clicked, this, &QCompareDialog::save);
    connect(m_table, &QTreeWidget::itemChanged, this, &QCompareDialog::update_buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_target);
    layout->addWidget(m_table, 3);
    layout->addWidget(m_summary);
    layout->addWidget(m_refused_title);
    layout->addWidget(m_refused, 1);
    layout->addWidget(buttons);
}

void QCompareDialog::set_result(const QList<tagParamDifference> &differences, const QString &left_title,
                                const QString &right_title, const QStringList &problems, bool can_download)
{
    m_differences = differences;
    m_left_title = left_title;
    m_right_title = right_title;
    int only_left = 0;
    int only_right = 0;
    fill_table(can_download, false, &only_left, &only_right);

    QString summary = differences.isEmpty()
        ? tr("%1与%2完全相同。").arg(left_title, right_title)
        : tr("共 %1 个参数不同，其中只在%2中 %3 个，只在%4中 %5 个。")
              .arg(differences.size()).arg(left_title).arg(only_left).arg(right_title).arg(only_right);
    if (!problems.isEmpty())
        summary += QLatin1Char('\n') + tr("%1中有 %2 行无法读取：%3")
                                          .arg(right_title).arg(problems.size()).arg(problems.mid(0, 5).join(tr("；")));
    m_summary->setText(summary);
    m_download->setVisible(can_download);
    update_buttons();
}

void QCompareDialog::set_target(const QString &target)
{
    m_target->setText(tr("目标设备：%1").arg(target));
    m_target->setVisible(!target.isEmpty());
}

void QCompareDialog::set_preview(const QList<tagParamDifference> &differences, const QString &right_title,
                                 const QString &target, const QStringList &refused, int equal)
{
    m_preview = true;
    setObjectName(QStringLiteral("downloadPreview"));
    setWindowTitle(tr("下载预览"));
    m_differences = differences;
    m_left_title = tr("设备");
    m_right_title = right_title;
    int only_left = 0;
    int only_right = 0;
    fill_table(true, true, &only_left, &only_right);
    set_target(target);

    m_summary->setText(tr("%1 个参数与设备不同，勾选的将写入；%2 个与设备相同，不写入。")
                           .arg(differences.size()).arg(equal));
    m_refused->clear();
    m_refused->addItems(refused);
    m_refused_title->setText(tr("%1中有 %2 行不能写入：").arg(right_title).arg(refused.size()));
    m_refused_title->setVisible(!refused.isEmpty());
    m_refused->setVisible(!refused.isEmpty());
    // Nothing is written by Enter alone: the safe answer is the default.
    m_close->setText(tr("取消"));
    m_download->setAutoDefault(false);
    m_save->setAutoDefault(false);
    m_close->setDefault(true);
    m_download->setVisible(true);
    update_buttons();
}

void QCompareDialog::fill_table(bool can_download, bool ticked, int *only_left, int *only_right)
{
    const QString &left_title = m_left_title;
    const QString &right_title = m_right_title;
    m_table->clear();
    m_table->setHeaderLabels({tr("代码"), tr("名称"), left_title, right_title, tr("单位"), tr("说明")});

    QMachine *machine = QSoftCore::get_core()->get_machine();
    QSignalBlocker block(m_table);
    for (int i = 0; i < m_differences.size(); ++i) {
        const tagParamDifference &d = m_differences.at(i);
        auto *item = new QTreeWidgetItem(m_table);
        item->setData(CodeColumn, kIndexRole, i);
        item->setText(CodeColumn, d.code);
        item->setText(LeftColumn, ParamCompare::text_of(d, true));
        item->setText(RightColumn, ParamCompare::text_of(d, false));
        if (d.value) {
            item->setText(NameColumn, d.value->display_name());
            item->setText(UnitColumn, d.value->display_unit());
        }
        QString note;
        if (d.kind == tagParamDifference::OnlyLeft) {
            note = tr("只在%1中").arg(left_title);
            ++*only_left;
        } else if (d.kind == tagParamDifference::OnlyRight) {
            note = d.value ? tr("只在%1中").arg(right_title) : tr("机型描述中没有这个参数");
            ++*only_right;
        }
        // Only what the drive may take: a writable parameter, within its limits.
        bool writable = can_download && d.kind != tagParamDifference::OnlyLeft && d.value && machine
            && machine->check_value_right(d.value);
        if (writable) {
            const QString range = d.value->range_error(d.right);
            if (!range.isEmpty()) {
                writable = false;
                note = range;
            }
        } else if (can_download && d.value && d.kind != tagParamDifference::OnlyLeft && note.isEmpty()) {
            note = tr("只读参数");
        }
        item->setText(NoteColumn, note);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (writable) {
            flags |= Qt::ItemIsUserCheckable;
            item->setCheckState(CodeColumn, ticked ? Qt::Checked : Qt::Unchecked);
        }
        item->setFlags(flags);
    }
    for (int c = 0; c < ColumnCount; ++c)
        m_table->resizeColumnToContents(c);
}

QList<ParamVerify::Write> QCompareDialog::checked_writes() const
{
    QList<ParamVerify::Write> writes;
    for (int i = 0; i < m_table->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_table->topLevelItem(i);
        if (!(item->flags() & Qt::ItemIsUserCheckable) || item->checkState(CodeColumn) != Qt::Checked)
            continue;
        const tagParamDifference &d = m_differences.at(item->data(CodeColumn, kIndexRole).toInt());
        writes.append({d.value, d.right});
    }
    return writes;
}

void QCompareDialog::update_buttons()
{
    m_download->setEnabled(!checked_writes().isEmpty());
    m_save->setEnabled(!m_differences.isEmpty());
}

void QCompareDialog::save()
{
    const QString path = QFileChooser::get_save_file_name(this, tr("保存"), QDir::currentPath(),
                                                          tr("数据文件(*.csv)"));
    if (path.isEmpty())
        return;
    QCSVFile table;
    const QStringList header = {tr("代码"), tr("名称"), m_left_title, m_right_title, tr("单位"), tr("说明")};
    for (int c = 0; c < header.size(); ++c)
        table.set_text(c, 0, header.at(c));
    for (int r = 0; r < m_table->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = m_table->topLevelItem(r);
        for (int c = 0; c < ColumnCount; ++c) {
            // The file has no quoting: a comma would split the cell.
            QString text = item->text(c);
            text.replace(QLatin1Char(','), QLatin1Char(';'));
            table.set_text(c, r + 1, text);
        }
    }
    QString reason;
    if (!QSafeFile::write(path, QLocalCodec::encode(table.save()), &reason)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("比较结果 %1 保存失败：%2").arg(QDir::toNativeSeparators(path), reason));
    }
}
