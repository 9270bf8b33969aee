#include "qparamtreewidget.h"

#include "qparamitemdelegate.h"

#include <paramset/paramcompare.h>

#include <core/qsoftcore.h>
#include <core/style/stylehelper.h>

#include <communicate/qcommunicate.h>
#include <communicate/services/qlinkerrortext.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>
#include <machine/tagvaluegroup.h>

#include <QColor>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QStyle>

namespace {

constexpr int kNameColumnWidth = 200;
constexpr int kValueColumnWidth = 200;
// A name longer than this is elided; its tool tip and the help line hold it.
constexpr int kMaxNameColumnWidth = 420;
constexpr int kMaxValueColumnWidth = 320;
// Where the table is too narrow for everything, the value and then the
// name give way down to these.
constexpr int kMinValueColumnWidth = 120;
constexpr int kMinNameColumnWidth = 120;
// Room beside a cell's text (the item's margins and the focus frame).
constexpr int kCellPadding = 8;

QString property_text(QMachineValue *value, enValuePropertyIndex index)
{
    return value->get_value_property(index).toString();
}

// A choice parameter's default and limits are choice values; the operator
// knows the choices by their texts.
QString limit_text(QMachineValue *value, enValuePropertyIndex index)
{
    const QString text = property_text(value, index);
    if (value->get_combo_list().isEmpty())
        return text;
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    int raw = 0;
    if (!ok || !value->raw_of_integer(number, &raw))
        return text;
    return value->text_of_raw(raw);
}

// The drive's exception 4 for a parameter it takes only while stopped.
constexpr int kExceptionDeviceFailure = 4;

// A change kept for 写入更改 stands out from the drive's values.
constexpr QRgb kPendingColor = qRgb(0x1f, 0x5f, 0xbf);

// The help text in the language shown: the English one where the
// description gives it.
QString help_text(QMachineValue *value)
{
    const QString english = QMachineValue::english() ? property_text(value, extra_property(VALUE_HELP_EN))
                                                     : QString();
    return english.isEmpty() ? property_text(value, VALUE_HELP) : english;
}

} // namespace

QParamTreeWidget::QParamTreeWidget(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("parvexParamTree"));
    setFrameStyle(QFrame::NoFrame);
    setRootIsDecorated(false);
    setAlternatingRowColors(true);
    // A single click on a value opens its editor (mousePressEvent); the view's
    // own triggers would also open editors in the read-only columns.
    setEditTriggers(QAbstractItemView::EditKeyPressed);

    setColumnCount(ColumnCount);
    setHeaderLabels({tr("代码"), tr("名称"), tr("当前值"),
                     tr("默认值"), tr("最小值"), tr("最大值"),
                     tr("单位")});
    header()->setSectionsMovable(false);
    // The unit is short; what room is left stays beside it, not inside it.
    header()->setStretchLastSection(false);
    setColumnWidth(NameColumn, kNameColumnWidth);
    setColumnWidth(ValueColumn, kValueColumnWidth);

    // A selected row looks the same when the table loses the focus.
    StyleHelper::keepSelectionColorsWhenInactive(this);

    setItemDelegate(new QParamItemDelegate(this));

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current, QTreeWidgetItem *) { current_changed(current); });
}

void QParamTreeWidget::set_params(tagValueGroup *group)
{
    clear_params();
    m_group = group;
    if (!group)
        return;

    for (QMachineValue *value : qAsConst(group->m_values)) {
        if (!value)
            continue;
        auto *item = new QTreeWidgetItem(this);
        // Where the drive's manual numbers its registers otherwise, that
        // number stands beside the code so the two can be matched.
        const QString manual_address =
            value->profile().shown_address(value->get_value_property(VALUE_ADDRESS).toInt());
        item->setText(CodeColumn, manual_address.isEmpty()
                                      ? property_text(value, VALUE_CODE)
                                      : QStringLiteral("%1 (%2)").arg(property_text(value, VALUE_CODE),
                                                                      manual_address));
        item->setText(NameColumn, value->display_name());
        item->setText(DefaultColumn, limit_text(value, VALUE_DEFAULT));
        item->setText(MinimumColumn, limit_text(value, VALUE_MIN));
        item->setText(MaximumColumn, limit_text(value, VALUE_MAX));
        item->setText(UnitColumn, value->display_unit());
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
        show_value(item, value);
        const QString help = help_text(value);
        if (!help.isEmpty()) {
            for (int column = 0; column < ColumnCount; ++column)
                item->setToolTip(column, help);
        }
        apply_filter(item, value);

        const QString code = property_text(value, VALUE_CODE);
        m_item_of_code.insert(code, item);
        m_code_of_item.insert(item, code);

        // Browsing shows the same values again and again: one connection each
        // is enough, and it ends with the value.
        connect(value, &QMachineValue::value_changed, this, &QParamTreeWidget::value_changed,
                Qt::UniqueConnection);
    }
    fit_columns();
}

void QParamTreeWidget::fit_columns()
{
    // Each column asks for its texts' width: the names the room they need
    // (English names are longer than Chinese ones), the value its widest
    // choice or limit, the default and the limits theirs (a choice's limits
    // are choice texts). Code and unit always get theirs; where the table is
    // too narrow for the rest, the default and the limits give way first
    // (down to their headings), then the value, the name last.
    struct Share
    {
        int column;
        int wanted;
        int least;
    };
    for (int column : {CodeColumn, DefaultColumn, MinimumColumn, MaximumColumn, UnitColumn})
        resizeColumnToContents(column);
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + kCellPadding;
    const int name_wanted = qBound(kNameColumnWidth, sizeHintForColumn(NameColumn) + padding, kMaxNameColumnWidth);
    QList<Share> shares;
    for (int column : {DefaultColumn, MinimumColumn, MaximumColumn}) {
        const int wanted = columnWidth(column);
        shares.append({column, wanted, qMin(wanted, header()->sectionSizeHint(column))});
    }
    shares.append({ValueColumn, value_width_wanted(), kMinValueColumnWidth});
    shares.append({NameColumn, name_wanted, kMinNameColumnWidth});

    // Counted as if the vertical scroll bar were there: it comes and goes
    // with the rows, and the unit must not go under it.
    const int available = width() - 2 * frameWidth()
        - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) - columnWidth(CodeColumn)
        - columnWidth(UnitColumn);
    int excess = -available;
    for (const Share &share : std::as_const(shares))
        excess += share.wanted;
    QList<int> widths;
    for (const Share &share : std::as_const(shares))
        widths.append(share.wanted);
    // The limits shrink together, the widest first; then value, then name.
    const auto shrink = [&](int first, int last) {
        while (excess > 0) {
            int widest = -1;
            for (int i = first; i <= last; ++i) {
                if (widths.at(i) > shares.at(i).least && (widest < 0 || widths.at(i) > widths.at(widest)))
                    widest = i;
            }
            if (widest < 0)
                return;
            int second = shares.at(widest).least;
            for (int i = first; i <= last; ++i) {
                if (i != widest && widths.at(i) <= widths.at(widest))
                    second = qMax(second, widths.at(i));
            }
            const int cut = qMin(excess, qMax(1, widths.at(widest) - second));
            widths[widest] -= cut;
            excess -= cut;
        }
    };
    shrink(0, 2);
    shrink(3, 3);
    shrink(4, 4);
    for (int i = 0; i < shares.size(); ++i)
        setColumnWidth(shares.at(i).column, widths.at(i));
}

int QParamTreeWidget::value_width_wanted() const
{
    if (!m_group)
        return kValueColumnWidth;
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (QMachineValue *value : std::as_const(m_group->m_values)) {
        if (!value)
            continue;
        QStringList texts = value->get_combo_list();
        if (texts.isEmpty()) {
            texts = {limit_text(value, VALUE_DEFAULT), limit_text(value, VALUE_MIN),
                     limit_text(value, VALUE_MAX)};
        }
        for (const QString &text : std::as_const(texts))
            widest = qMax(widest, metrics.horizontalAdvance(text));
    }
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + kCellPadding;
    return qBound(kMinValueColumnWidth, widest + padding, kMaxValueColumnWidth);
}

void QParamTreeWidget::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    if (m_group)
        fit_columns();
}

void QParamTreeWidget::value_changed()
{
    auto *value = qobject_cast<QMachineValue *>(sender());
    if (!value)
        return;
    QTreeWidgetItem *item = m_item_of_code.value(property_text(value, VALUE_CODE), nullptr);
    if (item) {
        show_value(item, value);
        apply_filter(item, value);
    }
}

bool QParamTreeWidget::passes_filter(QMachineValue *value) const
{
    if (!m_only_changed)
        return true;
    int def = 0;
    // Only what is known to differ: a value never read may be anything.
    return value && value->has_value() && ParamCompare::default_raw(value, &def)
        && value->number_of_raw(def) != value->number_of_raw(value->get_base_value());
}

void QParamTreeWidget::apply_filter(QTreeWidgetItem *item, QMachineValue *value)
{
    item->setHidden(!passes_filter(value));
}

void QParamTreeWidget::set_only_changed(bool only)
{
    m_only_changed = only;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = topLevelItem(i);
        apply_filter(item, value_of_item(item));
    }
}

bool QParamTreeWidget::select_code(const QString &code)
{
    QTreeWidgetItem *item = m_item_of_code.value(code, nullptr);
    if (!item || item->isHidden())
        return false;
    setCurrentItem(item, CodeColumn);
    scrollToItem(item);
    return true;
}

void QParamTreeWidget::current_changed(QTreeWidgetItem *item)
{
    QMachineValue *value = value_of_item(item);
    if (!value) {
        emit help_changed(QString());
        return;
    }
    const QString help = help_text(value);
    // "code name: help", with the colon of the language shown.
    emit help_changed(tr("%1 %2：%3").arg(property_text(value, VALUE_CODE),
                                      value->display_name(),
                                      help.isEmpty() ? tr("（没有说明）") : help));
}

void QParamTreeWidget::update_all()
{
    if (m_group)
        QSoftCore::get_core()->update_group(m_group->m_name);
}

void QParamTreeWidget::clear_params()
{
    m_item_of_code.clear();
    m_code_of_item.clear();
    m_group = nullptr;
    clear();
    emit help_changed(QString());
}

void QParamTreeWidget::show_value(QTreeWidgetItem *item, QMachineValue *value)
{
    const QString code = property_text(value, VALUE_CODE);
    const auto pending = m_pending.constFind(code);
    const bool kept = pending != m_pending.constEnd();
    item->setText(ValueColumn, kept ? value->text_of_raw(pending.value()) : value->get_true_value_string());
    const bool marked = kept || m_unsaved.contains(code);
    QFont font = item->font(ValueColumn);
    font.setBold(marked);
    item->setFont(ValueColumn, font);
    item->setForeground(ValueColumn, marked ? QBrush(QColor(kPendingColor)) : QBrush());
    show_mark(item, value);
}

void QParamTreeWidget::show_mark(QTreeWidgetItem *item, QMachineValue *value)
{
    const QString help = property_text(value, VALUE_HELP);
    const QString code = property_text(value, VALUE_CODE);
    QString mark = m_marks.value(code);
    const auto pending = m_pending.constFind(code);
    if (pending != m_pending.constEnd()) {
        const QString drive = value->has_value() ? value->get_true_value_string() : tr("（未读取）");
        mark = tr("暂存修改，未写入：设备 %1，修改为 %2").arg(drive, value->text_of_raw(pending.value()))
            + (mark.isEmpty() ? QString() : QLatin1Char('\n') + mark);
    }
    const auto unsaved = m_unsaved.constFind(code);
    if (unsaved != m_unsaved.constEnd()) {
        mark = tr("未保存的修改：文件中 %1，修改为 %2")
                   .arg(unsaved.value().isEmpty() ? tr("没有这个参数") : unsaved.value(),
                        value->get_true_value_string());
    }
    item->setIcon(ValueColumn, m_marks.value(code).isEmpty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    QString tip = mark;
    if (!help.isEmpty())
        tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) + help;
    for (int column = 0; column < ColumnCount; ++column)
        item->setToolTip(column, tip);
}

void QParamTreeWidget::mark_row(const QString &code, const QString &reason)
{
    if (reason.isEmpty())
        m_marks.remove(code);
    else
        m_marks.insert(code, reason);
    QTreeWidgetItem *item = m_item_of_code.value(code, nullptr);
    if (QMachineValue *value = value_of_item(item))
        show_mark(item, value);
}

void QParamTreeWidget::commit_edit(QMachineValue *value, int raw, bool has_before, int before)
{
    mark_row(property_text(value, VALUE_CODE), QString());
    emit edit_committed(value, raw, has_before, before);
}

void QParamTreeWidget::edit_finished(QMachineValue *value, int raw, int error, bool has_read_back, int read_back,
                                     int failure)
{
    const QString code = property_text(value, VALUE_CODE);
    QString reason;
    if (error != 0) {
        reason = tr("设备拒绝写入 %1：%2").arg(code, QLinkErrorText::meaning(error));
        if (error == kExceptionDeviceFailure && property_text(value, VALUE_ACCESS).trimmed() == QLatin1String("stop"))
            reason += tr("。该参数只能在停机时修改，请先停止驱动器。");
    } else if (!has_read_back) {
        reason = tr("%1 写入后回读失败：%2").arg(code, QLinkErrorText::meaning(failure));
    } else if (value->number_of_raw(read_back) != value->number_of_raw(raw)) {
        reason = tr("%1 写入 %2，设备保存的是 %3").arg(code, value->text_of_raw(raw), value->text_of_raw(read_back));
    } else {
        emit QSoftCore::get_core()->status_message(tr("%1 已写入 %2").arg(code, value->text_of_raw(read_back)));
        return;
    }
    mark_row(code, reason);
    emit QSoftCore::get_core()->status_message(reason);
}

void QParamTreeWidget::set_stale(bool stale)
{
    setEnabled(!stale);
}

void QParamTreeWidget::set_pending(const QString &code, bool pending, int raw)
{
    if (pending)
        m_pending.insert(code, raw);
    else if (m_pending.remove(code) == 0)
        return;
    QTreeWidgetItem *item = m_item_of_code.value(code, nullptr);
    if (QMachineValue *value = value_of_item(item))
        show_value(item, value);
}

void QParamTreeWidget::set_unsaved(const QMap<QString, QString> &file_texts)
{
    if (file_texts == m_unsaved)
        return;
    m_unsaved = file_texts;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = topLevelItem(i);
        if (QMachineValue *value = value_of_item(item))
            show_value(item, value);
    }
}

void QParamTreeWidget::forget_pending()
{
    const QStringList codes = m_pending.keys();
    for (const QString &code : codes)
        set_pending(code, false);
}

bool QParamTreeWidget::shown_raw(QMachineValue *value, int *raw) const
{
    const auto pending = m_pending.constFind(property_text(value, VALUE_CODE));
    if (pending != m_pending.constEnd()) {
        *raw = pending.value();
        return true;
    }
    if (!value->has_value())
        return false;
    *raw = value->get_base_value();
    return true;
}

QMachineValue *QParamTreeWidget::value_of_item(QTreeWidgetItem *item) const
{
    if (!m_group || !item)
        return nullptr;
    const QString code = m_code_of_item.value(item);
    return m_group->m_code_map.value(code, nullptr);
}

QMachineValue *QParamTreeWidget::value_of_index(const QModelIndex &index) const
{
    return value_of_item(itemFromIndex(index));
}

void QParamTreeWidget::edit_value_cell(QTreeWidgetItem *item)
{
    QMachineValue *value = value_of_item(item);
    QMachine *machine = QSoftCore::get_core()->get_machine();
    if (value && machine && machine->check_value_right(value))
        editItem(item, ValueColumn);
}

void QParamTreeWidget::mousePressEvent(QMouseEvent *event)
{
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.column() == ValueColumn)
        edit_value_cell(itemFromIndex(index));
}

void QParamTreeWidget::contextMenuEvent(QContextMenuEvent *event)
{
    if (QSoftCore::get_core()->get_communicate()->commu_status() != 0)
        return;
    QMenu menu(this);
    QAction *refresh = menu.addAction(tr("刷新数据"));
    connect(refresh, &QAction::triggered, this, &QParamTreeWidget::update_all);
    menu.exec(event->globalPos());
}
