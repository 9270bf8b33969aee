#pragma once

#include <core/core_export.h>

#include <QList>
#include <QWidget>

class QAction;
class QToolBarButton;

// Slim horizontal bar that shows a list of actions as flat icon buttons, with
// an optional label area beside them. The bar owns its buttons (replaced on
// every addButtonActions call) and the label area; the actions stay with
// their owner.
class CORE_EXPORT QActionToolBar : public QWidget
{
    Q_OBJECT
public:
    // AlignLeft puts the buttons left of the label area, AlignRight right of it.
    explicit QActionToolBar(Qt::Alignment alignment = Qt::AlignLeft, QWidget *parent = nullptr);

    void setLabelWidget(QWidget *widget);
    void addButtonActions(const QList<QAction *> &actions);

private:
    QList<QToolBarButton *> m_buttons;
    QWidget *m_label_area;
    Qt::Alignment m_alignment;
};
