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
    , m_actionsLayout(new QVBoxLayout)
{
    setObjectName(QStringLiteral("actionbar"));
    m_actionsLayout->setContentsMargins(0, 0, 0, 0);
    m_actionsLayout->setSpacing(0);

    auto *column = new QVBoxLayout(this);
    // A little room above the first button and below the last one.
    column->setContentsMargins(0, ActionBarTopMargin, 0, 0);
    column->setSpacing(0);
    column->addLayout(m_actionsLayout);
    column->addSpacing(ActionBarBottomSpacing);
}

void FancyActionBar::insertAction(QAction *action)
{
    auto *button = new FancyToolButton(this);
    button->setFixedSize(ActionButtonSize);
    button->setDefaultAction(action);
    connect(action, &QAction::changed, button, &FancyToolButton::actionChanged);
    // An action hidden already when it is added hides its button too.
    button->actionChanged();
    m_actionsLayout->addWidget(button);
    m_buttons.insert(action, button);
}

QSize FancyActionBar::minimumSizeHint() const
{
    return sizeHint();
}

void FancyActionBar::paintEvent(QPaintEvent *)
{
    // A groove between the tabs and the buttons.
    QPainter painter(this);
    painter.setPen(StyleHelper::sidebarShadow());
    painter.drawLine(0, 0, width() - 1, 0);
    painter.setPen(StyleHelper::sidebarHighlight());
    painter.drawLine(1, 1, width() - 1, 1);
}
