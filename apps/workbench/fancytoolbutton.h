#pragma once

#include <QToolButton>

// Large icon-only button of the action bar with a hover glow that fades in
// and out.
class FancyToolButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(float fader READ fader WRITE setFader)
public:
    explicit FancyToolButton(QWidget *parent = nullptr);

    float fader() const { return m_fader; }
    void setFader(float value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private slots:
    void actionChanged();

private:
    friend class FancyActionBar; // connects actionChanged() to the button's action

    void animateFader(float endValue);

    float m_fader = 0.0f;
};
