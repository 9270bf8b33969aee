#include "qmonitorwidget.h"

#include "qdrivestate.h"
#include "qmonitorpoller.h"
#include "qtrendchart.h"

#include <core/style/minisplitter.h>
#include <core/dialogs/qactiontoolbar.h>
#include <core/dialogs/qbaseitemdelegate.h>
#include <core/dialogs/qfilechooser.h>
#include <core/dialogs/qparamdialog.h>
#include <core/qsoftcore.h>
#include <core/style/styledbar.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace {

constexpr int kDefaultPeriodMs = 500;
constexpr int kRedrawMs = 200;
// Share of the page's height, in per cent, that the table gets at first.
constexpr int kTableShare = 30;
const QString kPeriodKey = QStringLiteral("Monitor.Period");
const QColor kFailedColour(200, 0, 0);
const QColor kRunningColour(30, 130, 40);
const QColor kFaultColour(200, 0, 0);
const QString kPauseIcon = QStringLiteral(":/monitor/images/pause.png");
const QString kPlayIcon = QStringLiteral(":/monitor/images/play.png");
const QString kRecordIcon = QStringLiteral(":/monitor/images/record.png");
const QString kStopIcon = QStringLiteral(":/monitor/images/stop.png");

double number_of(const QMachineValue *value, int raw)
{
    return value->display_number(raw);
}

} // namespace

QMonitorWidget::QMonitorWidget(QWidget *parent)
    : QAbstractPageWidget(parent)
    , m_poller(new QMonitorPoller(this))
    , m_chart(new QTrendChart(&m_history))
    , m_table(new QTreeWidget)
    , m_period_box(new QComboBox)
    , m_axis_box(new QComboBox)
{
    setObjectName(QStringLiteral("QMonitorWidget"));
    m_epoch_offset = QDateTime::currentMSecsSinceEpoch() - m_poller->clock_ms();

    m_select_action = new QAction(QIcon(QStringLiteral(":/monitor/images/select.png")), tr("选择监视量"), this);
    m_select_action->setObjectName(QStringLiteral("actionSelectValues"));
    connect(m_select_action, &QAction::triggered, this, &QMonitorWidget::choose_values);
    m_record_action = new QAction(QIcon(kRecordIcon), tr("开始记录"), this);
    m_record_action->setObjectName(QStringLiteral("actionRecord"));
    m_record_action->setCheckable(true);
    connect(m_record_action, &QAction::triggered, this, &QMonitorWidget::toggle_recording);
    m_pause_action = new QAction(QIcon(kPauseIcon), tr("暂停"), this);
    m_pause_action->setObjectName(QStringLiteral("actionPause"));
    m_pause_action->setCheckable(true);
    connect(m_pause_action, &QAction::toggled, this, &QMonitorWidget::set_paused);
    connect(m_chart, &QTrendChart::paused_changed, this, &QMonitorWidget::set_paused);
    m_record_status = new QLabel;
    m_record_status->setObjectName(QStringLiteral("recordStatus"));
    m_drive_state = new QLabel;
    m_drive_state->setObjectName(QStringLiteral("driveState"));
    QFont state_font = m_drive_state->font();
    state_font.setBold(true);
    m_drive_state->setFont(state_font);

    for (int ms : QMonitorPoller::periods()) {
        const QString text = ms == 0 ? tr("尽快")
                             : ms < 1000 ? tr("%1 毫秒").arg(ms)
                                         : tr("%1 秒").arg(ms / 1000);
        m_period_box->addItem(text, ms);
    }
    m_period_box->setObjectName(QStringLiteral("periodBox"));
    m_axis_box->setObjectName(QStringLiteral("axisBox"));
    m_axis_box->addItem(tr("各自坐标"));
    m_axis_box->addItem(tr("归一化"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new StyledBar;
    auto *bar_layout = new QHBoxLayout(bar);
    bar_layout->setContentsMargins(5, 0, 5, 0);
    auto *toolbar = new QActionToolBar(Qt::AlignLeft);
    toolbar->addButtonActions({m_select_action, m_record_action, m_pause_action});
    bar_layout->addWidget(toolbar);
    bar_layout->addWidget(m_record_status, 1);
    bar_layout->addWidget(m_drive_state);
    bar_layout->addSpacing(12);
    bar_layout->addWidget(new QLabel(tr("采样周期")));
    bar_layout->addWidget(m_period_box);
    bar_layout->addSpacing(12);
    bar_layout->addWidget(new QLabel(tr("纵轴")));
    bar_layout->addWidget(m_axis_box);
    layout->addWidget(bar);

    m_table->setObjectName(QStringLiteral("monitorTable"));
    m_table->setColumnCount(COLUMN_COUNT);
    m_table->setHeaderLabels({tr("代码"), tr("名称"), tr("当前值"), tr("单位"), tr("最小值"), tr("最大值")});
    m_table->setRootIsDecorated(false);
    m_table->setAlternatingRowColors(true);
    m_table->setItemDelegate(new QBaseItemDelegate(m_table));
    m_table->setUniformRowHeights(true);
    m_table->header()->setSectionResizeMode(NAME, QHeaderView::Stretch);
    m_table->header()->setStretchLastSection(false);

    m_splitter = new MiniSplitter(Qt::Vertical);
    m_splitter->addWidget(m_table);
    m_splitter->addWidget(m_chart);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    layout->addWidget(m_splitter);

    QSoftCore *core = QSoftCore::get_core();
    const int stored = core->get_setting_value(kPeriodKey).toInt();
    if (!set_period(core->get_setting_value(kPeriodKey).isValid() ? stored : kDefaultPeriodMs))
        set_period(kDefaultPeriodMs); // a period no operator could have chosen
    connect(m_period_box, qOverload<int>(&QComboBox::activated), this, &QMonitorWidget::period_chosen);
    connect(m_axis_box, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { m_chart->set_normalised(index == 1); });

    connect(m_poller, &QMonitorPoller::sample_ready, this, &QMonitorWidget::take_sample);
    connect(&m_recorder, &QMonitorRecorder::failed, this, &QMonitorWidget::recording_failed);
    connect(core, &QSoftCore::clear_machine_signal, this, &QMonitorWidget::machine_gone);
    connect(core, &QSoftCore::new_machine_signal, this, &QMonitorWidget::machine_built);
    connect(core, &QSoftCore::start_runtime, m_poller, &QMonitorPoller::restart);
    connect(core->get_communicate(), &QCommunicate::offline, this, &QMonitorWidget::went_offline);

    // The trend is drawn a few times a second, not once per sample, and only
    // while it can be seen.
    m_redraw_timer.setInterval(kRedrawMs);
    connect(&m_redraw_timer, &QTimer::timeout, this, [this] {
        if (m_chart->isVisible() && !m_chart->is_paused())
            m_chart->refresh();
        if (m_recorder.is_recording())
            update_record_status();
    });
    m_redraw_timer.start();

    // A core that already holds a model (a plug-in loaded late) is shown at once.
    if (core->get_machine())
        machine_built();
}

void QMonitorWidget::showEvent(QShowEvent *event)
{
    QAbstractPageWidget::showEvent(event);
    if (m_splitter_placed)
        return;
    // Placed once, when the page first has its height; the operator moves it after.
    m_splitter_placed = true;
    const int height = m_splitter->height();
    m_splitter->setSizes({height * kTableShare / 100, height - height * kTableShare / 100});
}

QString QMonitorWidget::selection_key()
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    const QString type = machine ? machine->get_type() : QString();
    return type.isEmpty() ? QStringLiteral("Runtime.0") : QStringLiteral("Runtime.") + type;
}

bool QMonitorWidget::set_period(int ms)
{
    if (!m_poller->set_period(ms))
        return false;
    m_period_box->setCurrentIndex(m_period_box->findData(ms));
    return true;
}

void QMonitorWidget::period_chosen(int index)
{
    const int ms = m_period_box->itemData(index).toInt();
    if (set_period(ms))
        QSoftCore::get_core()->set_setting_value(kPeriodKey, QVariant(ms));
}

void QMonitorWidget::machine_built()
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    // The core has applied the stored selection (empty: every runtime value).
    show_values(machine ? machine->get_runtimes() : QList<QMachineValue *>());
}

void QMonitorWidget::machine_gone()
{
    m_poller->stop();
    m_poller->set_values({});
    m_rows.clear();
    m_table->clear();
    m_drive_state->clear();
}

void QMonitorWidget::went_offline()
{
    m_poller->stop();
    m_recorder.mark_gap();
}

void QMonitorWidget::show_values(const QList<QMachineValue *> &values)
{
    m_rows.clear();
    m_table->clear();
    QList<QTrendChart::Channel> channels;
    for (int i = 0; i < values.size(); ++i) {
        QMachineValue *value = values.at(i);
        const QString code = value->get_value_property(VALUE_CODE).toString();
        const QString name = value->display_name();
        const QString unit = value->display_unit();
        Row row{value, m_history.channel(code)};
        m_rows.append(row);
        const QColor colour = QTrendChart::colour(i);
        channels.append({row.channel, code + QLatin1Char(' ') + name, unit, colour, code, name});

        auto *item = new QTreeWidgetItem(m_table);
        item->setText(CODE, code);
        item->setText(NAME, name);
        item->setText(UNIT, unit);
        const QString help_en = QMachineValue::english()
            ? value->get_value_property(extra_property(VALUE_HELP_EN)).toString() : QString();
        item->setToolTip(NAME, help_en.isEmpty() ? value->get_value_property(VALUE_HELP).toString() : help_en);
        QPixmap swatch(10, 10);
        swatch.fill(colour);
        item->setIcon(CODE, QIcon(swatch));
        if (value->has_value())
            item->setText(VALUE, value->get_true_value_string());
        for (int c = VALUE; c < COLUMN_COUNT; ++c) {
            if (c != UNIT)
                item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    m_chart->set_channels(channels);
    m_poller->set_values(values);
    m_drive_state->clear();
    // What the line said of an earlier recording belongs to the earlier set.
    if (!m_recorder.is_recording()) {
        m_record_status->clear();
        m_record_status->setToolTip(QString());
    }
}

void QMonitorWidget::choose_values()
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (!machine) {
        QMessageBox::warning(this, tr("警告"), tr("还没有设备的参数表，无法选择监视量！"));
        return;
    }
    if (!m_pick_dialog) {
        m_pick_dialog = new QParamDialog(this);
        m_pick_dialog->setObjectName(QStringLiteral("monitorPickDialog"));
    }
    m_pick_dialog->init(tr("运行参数"), machine->get_all_runtimes());
    QList<QMachineValue *> current;
    for (const Row &row : std::as_const(m_rows))
        current.append(row.value);
    m_pick_dialog->show_param(current);
    if (m_pick_dialog->get_ret() != 1)
        return;

    const QList<QMachineValue *> chosen = m_pick_dialog->get_check_param();
    QStringList codes;
    for (QMachineValue *value : chosen)
        codes.append(value->get_value_property(VALUE_CODE).toString());
    // Kept where the core reads it when it builds the next model.
    QSoftCore::get_core()->set_setting_value(selection_key(), QVariant(codes.join(QLatin1Char('.'))));
    show_values(chosen);
}

void QMonitorWidget::take_sample(const tagMonitorSample &sample)
{
    if (sample.raws.size() != m_rows.size())
        return;
    const qint64 time = m_epoch_offset + sample.elapsed_ms;
    QHash<QString, QString> texts;
    QDriveState::Reading state;
    QDriveState::Reading fault;
    for (int i = 0; i < m_rows.size(); ++i) {
        Row &row = m_rows[i];
        QTreeWidgetItem *item = m_table->topLevelItem(i);
        const QString code = item->text(CODE);
        const QString role = row.value->get_value_property(extra_property(VALUE_ROLE)).toString();
        QDriveState::Reading *reading = role == QLatin1String("state") ? &state
                                        : role == QLatin1String("fault") ? &fault : nullptr;
        if (reading && !reading->value) {
            reading->value = row.value;
            reading->read = sample.states.at(i) == tagMonitorSample::Read;
            reading->raw = sample.raws.at(i);
        }
        if (sample.states.at(i) != tagMonitorSample::Read) {
            m_history.append(row.channel, time, std::numeric_limits<double>::quiet_NaN());
            if (item->text(VALUE) != tr("读取失败")) {
                item->setText(VALUE, tr("读取失败"));
                item->setForeground(VALUE, kFailedColour);
            }
            continue;
        }
        const int raw = sample.raws.at(i);
        const QString text = row.value->text_of_raw(raw);
        const double number = number_of(row.value, raw);
        texts.insert(code, text);
        m_history.append(row.channel, time, number);
        if (!row.seen || number < number_of(row.value, row.low_raw)) {
            row.low_raw = raw;
            item->setText(LOWEST, text);
        }
        if (!row.seen || number > number_of(row.value, row.high_raw)) {
            row.high_raw = raw;
            item->setText(HIGHEST, text);
        }
        row.seen = true;
        if (item->text(VALUE) != text) {
            item->setText(VALUE, text);
            item->setForeground(VALUE, palette().color(QPalette::Text));
        }
    }
    show_drive_state(state, fault);
    if (m_recorder.is_recording()) {
        QStringList cells;
        for (const QMonitorRecorder::Column &c : m_recorder.columns())
            cells.append(texts.value(c.code));
        m_recorder.write(sample.time, cells);
    }
}

void QMonitorWidget::toggle_recording()
{
    if (m_recorder.is_recording()) {
        const QString path = m_recorder.path();
        const qint64 rows = m_recorder.rows();
        m_recorder.stop();
        update_record_action();
        // A stop that failed has said so in its own box.
        if (!m_recording_failed) {
            m_record_status->setText(saved_text(QDir::toNativeSeparators(path), rows));
            m_record_status->setToolTip(QDir::toNativeSeparators(path));
        }
        return;
    }
    if (m_rows.isEmpty()) {
        update_record_action();
        QMessageBox::warning(this, tr("警告"), tr("没有监视量，无法记录！"));
        return;
    }
    const QString path = QFileChooser::get_save_file_name(this, tr("记录到文件"), QString(),
                                                          tr("数据文件(*.csv)"));
    if (path.isEmpty()) {
        update_record_action();
        return;
    }
    QList<QMonitorRecorder::Column> columns;
    for (const Row &row : std::as_const(m_rows)) {
        columns.append({row.value->get_value_property(VALUE_CODE).toString(),
                        row.value->display_name(),
                        row.value->display_unit()});
    }
    QString error;
    m_recording_failed = false;
    if (!m_recorder.start(path, columns, &error)) {
        QMessageBox::warning(this, tr("警告"),
                             tr("无法创建记录文件 %1：%2").arg(QDir::toNativeSeparators(path), error));
    }
    update_record_action();
}

void QMonitorWidget::recording_failed(const QString &path, const QString &reason)
{
    m_recording_failed = true;
    update_record_action();
    m_record_status->setText(tr("记录已停止：写入失败"));
    QMessageBox::warning(this, tr("警告"),
                         tr("记录文件 %1 写入失败，记录已停止：%2").arg(QDir::toNativeSeparators(path), reason));
}

void QMonitorWidget::update_record_action()
{
    const bool recording = m_recorder.is_recording();
    m_record_action->setText(recording ? tr("停止记录") : tr("开始记录"));
    m_record_action->setIcon(QIcon(recording ? kStopIcon : kRecordIcon));
    m_record_action->setChecked(recording);
    if (recording) {
        m_record_status->setToolTip(QDir::toNativeSeparators(m_recorder.path()));
        update_record_status();
    }
}

void QMonitorWidget::update_record_status()
{
    m_record_status->setText(recording_text(QFileInfo(m_recorder.path()).fileName(),
                                            m_recorder.elapsed_ms(), m_recorder.rows()));
}

QString QMonitorWidget::recording_text(const QString &file_name, qint64 elapsed_ms, qint64 rows)
{
    const qint64 seconds = elapsed_ms / 1000;
    const QString elapsed = QStringLiteral("%1:%2:%3")
                                .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                                .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return tr("● 记录中：%1  %2  %n 行", nullptr, int(qMin<qint64>(rows, std::numeric_limits<int>::max())))
        .arg(file_name, elapsed);
}

QString QMonitorWidget::saved_text(const QString &path, qint64 rows)
{
    return tr("已记录 %n 行到 %1", nullptr, int(qMin<qint64>(rows, std::numeric_limits<int>::max()))).arg(path);
}

void QMonitorWidget::show_drive_state(const QDriveState::Reading &state, const QDriveState::Reading &fault)
{
    const QString text = QDriveState::text(state, fault);
    if (m_drive_state->text() == text)
        return;
    m_drive_state->setText(text);
    const QDriveState::Kind kind = QDriveState::kind(state, fault);
    QPalette palette = m_drive_state->palette();
    palette.setColor(QPalette::WindowText, kind == QDriveState::Faulted ? kFaultColour
                                           : kind == QDriveState::Running ? kRunningColour
                                                                          : this->palette().color(QPalette::WindowText));
    m_drive_state->setPalette(palette);
}

void QMonitorWidget::set_paused(bool paused)
{
    m_chart->set_paused(paused);
    m_pause_action->setChecked(paused);
    m_pause_action->setText(paused ? tr("继续") : tr("暂停"));
    m_pause_action->setIcon(QIcon(paused ? kPlayIcon : kPauseIcon));
}
