#pragma once

#include <core/core_export.h>

#include <QToolButton>

class QAction;

// Flat 22x22 button of the action tool bar: a hover highlight that fades in
// and out (property "fader", 0..1), a dark shade while pressed or checked,
// the icon with a soft shadow, and an etched line for separator actions.
class CORE_EXPORT QToolBarButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(float fader READ fader WRITE setFader)
public:
    explicit QToolBarButton(QAction *action, QWidget *parent = nullptr);

    float fader() const;
    void setFader(float value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void actionChanged();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void animateFader(float target);

    float m_fader;
};
