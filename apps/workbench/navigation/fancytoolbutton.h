#pragma once

#include <QToolButton>

// A large icon button of the action bar under the tabs. A glow fades in
// while the mouse is over it (property "fader", 0 to 1); pressed or checked
// it shows a dark band. The button follows its action's visibility.
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
    // The action bar wires each button to its action's changes.
    friend class FancyActionBar;

    void fadeTo(float end);

    float m_fader = 0.0f;
};
