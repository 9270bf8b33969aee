#include "qlogtreewidget.h"

#include <core/dialogs/qbaseitemdelegate.h>
#include <core/qsoftcore.h>
#include <core/style/stylehelper.h>

#include <communicate/services/qlinkerrortext.h>

#include <QDateTime>
#include <QHeaderView>
#include <QRegularExpression>

namespace {
constexpr int TimeColumnWidth = 170;
// Room for a five-digit running number; the rest goes to the message.
constexpr int NumberColumnWidth = 60;
// Room left under the list for the dialog's buttons.
constexpr int ButtonRowHeight = 35;
} // namespace

QLogTreeWidget::QLogTreeWidget(QWidget *parent)
    : QTreeWidget(parent)
{
    setFrameStyle(0);
    // Parented to the tree so it goes with it.
    setItemDelegate(new QBaseItemDelegate(this));
    setRootIsDecorated(false);
    setAlternatingRowColors(true);
    setHeaderLabels({tr("序号"), tr("时间"), tr("信息")});
    header()->setSectionsMovable(false);
    if (parent) {
        setFixedWidth(parent->width());
        setFixedHeight(parent->height() - ButtonRowHeight);
    }
    fill();
    setColumnWidth(0, NumberColumnWidth);
    setColumnWidth(1, TimeColumnWidth);

    // The selected row looks the same when the list has no focus.
    StyleHelper::keepSelectionColorsWhenInactive(this);
}

QString QLogTreeWidget::format_time(const QDateTime &time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", date.year(), date.month(),
                             date.day(), clock.hour(), clock.minute(), clock.second(),
                             clock.msec());
}

QString QLogTreeWidget::with_meaning(const QString &text)
{
    // The core writes the code as 错误代码[N] ("error code [N]" in English);
    // the text itself stays as it is.
    static const QRegularExpression code_pattern(QStringLiteral("(?:错误代码|error code )\\[(\\d+)\\]"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = code_pattern.match(text);
    if (!m.hasMatch())
        return text;
    const int code = m.captured(1).toInt();
    return text + QLatin1Char('\n') + tr("错误代码 %1：%2").arg(code).arg(QLinkErrorText::meaning(code));
}

void QLogTreeWidget::fill()
{
    clear();
    m_items.clear();
    const QList<tagErrLog> logs = QSoftCore::get_core()->getErrlogs();
    int number = 1;
    for (const tagErrLog &log : logs) {
        auto *item = new QTreeWidgetItem(this);
        item->setText(0, QString::number(number++));
        const QString stamp = format_time(log.time);
        item->setText(1, stamp);
        item->setToolTip(1, stamp);
        item->setText(2, log.text);
        // A failed write names its parameter beside the fixed text.
        item->setToolTip(2, log.detail.isEmpty() ? with_meaning(log.text)
                                                 : with_meaning(log.text) + QLatin1Char('\n')
                                                       + tr("参数：%1").arg(log.detail));
        m_items.append(item);
    }
    if (!m_items.isEmpty())
        setCurrentItem(m_items.last());
}
