#include "qparamitemdelegate.h"

#include <paramset/paramedit.h>
#include <paramset/parammissions.h>
#include "qparamtreewidget.h"

#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QComboBox>
#include <QLineEdit>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QMetaProperty>
#include <QSpinBox>

#include <cstdlib>
#include <limits>

namespace {

const QString kEditorDecimal = QStringLiteral("十进制");
const QString kEditorChoice = QStringLiteral("选择");
// What a decimal editor lets the operator type, in display units: far beyond
// any register, so no keystroke is dropped before the value is judged.
constexpr double kTypedLimit = 1e12;

} // namespace

QParamItemDelegate::QParamItemDelegate(QParamTreeWidget *tree)
    : QBaseItemDelegate(tree)
    , m_tree(tree)
{
}

QWidget *QParamItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                          const QModelIndex &index) const
{
    if (index.column() != QParamTreeWidget::ValueColumn)
        return nullptr;
    QMachineValue *value = m_tree->value_of_index(index);
    if (!value)
        return nullptr;

    QWidget *editor = nullptr;
    const QString kind = value->get_value_property(VALUE_EDITOR).toString();
    if (kind == kEditorDecimal) {
        // The editor takes whatever the operator types: a spin box bounded
        // by the parameter would drop the keystroke that leaves its range
        // (700 typed against a maximum of 600.00 became 70.00). The value
        // is judged on commit, with a message naming what was refused.
        const qint64 a = std::abs(qint64(value->get_value_property(VALUE_SCALE).toInt()));
        if (value->is_float()) {
            // A float takes any number its 32 bits hold; the edit's checks
            // refuse the rest, so a plain field loses no digits to a spin box.
            editor = new QLineEdit(parent);
        } else if (a <= 1) {
            auto *spin = new QSpinBox(parent);
            spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            editor = spin;
        } else {
            auto *spin = new QDoubleSpinBox(parent);
            spin->setDecimals(value->decimals());
            spin->setRange(-kTypedLimit, kTypedLimit);
            editor = spin;
        }
    } else if (kind == kEditorChoice) {
        auto *combo = new QComboBox(parent);
        combo->addItems(value->get_combo_list());
        // A click on a choice is the operator's decision: commit it at once
        // instead of waiting for the editor to lose the focus.
        auto *self = const_cast<QParamItemDelegate *>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] {
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        editor = combo;
    }

    if (editor)
        editor->setProperty("no-ManhattanStyle", true);
    return editor;
}

void QParamItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    // The view fills an open editor again whenever its row changes: an
    // answer that arrives while the operator types (a refresh, the first
    // read of a group just shown) must not replace what was typed.
    if (editor->property("parvexEditorFilled").toBool())
        return;
    editor->setProperty("parvexEditorFilled", true);
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        const QString text = index.data(Qt::DisplayRole).toString();
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        return;
    }
    QBaseItemDelegate::setEditorData(editor, index);
}

void QParamItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *,
                                      const QModelIndex &index) const
{
    QMachineValue *value = m_tree->value_of_index(index);
    if (!value)
        return;
    QSoftCore *core = QSoftCore::get_core();
    QMachine *machine = core->get_machine();
    if (!machine || !machine->check_value_right(value))
        return;

    const QString code = value->get_value_property(VALUE_CODE).toString();
    if (!m_tree->file_edit() && core->get_communicate()->commu_status() != 0) {
        QMessageBox::warning(m_tree, tr("警告"),
                             tr("设备未连接，%1 的修改没有写入！").arg(code));
        return;
    }

    QString text;
    if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        text = combo->currentText();
    } else if (auto *spin = qobject_cast<QDoubleSpinBox *>(editor)) {
        // Fixed decimals: the shortest form of a double may carry noise digits.
        text = QString::number(spin->value(), 'f', spin->decimals());
    } else {
        const QMetaProperty user = editor->metaObject()->userProperty();
        if (user.isValid())
            text = user.read(editor).toString();
    }

    const ParamEdit::Check check = ParamEdit::check_text(value, text);
    if (check.kind != ParamEdit::Check::Ok) {
        bool number = false;
        text.trimmed().toDouble(&number);
        if (number && value->get_combo_list().isEmpty()) {
            // Beyond the parameter's limits or the register's width: one
            // message with the limits the operator can type within.
            const QString unit = value->display_unit();
            QMessageBox::warning(m_tree, tr("警告"),
                                 tr("%1 的数值 %2 超出范围 %3～%4%5，没有写入！")
                                     .arg(code, text.trimmed(),
                                          value->get_value_property(VALUE_MIN).toString(),
                                          value->get_value_property(VALUE_MAX).toString(),
                                          unit.isEmpty() ? QString() : QLatin1Char(' ') + unit));
        } else {
            QMessageBox::warning(m_tree, tr("警告"),
                                 tr("%1 的数值“%2”无效，没有写入！").arg(code, text));
        }
        return;
    }
    const int raw = check.raw;
    int shown = 0;
    if (m_tree->shown_raw(value, &shown) && raw == shown)
        return;

    // Where it goes (the drive, the kept changes, an open file) is the
    // page's decision.
    const bool has_before = value->has_value();
    const int before = has_before ? value->get_base_value() : 0;
    m_tree->commit_edit(value, raw, has_before, before);
}
