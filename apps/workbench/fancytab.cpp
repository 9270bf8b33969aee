#include "fancytab.h"
#include "fancymetrics.h"

#include <QWidget>

FancyTab::FancyTab(QWidget *tabbar)
    : m_tabbar(tabbar)
{
    m_animator.setPropertyName("fader");
    m_animator.setTargetObject(this);
}

void FancyTab::setFader(float value)
{
    m_fader = value;
    m_tabbar->update();
}

void FancyTab::fadeIn()
{
    m_animator.stop();
    m_animator.setDuration(FancyMetrics::TabFadeInMs);
    m_animator.setEndValue(FancyMetrics::TabFadeInEnd);
    m_animator.start();
}

void FancyTab::fadeOut()
{
    m_animator.stop();
    m_animator.setDuration(FancyMetrics::TabFadeOutMs);
    m_animator.setEndValue(0.0f);
    m_animator.start();
}
