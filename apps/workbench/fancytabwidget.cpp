#include "fancytabwidget.h"
#include "workbenchresources.h"
#include "fancyactionbar.h"
#include "fancycolorbutton.h"
#include "fancymetrics.h"
#include "fancytabbar.h"

#include <core/style/minisplitter.h>
#include <core/plugin/qmenuactionmap.h>
#include <core/qsoftcore.h>
#include <core/style/styledbar.h>
#include <core/style/stylehelper.h>

#include <communicate/qcommunicate.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedLayout>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

using namespace FancyMetrics;

namespace {
const char *const LampOffline = ":/images/light_r.png";
const char *const LampOnline = ":/images/light_g.png";
// The no-answer lamp is drawn in the size of the others.
const QColor LampNoAnswerColor(255, 176, 0);
const QColor LampNoAnswerRim(160, 100, 0);

QPixmap no_answer_lamp()
{
    const QSize size = QPixmap(QLatin1String(LampOnline)).size();
    QPixmap lamp(size.isEmpty() ? QSize(16, 16) : size);
    lamp.fill(Qt::transparent);
    QPainter painter(&lamp);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(LampNoAnswerRim);
    painter.setBrush(LampNoAnswerColor);
    painter.drawEllipse(QRectF(lamp.rect()).adjusted(1.5, 1.5, -1.5, -1.5));
    return lamp;
}
} // namespace

FancyTabWidget::FancyTabWidget(QWidget *parent)
    : QWidget(parent)
{
    init_workbench_resources();
    m_tabBar = new FancyTabBar(this);
    m_selectionWidget = new QWidget(this);

    auto *selectionLayout = new QVBoxLayout;
    selectionLayout->setSpacing(0);
    selectionLayout->setContentsMargins(0, 0, 0, 0);

    auto *bar = new StyledBar;
    auto *colorLayout = new QHBoxLayout(bar);
    colorLayout->setContentsMargins(0, 0, 0, 0);
    colorLayout->setSpacing(0);
    colorLayout->addWidget(new FancyColorButton(this));
    selectionLayout->addWidget(bar);

    selectionLayout->addWidget(m_tabBar, 1);
    m_actionBar = new FancyActionBar(this);
    selectionLayout->addWidget(m_actionBar);
    m_selectionWidget->setLayout(selectionLayout);
    m_selectionWidget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    m_modesStack = new QStackedLayout;

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_statusBar->setSizeGripEnabled(false);
    m_linkText = new QLabel(tr("离线"));
    m_linkText->setObjectName(QStringLiteral("linkText"));
    m_linkText->setStyleSheet(QStringLiteral("color:rgb(255,255,255);"));
    m_linkLamp = new QLabel;
    m_linkLamp->setObjectName(QStringLiteral("linkLamp"));
    m_linkLamp->setPixmap(QPixmap(QLatin1String(LampOffline)));
    // Lamp first, then its text, at the right end of the bar.
    m_statusBar->addPermanentWidget(m_linkLamp, 0);
    m_statusBar->addPermanentWidget(m_linkText, 0);
    m_statusBar->setContentsMargins(0, 0, StatusBarRightMargin, 0);

    m_splitter = new MiniSplitter(Qt::Vertical);
    auto *pageArea = new QWidget;
    pageArea->setLayout(m_modesStack);
    m_splitter->addWidget(pageArea);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setSizes({100, 100});

    auto *vlayout = new QVBoxLayout;
    vlayout->setContentsMargins(0, 0, 0, 0);
    vlayout->setSpacing(0);
    vlayout->addWidget(m_splitter);
    vlayout->addWidget(m_statusBar);

    auto *mainLayout = new QHBoxLayout;
    mainLayout->setContentsMargins(0, 0, 0, 0);
    mainLayout->setSpacing(1);
    mainLayout->addWidget(m_selectionWidget);
    mainLayout->addLayout(vlayout);
    setLayout(mainLayout);

    QSoftCore *core = QSoftCore::get_core();
    QMenuActionMap *map = core->get_menu_action_map();
    const QString keys[] = {QStringLiteral("Menu.Communation.ConnectFast"),
                            QStringLiteral("Menu.Communation.Disconnect"),
                            QStringLiteral("Menu.Communation.Search")};
    for (const QString &key : keys) {
        tagActionInfo *info = map->get_action(key);
        if (info && info->action)
            m_actionBar->insertAction(info->action);
    }

    connect(m_tabBar, &FancyTabBar::currentChanged, this, &FancyTabWidget::showWidget);
    QCommunicate *link = core->get_communicate();
    connect(link, &QCommunicate::offline, this, &FancyTabWidget::offline);
    connect(link, &QCommunicate::online, this, &FancyTabWidget::online);
}

void FancyTabWidget::insertTab(int index, QWidget *page, const QIcon &icon, const QString &title)
{
    // A page plug-in may fail to build its widget; keep the stack and the bar
    // in step with an empty page instead.
    if (!page)
        page = new QWidget;
    m_modesStack->insertWidget(index, page);
    m_tabBar->insertTab(index, icon, title);
}

void FancyTabWidget::removeTab(int index)
{
    if (index < 0 || index >= count())
        return;
    m_modesStack->removeWidget(m_modesStack->widget(index));
    m_tabBar->removeTab(index);
}

void FancyTabWidget::setTabEnabled(int index, bool enable)
{
    m_tabBar->setTabEnabled(index, enable);
}

void FancyTabWidget::setTabToolTip(int index, const QString &toolTip)
{
    m_tabBar->setTabToolTip(index, toolTip);
}

int FancyTabWidget::currentIndex() const
{
    return m_tabBar->currentIndex();
}

int FancyTabWidget::count() const
{
    return m_tabBar->count();
}

void FancyTabWidget::setCurrentIndex(int index)
{
    if (m_tabBar->isTabEnabled(index))
        m_tabBar->setCurrentIndex(index);
}

void FancyTabWidget::setSelectionWidgetHidden(bool hidden)
{
    m_selectionWidget->setVisible(!hidden);
}

void FancyTabWidget::showWidget(int index)
{
    emit currentAboutToShow(index);
    m_modesStack->setCurrentIndex(index);
    emit currentChanged(index);
}

void FancyTabWidget::online()
{
    m_linkText->setText(tr("在线"));
    m_linkLamp->setPixmap(QPixmap(QLatin1String(LampOnline)));
}

void FancyTabWidget::set_no_answer(bool silent)
{
    if (silent) {
        m_linkText->setText(tr("无应答"));
        m_linkLamp->setPixmap(no_answer_lamp());
    } else {
        online();
    }
}

void FancyTabWidget::offline()
{
    m_linkText->setText(tr("离线"));
    m_linkLamp->setPixmap(QPixmap(QLatin1String(LampOffline)));
}

void FancyTabWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    QRect rect = m_selectionWidget->geometry().adjusted(0, 0, 1, 0);
    rect = style()->visualRect(layoutDirection(), geometry(), rect);
    StyleHelper::verticalGradient(&painter, rect, rect);
    painter.setPen(StyleHelper::borderColor());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.setPen(StyleHelper::sidebarHighlight());
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}
