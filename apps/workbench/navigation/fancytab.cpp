#include "fancytab.h"
#include "fancymetrics.h"

#include <QWidget>

using namespace FancyMetrics;

FancyTab::FancyTab(QWidget *tabBar)
    : m_tabBar(tabBar)
{
    m_animator.setTargetObject(this);
    m_animator.setPropertyName("fader");
}

void FancyTab::setFader(float value)
{
    m_fader = value;
    m_tabBar->update();
}

void FancyTab::fadeIn()
{
    fadeTo(TabFadeInEnd, TabFadeInMs);
}

void FancyTab::fadeOut()
{
    fadeTo(0.0f, TabFadeOutMs);
}

void FancyTab::fadeTo(float end, int durationMs)
{
    m_animator.stop();
    m_animator.setDuration(durationMs);
    m_animator.setEndValue(end);
    m_animator.start();
}
