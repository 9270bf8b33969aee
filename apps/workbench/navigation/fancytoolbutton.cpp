#include "fancytoolbutton.h"
#include "fancymetrics.h"

#include <core/style/stylehelper.h>

#include <QAction>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>

using namespace FancyMetrics;

namespace {

// A band across the button, clear at both sides and `middle` in the centre.
QLinearGradient band(const QRect &r, const QColor &middle)
{
    QLinearGradient gradient(r.topLeft(), r.topRight());
    gradient.setColorAt(0, Qt::transparent);
    gradient.setColorAt(0.5, middle);
    gradient.setColorAt(1, Qt::transparent);
    return gradient;
}

} // namespace

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

QSize FancyToolButton::sizeHint() const
{
    return iconSize().expandedTo(ActionButtonSize);
}

QSize FancyToolButton::minimumSizeHint() const
{
    return ActionButtonMinimum;
}

bool FancyToolButton::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Enter:
        fadeTo(1.0f);
        return true;
    case QEvent::Leave:
        fadeTo(0.0f);
        return true;
    default:
        return QToolButton::event(event);
    }
}

void FancyToolButton::fadeTo(float end)
{
    auto *fade = new QPropertyAnimation(this, "fader", this);
    fade->setDuration(ActionButtonFadeMs);
    fade->setEndValue(end);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void FancyToolButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    const bool pressed = isDown() || isChecked();

    if (m_fader > 0 && isEnabled() && !pressed) {
        QColor glow(Qt::white);
        glow.setAlpha(int(m_fader * ActionButtonGlowAlpha));
        const QLinearGradient shine = band(r, glow);
        painter.fillRect(r, shine);
        painter.setPen(QPen(QBrush(shine), 1));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.bottomLeft(), r.bottomRight());
    } else if (pressed) {
        const QLinearGradient shade = band(r, ActionButtonPressed);
        painter.fillRect(r, shade);
        painter.setPen(QPen(QBrush(shade), 1));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
    }

    QRect iconArea(0, 0, ActionIconSide, ActionIconSide);
    iconArea.moveCenter(r.center());
    StyleHelper::drawIconWithShadow(icon(), iconArea, &painter,
                                    isEnabled() ? QIcon::Normal : QIcon::Disabled,
                                    IconShadowRadius, IconShadow, IconShadowOffset);
}

void FancyToolButton::actionChanged()
{
    if (QAction *action = defaultAction())
        setVisible(action->isVisible());
}
