#include "qtoolbarbutton.h"

#include <core/style/manhattanstyle.h>
#include <core/style/stylehelper.h>
#include <core/style/stylemetrics.h>

#include <QAction>
#include <QEvent>
#include <QPainter>
#include <QPropertyAnimation>

using namespace StyleMetrics;

QToolBarButton::QToolBarButton(QAction *action, QWidget *parent)
    : QToolButton(parent)
{
    setDefaultAction(action);
    setAttribute(Qt::WA_Hover, true);
    const bool separator = action && action->isSeparator();
    setFixedSize(separator ? SeparatorButtonSize : ToolButtonSize);
}

void QToolBarButton::setFader(float value)
{
    m_fader = value;
    update();
}

QSize QToolBarButton::sizeHint() const
{
    // The fixed size decides the layout; this is what a free button would ask.
    return iconSize().expandedTo(ToolButtonHint);
}

QSize QToolBarButton::minimumSizeHint() const
{
    return ToolButtonMinimumHint;
}

void QToolBarButton::actionChanged()
{
    QAction *action = defaultAction();
    if (!action)
        return;
    setVisible(action->isVisible());
    setCheckable(action->isCheckable());
    setChecked(action->isChecked());
}

bool QToolBarButton::event(QEvent *e)
{
    // The highlight fades; the tool button's own hover handling is not wanted.
    switch (e->type()) {
    case QEvent::Enter:
        fadeTo(1.0f);
        return false;
    case QEvent::Leave:
        fadeTo(0.0f);
        return false;
    default:
        return QToolButton::event(e);
    }
}

void QToolBarButton::fadeTo(float target)
{
    // A new fade takes over from the one under way, from where it got to.
    if (m_fade)
        m_fade->stop();
    auto *fade = new QPropertyAnimation(this, "fader", this);
    fade->setDuration(FadeDurationMs);
    fade->setEndValue(target);
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void QToolBarButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QAction *action = defaultAction();
    if (action && action->isSeparator()) {
        // Etched line through the middle: light line, dark line to its right.
        const QRect line(width() / 2, 0, 2, height());
        ManhattanStyle::drawButtonSeparator(&painter, line, false);
        return;
    }

    const bool enabled = isEnabled();
    const bool pressed = isDown() || isChecked();
    if (m_fader > 0 && enabled && !pressed) {
        const int steps = int(ButtonHoverLightenSteps * m_fader);
        painter.fillRect(rect(), ButtonHoverColor.lighter(ButtonHoverLightenBase + 2 * steps));
    } else if (pressed) {
        painter.fillRect(rect(), ButtonDownColor.darker(ButtonDownDarken));
    }

    QRect iconArea(QPoint(0, 0), ToolButtonSize);
    iconArea.moveCenter(rect().center());
    StyleHelper::drawIconWithShadow(icon(), iconArea, &painter,
                                    enabled ? QIcon::Normal : QIcon::Disabled, IconShadowRadius,
                                    IconShadowColor, IconShadowOffset);
}
