#include "qdiagnosticsdialog.h"

#include <communicate/services/qlinkerrortext.h>
#include <communicate/services/qlinkstatistics.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString count_text(qint64 n)
{
    return QString::number(n);
}

QString ms_text(double ms)
{
    return QDiagnosticsDialog::tr("%1 毫秒").arg(ms, 0, 'f', 1);
}

QString bytes_text(qint64 n)
{
    return QString::number(n);
}

} // namespace

QDiagnosticsDialog::QDiagnosticsDialog(QLinkStatistics *statistics, QWidget *parent)
    : QDialog(parent)
    , m_statistics(statistics)
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("QDiagnosticsDialog"));
    setWindowTitle(tr("通信诊断"));
    setProperty("no-ManhattanStyle", true);
    m_table->setObjectName(QStringLiteral("counters"));
    m_table->setColumnCount(2);
    m_table->setHorizontalHeaderLabels({ tr("本次连接"), tr("累计") });
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setAlternatingRowColors(true);

    auto *reset_button = new QPushButton(tr("清零"));
    reset_button->setObjectName(QStringLiteral("resetBtn"));
    auto *close_button = new QPushButton(tr("关闭"));
    close_button->setObjectName(QStringLiteral("closeBtn"));
    connect(reset_button, &QPushButton::clicked, this, &QDiagnosticsDialog::reset);
    connect(close_button, &QPushButton::clicked, this, &QDialog::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reset_button);
    buttons->addWidget(close_button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
    resize(420, 480);

    m_timer.setInterval(RefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &QDiagnosticsDialog::refresh);
    refresh();
}

QString QDiagnosticsDialog::summary(const tagLinkCounters &c)
{
    return tr("请求 %1  应答 %2  超时 %3  错误 %4  异常 %5  响应 %6")
        .arg(c.requests)
        .arg(c.answers)
        .arg(c.timeouts)
        .arg(c.bad_crc + c.malformed)
        .arg(c.exception_total())
        .arg(ms_text(c.response_mean_ms()));
}

void QDiagnosticsDialog::refresh()
{
    const QLinkStatistics::Snapshot s = m_statistics->snapshot();
    struct Row
    {
        QString name;
        QString connection;
        QString total;
    };
    QList<Row> rows{
        { tr("请求"), count_text(s.connection.requests), count_text(s.total.requests) },
        { tr("应答"), count_text(s.connection.answers), count_text(s.total.answers) },
        { tr("超时"), count_text(s.connection.timeouts), count_text(s.total.timeouts) },
        { tr("重试"), count_text(s.connection.retries), count_text(s.total.retries) },
        // Not retries: an earlier request's late answer came instead of (or
        // met) the answer, and the request went out once more.
        { tr("迟到应答重发"), count_text(s.connection.repeats), count_text(s.total.repeats) },
        { tr("CRC 错误"), count_text(s.connection.bad_crc), count_text(s.total.bad_crc) },
        { tr("其他错误应答"), count_text(s.connection.malformed), count_text(s.total.malformed) },
        { tr("异常应答"), count_text(s.connection.exception_total()), count_text(s.total.exception_total()) },
    };
    // One row per exception code seen in total.
    for (auto it = s.total.exceptions.cbegin(); it != s.total.exceptions.cend(); ++it) {
        rows.append({ tr("  异常 %1 %2").arg(it.key()).arg(QLinkErrorText::meaning(it.key())),
                      count_text(s.connection.exceptions.value(it.key())), count_text(it.value()) });
    }
    rows.append({ tr("发送字节"), bytes_text(s.connection.bytes_sent), bytes_text(s.total.bytes_sent) });
    rows.append({ tr("接收字节"), bytes_text(s.connection.bytes_received), bytes_text(s.total.bytes_received) });
    rows.append({ tr("平均响应时间"), ms_text(s.connection.response_mean_ms()), ms_text(s.total.response_mean_ms()) });
    rows.append({ tr("95% 响应时间"), ms_text(s.connection.response_p95_ms()), ms_text(s.total.response_p95_ms()) });
    rows.append({ tr("最长响应时间"), ms_text(s.connection.response_max_ms()), ms_text(s.total.response_max_ms()) });

    m_table->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const Row &row = rows.at(r);
        auto set = [this, r](int column, const QString &text) {
            QTableWidgetItem *item = m_table->item(r, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(r, column, item);
            }
            if (item->text() != text)
                item->setText(text);
        };
        QTableWidgetItem *head = m_table->verticalHeaderItem(r);
        if (!head || head->text() != row.name)
            m_table->setVerticalHeaderItem(r, new QTableWidgetItem(row.name));
        set(0, row.connection);
        set(1, row.total);
    }
}

void QDiagnosticsDialog::reset()
{
    m_statistics->reset();
    refresh();
}

void QDiagnosticsDialog::showEvent(QShowEvent *event)
{
    refresh();
    m_timer.start();
    QDialog::showEvent(event);
}

void QDiagnosticsDialog::hideEvent(QHideEvent *event)
{
    m_timer.stop();
    QDialog::hideEvent(event);
}
