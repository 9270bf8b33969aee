#include "fancyactionbar.h"
#include "fancymetrics.h"
#include "fancytoolbutton.h"

#include <core/style/stylehelper.h>

#include <QAction>
#include <QPainter>
#include <QVBoxLayout>

using namespace FancyMetrics;

FancyActionBar::FancyActionBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("actionbar"));
    m_actionsLayout = new QVBoxLayout;
    auto *spacerLayout = new QVBoxLayout;
    spacerLayout->addLayout(m_actionsLayout);
    spacerLayout->addSpacing(ActionBarBottomSpacing);
    spacerLayout->setContentsMargins(0, 0, 0, 0);
    spacerLayout->setSpacing(0);
    setLayout(spacerLayout);
    setContentsMargins(0, ActionBarTopMargin, 0, ActionBarBottomSpacing);
}

void FancyActionBar::insertAction(QAction *action)
{
    auto *button = new FancyToolButton(this);
    button->setFixedSize(ActionButtonSize);
    button->setDefaultAction(action);
    connect(action, &QAction::changed, button, &FancyToolButton::actionChanged);
    m_actionsLayout->addWidget(button);
    m_actionButtons.insert(action, button);
}

void FancyActionBar::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setPen(StyleHelper::sidebarShadow());
    painter.drawLine(0, 0, width(), 0);
    painter.setPen(StyleHelper::sidebarHighlight());
    painter.drawLine(1, 1, width(), 1);
}

QSize FancyActionBar::minimumSizeHint() const
{
    return sizeHint();
}
