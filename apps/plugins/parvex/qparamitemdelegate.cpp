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

namespace {

const QString kEditorDecimal = QStringLiteral("十进制");
const QString kEditorChoice = QStringLiteral("选择");

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
        // 64 bits: the magnitude of the most negative int does not fit an int.
        const qint64 a = std::abs(qint64(value->get_value_property(VALUE_SCALE).toInt()));
        // The numbers a text may stand for: the checks of an edit own them.
        const qint64 lowest = ParamEdit::lowest_edit(value);
        const qint64 highest = ParamEdit::highest_edit(value);
        if (value->is_float()) {
            // A float takes any number its 32 bits hold; the edit's checks
            // refuse the rest, so a plain field loses no digits to a spin box.
            editor = new QLineEdit(parent);
        } else if (a <= 1) {
            auto *spin = new QSpinBox(parent);
            spin->setRange(int(lowest), int(highest));
            editor = spin;
        } else {
            auto *spin = new QDoubleSpinBox(parent);
            spin->setDecimals(value->decimals());
            spin->setRange(double(lowest) / double(a), double(highest) / double(a));
            editor = spin;
        }
    } else if (kind == kEditorChoice) {
        auto *combo = new QComboBox(parent);
        combo->addItems(value->get_combo_list());
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
    if (core->get_communicate()->commu_status() != 0) {
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

    int raw = 0;
    if (!value->convert_text(text, &raw)) {
        QMessageBox::warning(m_tree, tr("警告"),
                             tr("%1 的数值“%2”无效，没有写入！").arg(code, text));
        return;
    }
    if (value->has_value() && raw == value->get_base_value())
        return;
    // The spin box spans the register's width; the parameter's own limits
    // are narrower, and a value beyond them must not reach the drive.
    const QString out_of_range = value->range_error(raw);
    if (!out_of_range.isEmpty()) {
        QMessageBox::warning(m_tree, tr("警告"),
                             tr("%1 的数值%2，没有写入！").arg(code, out_of_range));
        return;
    }

    // Shown at once; the read-back then shows what the drive really took.
    const bool has_before = value->has_value();
    const int before = has_before ? value->get_base_value() : 0;
    value->set_base_value(raw);
    m_tree->commit_edit(value, raw, has_before, before);
}
