#include "qtoolbarbutton.h"
#include <core/style/stylehelper.h>
#include <core/style/stylemetrics.h>

#include <QAction>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>

#include <algorithm>

using namespace StyleMetrics;

QToolBarButton::QToolBarButton(QAction *action, QWidget *parent)
    : QToolButton(parent)
    , m_fader(0)
{
    setDefaultAction(action);
    setAttribute(Qt::WA_Hover, true);
    if (action && action->isSeparator())
        setFixedSize(SeparatorButtonSize);
    else
        setFixedSize(ToolButtonSize);
}

float QToolBarButton::fader() const
{
    return m_fader;
}

void QToolBarButton::setFader(float value)
{
    m_fader = value;
    update();
}

QSize QToolBarButton::sizeHint() const
{
    QSizeF icon = iconSize();
    return QSize(std::max(int(icon.width()), ToolButtonHint.width()),
                 std::max(int(icon.height()), ToolButtonHint.height()));
}

QSize QToolBarButton::minimumSizeHint() const
{
    return ToolButtonMinimumHint;
}

void QToolBarButton::actionChanged()
{
    if (QAction *action = defaultAction()) {
        setVisible(action->isVisible());
        setCheckable(action->isCheckable());
        setChecked(action->isChecked());
    }
}

void QToolBarButton::animateFader(float target)
{
    auto *animation = new QPropertyAnimation(this, "fader", this);
    animation->setDuration(FadeDurationMs);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool QToolBarButton::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::Enter:
        animateFader(1.0f);
        return false;
    case QEvent::Leave:
        animateFader(0.0f);
        return false;
    default:
        return QToolButton::event(e);
    }
}

void QToolBarButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QAction *action = defaultAction();

    if (action && action->isSeparator()) {
        const QRectF r = rect();
        const qreal x = r.center().x();
        QLinearGradient light(r.topLeft(), r.bottomLeft());
        light.setColorAt(0, QColor(255, 255, 255, 20));
        light.setColorAt(0.4, QColor(255, 255, 255, 60));
        light.setColorAt(0.7, QColor(255, 255, 255, 50));
        light.setColorAt(1, QColor(255, 255, 255, 40));
        QLinearGradient dark(r.topLeft(), r.bottomLeft());
        dark.setColorAt(0, QColor(0, 0, 0, 30));
        dark.setColorAt(0.4, QColor(0, 0, 0, 70));
        dark.setColorAt(0.7, QColor(0, 0, 0, 70));
        dark.setColorAt(1, QColor(0, 0, 0, 40));
        painter.setPen(QPen(light, 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
        painter.setPen(QPen(dark, 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.drawLine(QPointF(x + 1, r.top()), QPointF(x + 1, r.bottom()));
        return;
    }

    const bool enabled = isEnabled();
    if (m_fader > 0 && enabled && !isDown() && !isChecked()) {
        painter.fillRect(rect(), ButtonHoverColor.lighter(ButtonHoverLightenBase
                                                           + 2 * int(ButtonHoverLightenSteps * m_fader)));
    } else if (isDown() || isChecked()) {
        painter.fillRect(rect(), ButtonDownColor.darker(ButtonDownDarken));
    }

    QRect iconRect(QPoint(0, 0), ToolButtonSize);
    iconRect.moveCenter(rect().center());
    StyleHelper::drawIconWithShadow(icon(), iconRect, &painter,
                                    enabled ? QIcon::Normal : QIcon::Disabled, IconShadowRadius,
                                    IconShadowColor, IconShadowOffset);
}
