#include "fancytabwidget.h"
#include "fancyactionbar.h"
#include "fancycolorbutton.h"
#include "fancymetrics.h"
#include "fancytabbar.h"

#include <core/plugin/qmenuactionmap.h>
#include <core/qsoftcore.h>
#include <core/style/minisplitter.h>
#include <core/style/styledbar.h>
#include <core/style/stylehelper.h>

#include <communicate/qcommunicate.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedLayout>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const char *const OfflineLamp = ":/images/light_r.png";
const char *const OnlineLamp = ":/images/light_g.png";

// The link's commands that get a button under the tabs, in this order,
// where the main window has registered them.
const char *const ButtonActionKeys[] = {
    "Menu.Communation.ConnectFast",
    "Menu.Communation.Disconnect",
    "Menu.Communation.Search",
};

QPixmap lamp(const char *path)
{
    return QPixmap(QString::fromLatin1(path));
}

} // namespace

FancyTabWidget::FancyTabWidget(QWidget *parent)
    : QWidget(parent)
    , m_tabBar(new FancyTabBar(this))
    , m_pageStack(new QStackedLayout)
    , m_statusBar(nullptr)
    , m_selectionWidget(new QWidget(this))
    , m_actionBar(nullptr)
    , m_splitter(new MiniSplitter(Qt::Vertical))
    , m_linkText(nullptr)
    , m_linkLamp(nullptr)
{
    buildSelectionColumn();
    buildStatusBar();

    auto *pages = new QWidget;
    pages->setLayout(m_pageStack);
    m_splitter->addWidget(pages);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setSizes({100, 100});

    auto *right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(m_splitter);
    right->addWidget(m_statusBar);

    auto *main = new QHBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(1);
    main->addWidget(m_selectionWidget);
    main->addLayout(right);

    QSoftCore *core = QSoftCore::get_core();
    QMenuActionMap *actions = core->get_menu_action_map();
    for (const char *key : ButtonActionKeys) {
        const tagActionInfo *info = actions->get_action(QString::fromLatin1(key));
        if (info && info->action)
            m_actionBar->insertAction(info->action);
    }

    connect(m_tabBar, &FancyTabBar::currentChanged, this, &FancyTabWidget::showWidget);
    QCommunicate *link = core->get_communicate();
    connect(link, &QCommunicate::offline, this, &FancyTabWidget::offline);
    connect(link, &QCommunicate::online, this, &FancyTabWidget::online);
}

void FancyTabWidget::buildSelectionColumn()
{
    // Colour strip, tabs, buttons; fixed width, the full height.
    auto *strip = new StyledBar;
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    stripLayout->setSpacing(0);
    auto *colorButton = new FancyColorButton(this);
    colorButton->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Preferred);
    stripLayout->addWidget(colorButton);

    m_actionBar = new FancyActionBar(this);

    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(strip);
    column->addWidget(m_tabBar);
    column->addWidget(m_actionBar);
    m_selectionWidget->setLayout(column);
    m_selectionWidget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void FancyTabWidget::buildStatusBar()
{
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setContentsMargins(0, 0, FancyMetrics::StatusBarRightMargin, 0);

    m_linkLamp = new QLabel;
    m_linkLamp->setObjectName(QStringLiteral("linkLamp"));
    m_linkText = new QLabel;
    m_linkText->setObjectName(QStringLiteral("linkText"));
    m_linkText->setStyleSheet(QStringLiteral("color:rgb(255,255,255);"));
    // Lamp, then its word, at the right end; the main window puts the link's
    // counters left of them.
    m_statusBar->addPermanentWidget(m_linkLamp, 0);
    m_statusBar->addPermanentWidget(m_linkText, 0);
    offline();
}

void FancyTabWidget::insertTab(int index, QWidget *page, const QIcon &icon, const QString &title)
{
    m_pageStack->insertWidget(index, page);
    m_tabBar->insertTab(index, icon, title);
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
    // The bar ignores indexes that are out of range or of a disabled tab.
    m_tabBar->setCurrentIndex(index);
}

void FancyTabWidget::setSelectionWidgetHidden(bool hidden)
{
    m_selectionWidget->setVisible(!hidden);
}

void FancyTabWidget::showWidget(int index)
{
    emit currentAboutToShow(index);
    m_pageStack->setCurrentIndex(index);
    emit currentChanged(index);
}

void FancyTabWidget::online()
{
    m_linkText->setText(tr("在线"));
    m_linkLamp->setPixmap(lamp(OnlineLamp));
}

void FancyTabWidget::offline()
{
    m_linkText->setText(tr("离线"));
    m_linkLamp->setPixmap(lamp(OfflineLamp));
}

void FancyTabWidget::paintEvent(QPaintEvent *)
{
    if (!m_selectionWidget->isVisible())
        return;
    // The navigation column's background, one pixel wider than the column so
    // its right edge line falls into the gap beside it.
    QPainter painter(this);
    const QRect column = style()->visualRect(layoutDirection(), rect(),
                                             m_selectionWidget->geometry().adjusted(0, 0, 1, 0));
    StyleHelper::verticalGradient(&painter, column, column);
    painter.setPen(StyleHelper::borderColor());
    painter.drawLine(column.topRight(), column.bottomRight());
    painter.setPen(StyleHelper::sidebarHighlight());
    painter.drawLine(column.bottomLeft(), column.bottomRight());
}
