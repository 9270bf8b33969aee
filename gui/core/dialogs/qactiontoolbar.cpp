#include "qactiontoolbar.h"
#include "qtoolbarbutton.h"
#include <core/style/stylemetrics.h>

#include <QAction>
#include <QHBoxLayout>

using namespace StyleMetrics;

QActionToolBar::QActionToolBar(Qt::Alignment alignment, QWidget *parent)
    : QWidget(parent)
    , m_label_area(new QWidget(this))
    , m_alignment(alignment)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(ActionBarMarginH, 0, ActionBarMarginH, 0);
    layout->setSpacing(ActionBarSpacing);
    layout->addWidget(m_label_area);
}

void QActionToolBar::setLabelWidget(QWidget *widget)
{
    // A second call replaces the first label instead of stacking a second
    // layout (which QWidget refuses) on the label area. The old label is only
    // hidden: the caller may still hold it.
    QLayout *labelLayout = m_label_area->layout();
    if (labelLayout) {
        while (QLayoutItem *item = labelLayout->takeAt(0)) {
            if (QWidget *old = item->widget())
                old->hide();
            delete item;
        }
    } else {
        labelLayout = new QHBoxLayout(m_label_area);
        labelLayout->setContentsMargins(0, 0, 0, 0);
        labelLayout->setSpacing(0);
    }
    if (widget)
        labelLayout->addWidget(widget);
}

void QActionToolBar::addButtonActions(const QList<QAction *> &actions)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();

    QLayout *barLayout = layout();
    barLayout->removeWidget(m_label_area);
    if (m_alignment == Qt::AlignRight)
        barLayout->addWidget(m_label_area);

    for (QAction *action : actions) {
        auto *button = new QToolBarButton(action, this);
        connect(action, &QAction::changed, button, &QToolBarButton::actionChanged);
        barLayout->addWidget(button);
        m_buttons.append(button);
    }

    if (m_alignment == Qt::AlignLeft)
        barLayout->addWidget(m_label_area);
    // Shortcuts of the actions work while the bar is visible.
    addActions(actions);
}
