#include "qsearchdialog.h"

#include <communicate/services/qlinkerrortext.h>

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Problems shown under the list at most; the tool tip holds them all.
constexpr int SHOWN_PROBLEMS = 3;
constexpr int MAX_WAIT_MS = 5000;

QString parity_text(char parity)
{
    switch (parity) {
    case 'e': return QSearchDialog::tr("偶校验");
    case 'o': return QSearchDialog::tr("奇校验");
    default: return QSearchDialog::tr("无校验");
    }
}

QString framing_text(const tagFraming &f)
{
    return f.name();
}

} // namespace

QSearchDialog::QSearchDialog(const QString &port_name, QWidget *parent)
    : QDialog(parent)
    , m_search(new QDeviceSearch(this))
{
    setObjectName(QStringLiteral("QSearchDialog"));
    setWindowTitle(tr("搜索设备"));
    setProperty("no-ManhattanStyle", true);

    // What to try.
    m_ports = new QListWidget;
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setMaximumHeight(90);
    QStringList system_ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        system_ports.append(info.systemLocation());
    std::sort(system_ports.begin(), system_ports.end());
    if (!port_name.trimmed().isEmpty() && !system_ports.contains(port_name.trimmed()))
        add_port(port_name.trimmed(), true);
    for (const QString &p : std::as_const(system_ports))
        add_port(p, p == port_name.trimmed() || port_name.trimmed().isEmpty());
    m_port_edit = new QLineEdit;
    m_port_edit->setObjectName(QStringLiteral("portEdit"));
    m_port_edit->setPlaceholderText(tr("其他端口名，如 /dev/ttyUSB0"));
    auto *add = new QPushButton(tr("添加"));
    connect(add, &QPushButton::clicked, this, [this] {
        const QString name = m_port_edit->text().trimmed();
        if (!name.isEmpty())
            add_port(name, true);
        m_port_edit->clear();
    });
    auto *port_row = new QHBoxLayout;
    port_row->addWidget(m_port_edit);
    port_row->addWidget(add);

    auto *baud_row = new QHBoxLayout;
    for (int baud : { 9600, 19200, 38400, 57600, 115200 }) {
        auto *box = new QCheckBox(QString::number(baud));
        box->setObjectName(QStringLiteral("baud%1").arg(baud));
        box->setChecked(baud == 19200);
        baud_row->addWidget(box);
        // 19200 is the commonest setting: it is tried first.
        if (baud == 19200)
            m_bauds.prepend(box);
        else
            m_bauds.append(box);
    }
    baud_row->addStretch();
    auto *framing_row = new QHBoxLayout;
    for (const tagFraming &f : tagSearchPlan::standard_framings()) {
        auto *box = new QCheckBox(framing_text(f));
        box->setObjectName(QStringLiteral("framing") + framing_text(f));
        box->setChecked(f.parity == 'n' && f.stop == 1);
        framing_row->addWidget(box);
        m_framings.append(box);
    }
    framing_row->addStretch();

    m_first = new QSpinBox;
    m_first->setObjectName(QStringLiteral("firstStation"));
    m_first->setRange(1, 247);
    m_first->setValue(1);
    m_last = new QSpinBox;
    m_last->setObjectName(QStringLiteral("lastStation"));
    m_last->setRange(1, 247);
    m_last->setValue(247);
    auto *station_row = new QHBoxLayout;
    station_row->addWidget(m_first);
    station_row->addWidget(new QLabel(tr("至")));
    station_row->addWidget(m_last);
    station_row->addStretch();
    m_wait = new QSpinBox;
    m_wait->setObjectName(QStringLiteral("wait"));
    m_wait->setRange(0, MAX_WAIT_MS);
    m_wait->setSuffix(tr(" 毫秒"));
    m_wait->setSpecialValueText(tr("自动（线路时间 + 50 毫秒）"));
    m_wait->setValue(0);

    auto *what = new QGroupBox(tr("搜索范围"));
    auto *form = new QFormLayout(what);
    form->addRow(tr("端口："), m_ports);
    form->addRow(QString(), port_row);
    form->addRow(tr("波特率："), baud_row);
    form->addRow(tr("格式："), framing_row);
    form->addRow(tr("站号："), station_row);
    form->addRow(tr("每次等待："), m_wait);

    // What was found.
    m_found = new QTreeWidget;
    m_found->setObjectName(QStringLiteral("found"));
    m_found->setRootIsDecorated(false);
    m_found->setHeaderLabels({ tr("端口"), tr("波特率"), tr("校验位"), tr("停止位"), tr("站号"), tr("寄存器0"),
                               tr("响应时间") });
    m_found->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(m_found, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { choose(m_found->indexOfTopLevelItem(item)); });
    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_time_left = new QLabel;
    m_time_left->setObjectName(QStringLiteral("timeLeft"));
    auto *progress_row = new QHBoxLayout;
    progress_row->addWidget(m_progress, 1);
    progress_row->addWidget(m_time_left);
    m_message = new QLabel;
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #b00000;"));

    m_start = new QPushButton(tr("开始搜索"));
    m_start->setObjectName(QStringLiteral("startBtn"));
    m_stop = new QPushButton(tr("停止"));
    m_stop->setObjectName(QStringLiteral("stopBtn"));
    m_connect = new QPushButton(tr("连接所选设备"));
    m_connect->setObjectName(QStringLiteral("connectBtn"));
    auto *close = new QPushButton(tr("关闭"));
    close->setObjectName(QStringLiteral("closeBtn"));
    connect(m_start, &QPushButton::clicked, this, &QSearchDialog::start_search);
    connect(m_stop, &QPushButton::clicked, this, &QSearchDialog::stop_search);
    connect(m_connect, &QPushButton::clicked, this, [this] {
        choose(m_found->indexOfTopLevelItem(m_found->currentItem()));
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_found, &QTreeWidget::currentItemChanged, this,
            [this] { m_connect->setEnabled(m_found->currentItem() != nullptr); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addStretch();
    buttons->addWidget(m_connect);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(what);
    layout->addWidget(new QLabel(tr("找到的设备（双击连接）：")));
    layout->addWidget(m_found, 1);
    layout->addLayout(progress_row);
    layout->addWidget(m_message);
    layout->addLayout(buttons);
    resize(640, 560);

    connect(m_search, &QDeviceSearch::found, this, &QSearchDialog::on_found);
    connect(m_search, &QDeviceSearch::progress, this, &QSearchDialog::on_progress);
    connect(m_search, &QDeviceSearch::setting_failed, this, &QSearchDialog::on_setting_failed);
    connect(m_search, &QDeviceSearch::finished, this, &QSearchDialog::on_finished);
    set_running(false);
    m_connect->setEnabled(false);
}

QSearchDialog::~QSearchDialog()
{
    m_search->blockSignals(true);
    m_search->stop();
}

void QSearchDialog::add_port(const QString &name, bool checked)
{
    for (int i = 0; i < m_ports->count(); ++i) {
        if (m_ports->item(i)->text() == name) {
            m_ports->item(i)->setCheckState(checked ? Qt::Checked : m_ports->item(i)->checkState());
            return;
        }
    }
    auto *item = new QListWidgetItem(name, m_ports);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

tagSearchPlan QSearchDialog::plan() const
{
    tagSearchPlan plan;
    for (int i = 0; i < m_ports->count(); ++i) {
        const QListWidgetItem *item = m_ports->item(i);
        if (item->checkState() == Qt::Checked && !item->text().trimmed().isEmpty())
            plan.ports.append(item->text().trimmed());
    }
    for (QCheckBox *box : m_bauds)
        if (box->isChecked())
            plan.baud_rates.append(box->text().toInt());
    const QList<tagFraming> framings = tagSearchPlan::standard_framings();
    for (int i = 0; i < m_framings.size(); ++i)
        if (m_framings.at(i)->isChecked())
            plan.framings.append(framings.at(i));
    plan.first_station = m_first->value();
    plan.last_station = m_last->value();
    plan.wait_ms = m_wait->value();
    plan.pause_ms = m_pause_ms;
    return plan;
}

void QSearchDialog::set_plan(const tagSearchPlan &plan)
{
    for (int i = 0; i < m_ports->count(); ++i)
        m_ports->item(i)->setCheckState(plan.ports.contains(m_ports->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
    for (const QString &p : plan.ports)
        add_port(p, true);
    for (QCheckBox *box : std::as_const(m_bauds))
        box->setChecked(plan.baud_rates.contains(box->text().toInt()));
    const QList<tagFraming> framings = tagSearchPlan::standard_framings();
    for (int i = 0; i < m_framings.size(); ++i) {
        const tagFraming &f = framings.at(i);
        m_framings.at(i)->setChecked(std::any_of(plan.framings.cbegin(), plan.framings.cend(), [&](const tagFraming &g) {
            return g.parity == f.parity && g.stop == f.stop;
        }));
    }
    m_first->setValue(plan.first_station);
    m_last->setValue(plan.last_station);
    m_wait->setValue(plan.wait_ms);
    m_pause_ms = plan.pause_ms;
}

void QSearchDialog::start_search()
{
    const tagSearchPlan p = plan();
    QString problem;
    if (p.ports.isEmpty())
        problem = tr("请至少选择一个端口。");
    else if (p.baud_rates.isEmpty())
        problem = tr("请至少选择一个波特率。");
    else if (p.framings.isEmpty())
        problem = tr("请至少选择一种格式。");
    else if (p.first_station > p.last_station)
        problem = tr("起始站号不能大于结束站号。");
    if (problem.isEmpty() && !m_search->start(p))
        problem = tr("无法开始搜索：%1").arg(m_search->error());
    if (!problem.isEmpty()) {
        m_message->setText(problem);
        return;
    }
    m_found->clear();
    m_drives.clear();
    m_problems.clear();
    m_message->clear();
    m_message->setToolTip(QString());
    m_progress->setRange(0, qMax(1, p.setting_count() * p.station_count()));
    m_progress->setValue(0);
    m_time_left->clear();
    set_running(true);
}

void QSearchDialog::stop_search()
{
    m_search->stop();
}

bool QSearchDialog::choose(int row)
{
    if (row < 0 || row >= m_drives.size())
        return false;
    m_chosen = m_drives.at(row);
    m_search->stop();
    accept();
    return true;
}

void QSearchDialog::done(int result)
{
    // Closed any way: the search ends with it.
    m_search->stop();
    QDialog::done(result);
}

void QSearchDialog::on_found(const tagFoundDrive &drive)
{
    m_drives.append(drive);
    auto *item = new QTreeWidgetItem(m_found);
    item->setText(0, drive.config.port_name);
    item->setText(1, QString::number(drive.config.baud_rate));
    item->setText(2, parity_text(drive.config.parity));
    item->setText(3, QString::number(drive.config.stop));
    item->setText(4, QString::number(drive.station));
    item->setText(5, drive.exception_code != 0
                         ? tr("异常 %1（%2）").arg(drive.exception_code).arg(QLinkErrorText::meaning(drive.exception_code))
                         : QString::number(drive.value));
    item->setText(6, tr("%1 毫秒").arg(drive.response_ms, 0, 'f', 1));
    if (!m_found->currentItem())
        m_found->setCurrentItem(item);
}

void QSearchDialog::on_progress(int done, int total, qint64 ms_left)
{
    m_progress->setRange(0, qMax(1, total));
    m_progress->setValue(done);
    m_time_left->setText(done >= total ? QString() : tr("剩余约 %1 秒").arg((ms_left + 999) / 1000));
}

void QSearchDialog::on_setting_failed(const tagSerialConfig &config, const QString &reason)
{
    m_problems.append(tr("端口 %1（%2 %3）无法搜索：%4")
                          .arg(config.port_name)
                          .arg(config.baud_rate)
                          .arg(framing_text({ config.parity, config.stop }), reason));
    m_message->setText(m_problems.mid(qMax<qsizetype>(0, m_problems.size() - SHOWN_PROBLEMS)).join(QLatin1Char('\n')));
    m_message->setToolTip(m_problems.join(QLatin1Char('\n')));
}

void QSearchDialog::on_finished(bool stopped)
{
    set_running(false);
    m_time_left->setText(stopped ? tr("已停止") : tr("搜索完成，找到 %1 台设备").arg(m_drives.size()));
}

void QSearchDialog::set_running(bool running)
{
    m_start->setEnabled(!running);
    m_stop->setEnabled(running);
}
