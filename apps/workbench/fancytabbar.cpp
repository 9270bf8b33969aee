#include "fancytabbar.h"
#include "fancymetrics.h"
#include "fancytab.h"

#include <core/style/stylehelper.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

#include <algorithm>

using namespace FancyMetrics;

FancyTabBar::FancyTabBar(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    // The bar paints everything itself; a plain platform style keeps the
    // panel style's tool-bar look away from it.
    m_ownStyle = QStyleFactory::create(QStringLiteral("windows"));
    if (m_ownStyle)
        setStyle(m_ownStyle);
    setMinimumWidth(TabBarMinimumWidth);
    setAttribute(Qt::WA_Hover, true);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    m_triggerTimer.setSingleShot(true);
    connect(&m_triggerTimer, &QTimer::timeout, this, &FancyTabBar::emitCurrentIndex);
}

FancyTabBar::~FancyTabBar()
{
    qDeleteAll(m_tabs);
    m_tabs.clear();
    // The widget holds its style through a guarded pointer and falls back to
    // the application style once it is gone.
    delete m_ownStyle;
}

QSize FancyTabBar::tabSizeHint(bool minimum) const
{
    QFont boldFont(font());
    boldFont.setPointSizeF(StyleHelper::sidebarFontSize());
    boldFont.setBold(true);
    const QFontMetrics fm(boldFont);
    const int spacing = TabTextHeightPadding;
    int maxLabelWidth = 0;
    for (const FancyTab *tab : m_tabs)
        maxLabelWidth = std::max(maxLabelWidth, fm.horizontalAdvance(tab->text));
    const int iconHeight = minimum ? 0 : TabIconHeight;
    return QSize(std::max(TabMinimumWidth, maxLabelWidth + TabTextPadding),
                 iconHeight + spacing + fm.height());
}

QSize FancyTabBar::sizeHint() const
{
    const QSize sh = tabSizeHint();
    return QSize(sh.width(), sh.height() * int(m_tabs.count()));
}

QSize FancyTabBar::minimumSizeHint() const
{
    const QSize sh = tabSizeHint(true);
    return QSize(sh.width(), sh.height() * int(m_tabs.count()));
}

QRect FancyTabBar::tabRect(int index) const
{
    QSize sh = tabSizeHint();
    const int count = int(m_tabs.count());
    if (count > 0 && sh.height() * count > height())
        sh.setHeight(height() / count);
    return QRect(0, index * sh.height(), sh.width(), sh.height());
}

void FancyTabBar::insertTab(int index, const QIcon &icon, const QString &label)
{
    auto *tab = new FancyTab(this);
    tab->icon = icon;
    tab->text = label;
    index = std::clamp(index, 0, int(m_tabs.count()));
    m_tabs.insert(index, tab);
    if (m_currentIndex >= index)
        ++m_currentIndex;
    updateGeometry();
    update();
}

void FancyTabBar::removeTab(int index)
{
    if (!validIndex(index))
        return;
    delete m_tabs.takeAt(index);
    if (m_currentIndex == index)
        m_currentIndex = -1;
    else if (m_currentIndex > index)
        --m_currentIndex;
    m_hoverIndex = -1;
    m_hoverRect = QRect();
    updateGeometry();
    update();
}

void FancyTabBar::setTabEnabled(int index, bool enable)
{
    if (!validIndex(index))
        return;
    m_tabs[index]->enabled = enable;
    update(tabRect(index));
}

bool FancyTabBar::isTabEnabled(int index) const
{
    return validIndex(index) && m_tabs.at(index)->enabled;
}

void FancyTabBar::setTabToolTip(int index, const QString &toolTip)
{
    if (validIndex(index))
        m_tabs[index]->toolTip = toolTip;
}

QString FancyTabBar::tabToolTip(int index) const
{
    return validIndex(index) ? m_tabs.at(index)->toolTip : QString();
}

QString FancyTabBar::tabText(int index) const
{
    return validIndex(index) ? m_tabs.at(index)->text : QString();
}

QIcon FancyTabBar::tabIcon(int index) const
{
    return validIndex(index) ? m_tabs.at(index)->icon : QIcon();
}

void FancyTabBar::setCurrentIndex(int index)
{
    if (!isTabEnabled(index))
        return;
    m_currentIndex = index;
    update();
    emit currentChanged(m_currentIndex);
}

void FancyTabBar::emitCurrentIndex()
{
    emit currentChanged(m_currentIndex);
}

bool FancyTabBar::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        if (validIndex(m_hoverIndex)) {
            const QString tt = tabToolTip(m_hoverIndex);
            if (!tt.isEmpty()) {
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tt, this);
                return true;
            }
        }
    }
    return QWidget::event(event);
}

void FancyTabBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    for (int index = 0; index < m_tabs.count(); ++index) {
        if (tabRect(index).contains(event->position().toPoint())) {
            if (isTabEnabled(index)) {
                m_currentIndex = index;
                update();
                // Announced from the event loop, once the click is handled.
                m_triggerTimer.start(0);
            }
            break;
        }
    }
}

void FancyTabBar::mouseMoveEvent(QMouseEvent *event)
{
    int newHover = -1;
    for (int i = 0; i < m_tabs.count(); ++i) {
        if (tabRect(i).contains(event->position().toPoint())) {
            newHover = i;
            break;
        }
    }
    if (newHover == m_hoverIndex)
        return;
    if (validIndex(m_hoverIndex))
        m_tabs[m_hoverIndex]->fadeOut();
    m_hoverIndex = newHover;
    if (validIndex(m_hoverIndex)) {
        m_tabs[m_hoverIndex]->fadeIn();
        m_hoverRect = tabRect(m_hoverIndex);
    } else {
        m_hoverRect = QRect();
    }
}

void FancyTabBar::enterEvent(QEnterEvent *event)
{
    Q_UNUSED(event)
    m_hoverRect = QRect();
    m_hoverIndex = -1;
}

void FancyTabBar::leaveEvent(QEvent *event)
{
    Q_UNUSED(event)
    m_hoverIndex = -1;
    m_hoverRect = QRect();
    for (FancyTab *tab : std::as_const(m_tabs))
        tab->fadeOut();
}

void FancyTabBar::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter p(this);
    for (int i = 0; i < m_tabs.count(); ++i) {
        if (i != m_currentIndex)
            paintTab(&p, i);
    }
    // The current tab last, so its edges lie on top of its neighbours'.
    if (validIndex(m_currentIndex))
        paintTab(&p, m_currentIndex);
}

void FancyTabBar::paintTab(QPainter *painter, int tabIndex) const
{
    if (!validIndex(tabIndex))
        return;
    painter->save();

    const FancyTab *tab = m_tabs.at(tabIndex);
    const QRect rect = tabRect(tabIndex);
    const bool selected = (tabIndex == m_currentIndex);
    const bool enabled = tab->enabled;

    if (selected) {
        QLinearGradient grad(rect.topLeft(), rect.topRight());
        grad.setColorAt(0, SelectedFillLeft);
        grad.setColorAt(1, SelectedFillRight);
        painter->fillRect(rect.adjusted(0, 0, 0, -1), grad);

        painter->setPen(SelectedDarkEdge);
        painter->drawLine(rect.topLeft() + QPoint(1, -1), rect.topRight() - QPoint(0, 1));
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->setPen(SelectedLeftEdge);
        painter->drawLine(rect.topLeft(), rect.bottomLeft());

        painter->setPen(SelectedLightOuter);
        painter->drawLine(rect.topLeft() + QPoint(0, -2), rect.topRight() - QPoint(0, 2));
        painter->drawLine(rect.bottomLeft() + QPoint(0, 1), rect.bottomRight() + QPoint(0, 1));
        painter->setPen(SelectedLightInner);
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.topRight() + QPoint(0, 1), rect.bottomRight() - QPoint(0, 1));
        painter->drawLine(rect.bottomLeft() + QPoint(0, -1), rect.bottomRight() - QPoint(0, 1));
    }

    const bool drawIcon = rect.bottom() - rect.top() > TabIconThreshold;
    QRect tabTextRect(rect);
    tabTextRect.translate(0, drawIcon ? -2 : 1);

    QFont boldFont(painter->font());
    boldFont.setPointSizeF(StyleHelper::sidebarFontSize());
    boldFont.setBold(true);
    painter->setFont(boldFont);

    const int textFlags = Qt::AlignCenter | (drawIcon ? Qt::AlignBottom : 0) | Qt::TextWordWrap;
    if (enabled) {
        painter->setPen(selected ? SelectedShadow : UnselectedShadow);
        painter->drawText(tabTextRect, textFlags, tab->text);
        painter->setPen(selected ? SelectedText : StyleHelper::panelTextColor());
    } else {
        painter->setPen(selected ? StyleHelper::panelTextColor() : DisabledText);
    }

    if (!selected && enabled) {
        painter->save();
        const int fader = int(tab->fader());
        QLinearGradient grad(rect.topLeft(), rect.topRight());
        grad.setColorAt(0, Qt::transparent);
        grad.setColorAt(0.5, QColor(255, 255, 255, fader));
        grad.setColorAt(1, Qt::transparent);
        painter->fillRect(rect, grad);
        painter->setPen(QPen(grad, 1.0));
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
    }

    if (!enabled)
        painter->setOpacity(DisabledOpacity);

    if (drawIcon) {
        const int textHeight =
            painter->fontMetrics().boundingRect(QRect(0, 0, width(), height()), Qt::TextWordWrap,
                                                tab->text).height();
        const QRect iconRect = rect.adjusted(0, TabIconTopMargin, 0, -textHeight);
        StyleHelper::drawIconWithShadow(tab->icon, iconRect, painter,
                                        enabled ? QIcon::Normal : QIcon::Disabled,
                                        IconShadowRadius, IconShadow, IconShadowOffset);
    }

    painter->translate(0, -1);
    painter->drawText(tabTextRect, textFlags, tab->text);
    painter->restore();
}
