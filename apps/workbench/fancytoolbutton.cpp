#include "fancytoolbutton.h"
#include "fancymetrics.h"

#include <core/style/stylehelper.h>

#include <QAction>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>

using namespace FancyMetrics;

FancyToolButton::FancyToolButton(QWidget *parent)
    : QToolButton(parent)
{
    setAttribute(Qt::WA_Hover, true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void FancyToolButton::setFader(float value)
{
    m_fader = value;
    update();
}

void FancyToolButton::animateFader(float endValue)
{
    auto *animation = new QPropertyAnimation(this, "fader");
    animation->setDuration(ActionButtonFadeMs);
    animation->setEndValue(endValue);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool FancyToolButton::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
        animateFader(1.0f);
        event->accept();
        return true;
    case QEvent::Leave:
        animateFader(0.0f);
        event->accept();
        return true;
    default:
        return QToolButton::event(event);
    }
}

void FancyToolButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);

    const bool pressedOrChecked = isDown() || isChecked();
    if (m_fader > 0 && isEnabled() && !pressedOrChecked) {
        painter.save();
        QLinearGradient grad(rect().topLeft(), rect().topRight());
        grad.setColorAt(0, Qt::transparent);
        grad.setColorAt(0.5, QColor(255, 255, 255, int(m_fader * ActionButtonGlowAlpha)));
        grad.setColorAt(1, Qt::transparent);
        painter.fillRect(rect(), grad);
        painter.setPen(QPen(grad, 1.0));
        painter.drawLine(rect().topLeft(), rect().topRight());
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
        painter.restore();
    } else if (pressedOrChecked) {
        painter.save();
        QLinearGradient grad(rect().topLeft(), rect().topRight());
        grad.setColorAt(0, Qt::transparent);
        grad.setColorAt(0.5, ActionButtonPressed);
        grad.setColorAt(1, Qt::transparent);
        painter.fillRect(rect(), grad);
        painter.setPen(QPen(grad, 1.0));
        painter.drawLine(rect().topLeft(), rect().topRight());
        painter.drawLine(rect().topLeft() + QPoint(0, 1), rect().topRight() + QPoint(0, 1));
        painter.drawLine(rect().bottomLeft(), rect().bottomRight());
        painter.drawLine(rect().topLeft() - QPoint(0, 1), rect().topRight() - QPoint(0, 1));
        painter.restore();
    }

    QRect iconRect(0, 0, ActionIconSide, ActionIconSide);
    iconRect.moveCenter(rect().center());
    StyleHelper::drawIconWithShadow(icon(), iconRect, &painter,
                                    isEnabled() ? QIcon::Normal : QIcon::Disabled,
                                    IconShadowRadius, IconShadow, IconShadowOffset);
}

QSize FancyToolButton::sizeHint() const
{
    return QSize(std::max(iconSize().width(), ActionButtonSize.width()),
                 std::max(iconSize().height(), ActionButtonSize.height()));
}

QSize FancyToolButton::minimumSizeHint() const
{
    return ActionButtonMinimum;
}

void FancyToolButton::actionChanged()
{
    if (QAction *action = defaultAction())
        setVisible(action->isVisible());
}
