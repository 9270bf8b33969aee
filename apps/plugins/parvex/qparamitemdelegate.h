#pragma once

#include <core/dialogs/qbaseitemdelegate.h>

#include <QCoreApplication>

class QParamTreeWidget;

// Editor factory of the parameter table: a spin box with the range and
// decimals the value's width and scale allow, or the list of its choices.
// A committed edit goes to the page, which writes it to the drive (and reads
// it back), keeps it for a later write, or puts it into an open parameter
// file. Private to this plug-in (core has a class of the same
// name for the pick dialog), so it is never exported.
class QParamItemDelegate : public QBaseItemDelegate
{
    Q_DECLARE_TR_FUNCTIONS(QParamItemDelegate)

public:
    explicit QParamItemDelegate(QParamTreeWidget *tree);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

private:
    QParamTreeWidget *m_tree;
};
