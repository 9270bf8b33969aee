#pragma once

#include <core/core_export.h>

#include <QPointer>
#include <QToolButton>

class QAction;
class QPropertyAnimation;

// The flat 22x22 button of the action tool bar. It shows its action's icon
// with a soft shadow, a highlight that fades in while the mouse is over it
// (property "fader", 0 none to 1 full), a dark shade while pressed or
// checked, and an etched line for a separator action.
class CORE_EXPORT QToolBarButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(float fader READ fader WRITE setFader)
public:
    explicit QToolBarButton(QAction *action, QWidget *parent = nullptr);

    float fader() const { return m_fader; }
    void setFader(float value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // Follows the action's visible, checkable and checked states.
    void actionChanged();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fadeTo(float target);

    float m_fader = 0.0f;
    // The fade under way, if any; it deletes itself when it stops.
    QPointer<QPropertyAnimation> m_fade;
};
