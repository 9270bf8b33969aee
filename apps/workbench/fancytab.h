#pragma once

#include <QIcon>
#include <QObject>
#include <QPropertyAnimation>
#include <QString>

class QWidget;

// One tab of the navigation bar: what it shows and its hover glow. Owned by
// the tab bar (no Qt parent); the bar is repainted whenever the glow changes.
class FancyTab : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float fader READ fader WRITE setFader)
public:
    explicit FancyTab(QWidget *tabbar);

    float fader() const { return m_fader; }
    void setFader(float value);

    void fadeIn();
    void fadeOut();

    QIcon icon;
    QString text;
    QString toolTip;
    bool enabled = true;

private:
    QPropertyAnimation m_animator;
    QWidget *m_tabbar;
    float m_fader = 0.0f;
};
