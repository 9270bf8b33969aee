#pragma once

#include <QIcon>
#include <QObject>
#include <QPropertyAnimation>
#include <QString>

class QWidget;

// What one tab of the navigation column shows, and its hover glow ("fader",
// 0 none up to an alpha of 40). The tab bar keeps these in its list and
// deletes them (they have no Qt parent); every step of the glow repaints
// the bar.
class FancyTab : public QObject
{
    Q_OBJECT
    Q_PROPERTY(float fader READ fader WRITE setFader)
public:
    explicit FancyTab(QWidget *tabBar);

    float fader() const { return m_fader; }
    void setFader(float value);

    // Both start from wherever the glow is now.
    void fadeIn();
    void fadeOut();

    QIcon icon;
    QString text;
    QString toolTip;
    bool enabled = true;

private:
    void fadeTo(float end, int durationMs);

    QPropertyAnimation m_animator;
    QWidget *m_tabBar;
    float m_fader = 0.0f;
};
