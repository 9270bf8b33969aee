#include "fancytabbar.h"
#include "fancymetrics.h"
#include "fancytab.h"

#include <core/style/stylehelper.h>

#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleFactory>
#include <QToolTip>

#include <algorithm>

using namespace FancyMetrics;

FancyTabBar::FancyTabBar(QWidget *parent)
    : QWidget(parent)
{
    // The bar paints every pixel itself; the plain style keeps the panel
    // style's polish (hover limits, panel metrics) off it.
    m_windowsStyle = QStyleFactory::create(QStringLiteral("windows"));
    if (m_windowsStyle)
        setStyle(m_windowsStyle);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setMinimumWidth(TabBarMinimumWidth);
    setAttribute(Qt::WA_Hover, true);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);

    m_triggerTimer.setSingleShot(true);
    connect(&m_triggerTimer, &QTimer::timeout, this, &FancyTabBar::emitCurrentIndex);
}

FancyTabBar::~FancyTabBar()
{
    qDeleteAll(m_tabs);
    if (m_windowsStyle) {
        // Back to the application style first: the widget must not point at
        // a deleted style while it is taken down.
        setStyle(nullptr);
        delete m_windowsStyle;
    }
}

QFont FancyTabBar::titleFont() const
{
    QFont title = font();
    title.setPointSizeF(StyleHelper::sidebarFontSize());
    title.setBold(true);
    return title;
}

QSize FancyTabBar::tabSizeHint(bool minimum) const
{
    const QFontMetrics metrics(titleFont());
    int widest = 0;
    for (const FancyTab *tab : m_tabs)
        widest = std::max(widest, metrics.horizontalAdvance(tab->text));
    const int width = std::max(TabMinimumWidth, widest + TabTextPadding);
    int height = metrics.height() + TabTextHeightPadding;
    if (!minimum)
        height += TabIconHeight;
    return QSize(width, height);
}

QSize FancyTabBar::sizeHint() const
{
    const QSize tab = tabSizeHint();
    return QSize(tab.width(), tab.height() * count());
}

QSize FancyTabBar::minimumSizeHint() const
{
    const QSize tab = tabSizeHint(true);
    return QSize(tab.width(), tab.height() * count());
}

QRect FancyTabBar::tabRect(int index) const
{
    const QSize hint = tabSizeHint();
    int tabHeight = hint.height();
    // Too short for all of them: they share the height evenly.
    if (count() > 0 && height() < tabHeight * count())
        tabHeight = height() / count();
    return QRect(0, index * tabHeight, hint.width(), tabHeight);
}

int FancyTabBar::tabAt(const QPoint &pos) const
{
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(pos))
            return i;
    }
    return -1;
}

void FancyTabBar::insertTab(int index, const QIcon &icon, const QString &label)
{
    auto *tab = new FancyTab(this);
    tab->icon = icon;
    tab->text = label;
    index = std::clamp(index, 0, count());
    m_tabs.insert(index, tab);
    // The current tab keeps being current where it now sits.
    if (m_currentIndex >= index)
        ++m_currentIndex;
    m_hoverIndex = -1;
    updateGeometry();
    update();
}

void FancyTabBar::setTabEnabled(int index, bool enable)
{
    if (!isValid(index))
        return;
    m_tabs.at(index)->enabled = enable;
    update();
}

bool FancyTabBar::isTabEnabled(int index) const
{
    return isValid(index) && m_tabs.at(index)->enabled;
}

void FancyTabBar::setTabToolTip(int index, const QString &toolTip)
{
    if (isValid(index))
        m_tabs.at(index)->toolTip = toolTip;
}

QString FancyTabBar::tabToolTip(int index) const
{
    return isValid(index) ? m_tabs.at(index)->toolTip : QString();
}

QString FancyTabBar::tabText(int index) const
{
    return isValid(index) ? m_tabs.at(index)->text : QString();
}

QIcon FancyTabBar::tabIcon(int index) const
{
    return isValid(index) ? m_tabs.at(index)->icon : QIcon();
}

void FancyTabBar::setCurrentIndex(int index)
{
    if (!isTabEnabled(index))
        return;
    m_currentIndex = index;
    update();
    emit currentChanged(index);
}

void FancyTabBar::emitCurrentIndex()
{
    emit currentChanged(m_currentIndex);
}

// Mouse -----------------------------------------------------------------------

void FancyTabBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    const int index = tabAt(event->position().toPoint());
    if (!isTabEnabled(index))
        return;
    m_currentIndex = index;
    update();
    // Announced after this press has been handled completely.
    m_triggerTimer.start(0);
}

void FancyTabBar::mouseMoveEvent(QMouseEvent *event)
{
    const int index = tabAt(event->position().toPoint());
    if (index == m_hoverIndex)
        return;
    if (isValid(m_hoverIndex))
        m_tabs.at(m_hoverIndex)->fadeOut();
    m_hoverIndex = index;
    if (isValid(m_hoverIndex))
        m_tabs.at(m_hoverIndex)->fadeIn();
}

void FancyTabBar::enterEvent(QEnterEvent *event)
{
    m_hoverIndex = -1;
    QWidget::enterEvent(event);
}

void FancyTabBar::leaveEvent(QEvent *event)
{
    m_hoverIndex = -1;
    for (FancyTab *tab : std::as_const(m_tabs))
        tab->fadeOut();
    QWidget::leaveEvent(event);
}

bool FancyTabBar::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && isValid(m_hoverIndex)) {
        const QString tip = m_tabs.at(m_hoverIndex)->toolTip;
        if (!tip.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, this);
            return true;
        }
    }
    return QWidget::event(event);
}

// Painting --------------------------------------------------------------------

void FancyTabBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The current tab last: its edge lines reach into its neighbours.
    for (int i = 0; i < count(); ++i) {
        if (i != m_currentIndex)
            paintTab(&painter, i);
    }
    if (isValid(m_currentIndex))
        paintTab(&painter, m_currentIndex);
}

void FancyTabBar::paintSelectedBackground(QPainter *painter, const QRect &r) const
{
    QLinearGradient fill(r.topLeft(), r.topRight());
    fill.setColorAt(0, SelectedFillLeft);
    fill.setColorAt(1, SelectedFillRight);
    painter->fillRect(r.adjusted(0, 0, 0, -1), fill);

    auto row = [painter, &r](int y, int fromX, const QColor &color) {
        painter->setPen(color);
        painter->drawLine(fromX, y, r.right(), y);
    };
    // Dark lines above and below the tab, each with a light line outside it.
    row(r.top() - 1, r.left() + 1, SelectedDarkEdge);
    row(r.bottom(), r.left(), SelectedDarkEdge);
    row(r.top() - 2, r.left(), SelectedLightOuter);
    row(r.bottom() + 1, r.left(), SelectedLightOuter);
    // A faint dark line on the left, faint light lines just inside.
    painter->setPen(SelectedLeftEdge);
    painter->drawLine(r.left(), r.top(), r.left(), r.bottom());
    row(r.top(), r.left(), SelectedLightInner);
    painter->setPen(SelectedLightInner);
    painter->drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 1);
    row(r.bottom() - 1, r.left(), SelectedLightInner);
}

void FancyTabBar::paintTab(QPainter *painter, int index) const
{
    const FancyTab *tab = m_tabs.at(index);
    const QRect r = tabRect(index);
    const bool selected = index == m_currentIndex;
    const bool enabled = tab->enabled;

    painter->save();
    if (selected)
        paintSelectedBackground(painter, r);

    // Short tabs show the title alone, centred; tall ones the icon above it.
    const bool withIcon = r.bottom() - r.top() > TabIconThreshold;
    const QRect textRect = r.translated(0, withIcon ? -2 : 1);
    const int flags = Qt::TextWordWrap
        | (withIcon ? (Qt::AlignHCenter | Qt::AlignBottom) : int(Qt::AlignCenter));
    painter->setFont(titleFont());

    if (enabled) {
        painter->setPen(selected ? SelectedShadow : UnselectedShadow);
        painter->drawText(textRect, flags, tab->text);
    }

    QColor textColor;
    if (enabled) {
        textColor = selected ? SelectedText : StyleHelper::panelTextColor();
        if (!selected && tab->fader() > 0) {
            QColor glow(Qt::white);
            glow.setAlpha(std::clamp(int(tab->fader()), 0, 255));
            QLinearGradient shine(r.topLeft(), r.topRight());
            shine.setColorAt(0, Qt::transparent);
            shine.setColorAt(0.5, glow);
            shine.setColorAt(1, Qt::transparent);
            painter->fillRect(r, shine);
            painter->setPen(QPen(QBrush(shine), 1));
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.bottomLeft(), r.bottomRight());
        }
    } else {
        textColor = selected ? StyleHelper::panelTextColor() : DisabledText;
        painter->setOpacity(DisabledOpacity);
    }

    if (withIcon) {
        const QRect room(0, 0, r.width(), r.height());
        const int titleHeight =
            painter->fontMetrics().boundingRect(room, Qt::TextWordWrap, tab->text).height();
        const QRect iconRect = r.adjusted(0, TabIconTopMargin, 0, -titleHeight);
        StyleHelper::drawIconWithShadow(tab->icon, iconRect, painter,
                                        enabled ? QIcon::Normal : QIcon::Disabled,
                                        IconShadowRadius, IconShadow, IconShadowOffset);
    }

    painter->setPen(textColor);
    painter->drawText(textRect.translated(0, -1), flags, tab->text);
    painter->restore();
}
