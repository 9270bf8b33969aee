#include "manhattanstyle.h"
#include "styledbar.h"
#include "stylehelper.h"
#include "stylemetrics.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenuBar>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

using namespace StyleMetrics;

namespace {

bool flagSet(const QObject *object, const char *name)
{
    return object->property(name).toBool();
}

// True when the flag is set on the widget or on any widget above it.
bool flagSetOnPath(const QWidget *widget, const char *name)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (flagSet(w, name))
            return true;
    }
    return false;
}

// Containers whose whole contents belong to the panel.
bool isPanelContainer(const QWidget *widget)
{
    return qobject_cast<const QToolBar *>(widget) || qobject_cast<const QStatusBar *>(widget)
        || qobject_cast<const QMenuBar *>(widget) || qobject_cast<const StyledBar *>(widget)
        || qobject_cast<const QSplitter *>(widget) || qobject_cast<const QHeaderView *>(widget);
}

bool lightColoredFor(const QWidget *widget)
{
    return widget && flagSetOnPath(widget, "lightColored");
}

bool widgetFlag(const QWidget *widget, const char *name)
{
    return widget && flagSet(widget, name);
}

void drawRow(QPainter *painter, const QRect &rect, int y, const QColor &color)
{
    painter->setPen(color);
    painter->drawLine(rect.left(), y, rect.right(), y);
}

void drawColumn(QPainter *painter, const QRect &rect, int x, const QColor &color)
{
    painter->setPen(color);
    painter->drawLine(x, rect.top(), x, rect.bottom());
}

// Side of the square the drop-down and menu arrows are drawn in.
constexpr int ArrowBoxSide = 11;
// The small menu arrow in the corner of a tool button that has a menu.
constexpr int MenuIndicatorSide = 7;
// Gap between a combo box's text and an arrow placed right after it.
constexpr int AlignedArrowGap = 2;
// Gap between a combo box's icon and its text.
constexpr int ComboIconGap = 4;

} // namespace

ManhattanStyle::ManhattanStyle(const QString &baseStyleName)
    : QProxyStyle(QStyleFactory::create(baseStyleName))
    , m_lineedit_image(QStringLiteral(":/images/inputfield.png"))
    , m_lineedit_image_disabled(QStringLiteral(":/images/inputfield_disabled.png"))
{
}

ManhattanStyle::~ManhattanStyle() = default;

bool ManhattanStyle::panelWidget(const QWidget *widget)
{
    if (!widget || flagSetOnPath(widget, "_q_custom_style_disabled"))
        return false;
    if (qobject_cast<const QTabBar *>(widget))
        return true;
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (isPanelContainer(w) || flagSet(w, "panelWidget"))
            return true;
        if (flagSet(w, "no-ManhattanStyle"))
            return false;
    }
    return false;
}

// Metrics and polish -----------------------------------------------------------

int ManhattanStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                const QWidget *widget) const
{
    // These hold wherever the widget sits.
    switch (metric) {
    case PM_DockWidgetSeparatorExtent:
    case PM_DockWidgetHandleExtent:
        return 1;
    case PM_MdiSubWindowFrameWidth:
        return SubWindowFrameWidth;
    case PM_SplitterWidth:
        if (widgetFlag(widget, "minisplitter"))
            return 1;
        break;
    default:
        break;
    }

    if (panelWidget(widget)) {
        switch (metric) {
        case PM_ButtonShiftHorizontal:
        case PM_ButtonShiftVertical:
        case PM_MenuBarPanelWidth:
        case PM_ToolBarItemSpacing:
        case PM_ToolBarItemMargin:
            return 0;
        case PM_MenuPanelWidth:
        case PM_MenuBarHMargin:
        case PM_MenuBarVMargin:
        case PM_ToolBarFrameWidth:
            return 1;
        case PM_DefaultFrameWidth:
            if (qobject_cast<const QLineEdit *>(widget))
                return 1;
            break;
        case PM_ToolBarIconSize:
            return ToolBarIconSize;
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void ManhattanStyle::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    if (!panelWidget(widget))
        return;
    widget->setAttribute(Qt::WA_LayoutUsesWidgetRect, true);
    if (qobject_cast<QStatusBar *>(widget)) {
        widget->setFixedHeight(StatusBarHeight);
    } else if (qobject_cast<QComboBox *>(widget)) {
        widget->setMaximumHeight(PanelMaxComboHeight);
        widget->setAttribute(Qt::WA_Hover, true);
    } else if (qobject_cast<QToolButton *>(widget)) {
        widget->setMaximumHeight(PanelMaxButtonHeight);
        widget->setAttribute(Qt::WA_Hover, true);
    } else if (qobject_cast<QLineEdit *>(widget)) {
        widget->setMaximumHeight(PanelMaxLineEditHeight);
        widget->setAttribute(Qt::WA_Hover, true);
    }
}

void ManhattanStyle::polish(QPalette &palette)
{
    QProxyStyle::polish(palette);
}

void ManhattanStyle::polish(QApplication *app)
{
    QProxyStyle::polish(app);
}

void ManhattanStyle::unpolish(QWidget *widget)
{
    if (panelWidget(widget))
        widget->setAttribute(Qt::WA_LayoutUsesWidgetRect, false);
    QProxyStyle::unpolish(widget);
}

void ManhattanStyle::unpolish(QApplication *app)
{
    QProxyStyle::unpolish(app);
}

// Primitives -----------------------------------------------------------------

void ManhattanStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                   QPainter *painter, const QWidget *widget) const
{
    if (!panelWidget(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }

    switch (element) {
    case PE_PanelButtonTool:
        drawToolButtonPanel(option, painter);
        return;
    case PE_PanelLineEdit:
        drawLineEditPanel(option, painter);
        return;
    case PE_IndicatorArrowUp:
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight:
        StyleHelper::drawArrow(element, painter, option);
        return;
    case PE_IndicatorDockWidgetResizeHandle:
        painter->fillRect(option->rect, StyleHelper::borderColor());
        return;
    case PE_PanelStatusBar:
        drawStatusBarPanel(option, painter);
        return;
    case PE_FrameStatusBarItem:
        return;
    case PE_FrameDockWidget:
        // The platform style's dock frame does not suit the panel; the
        // plain frame of the common style does.
        QCommonStyle::drawPrimitive(element, option, painter, widget);
        return;
    case PE_FrameWindow: {
        const QRect r = option->rect.adjusted(0, 0, -1, -1);
        painter->drawLine(r.topLeft(), r.bottomLeft());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
}

void ManhattanStyle::drawToolButtonPanel(const QStyleOption *option, QPainter *painter) const
{
    const QRect r = option->rect;
    const bool enabled = option->state & State_Enabled;
    if (option->state & (State_Sunken | State_On)) {
        painter->fillRect(r, PressedFill);
        drawColumn(painter, r, r.left(), PressedEdge);
        drawColumn(painter, r, r.right(), PressedEdge);
        drawRow(painter, r, r.bottom(), PressedPen);
    } else if (enabled && (option->state & State_MouseOver)) {
        painter->fillRect(r, HoverFill);
    }

    if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(option->palette.color(QPalette::Highlight));
        painter->drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), FocusOutlineRadius,
                                 FocusOutlineRadius);
        painter->restore();
    }
}

void ManhattanStyle::drawLineEditPanel(const QStyleOption *option, QPainter *painter) const
{
    const bool enabled = option->state & State_Enabled;
    painter->fillRect(option->rect.adjusted(1, 1, -1, -1), option->palette.brush(QPalette::Base));
    StyleHelper::drawCornerImage(enabled ? m_lineedit_image : m_lineedit_image_disabled, painter,
                                 option->rect, LineEditImageBorder, LineEditImageBorder,
                                 LineEditImageBorder, LineEditImageBorder);

    const bool focused = option->state & State_HasFocus;
    if (focused || (option->state & State_MouseOver)) {
        QColor frame = StyleHelper::baseColor();
        frame.setAlpha(focused ? LineEditFocusAlpha : LineEditHoverAlpha);
        painter->setPen(frame);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
    }
}

void ManhattanStyle::drawStatusBarPanel(const QStyleOption *option, QPainter *painter) const
{
    const QRect r = option->rect;
    QLinearGradient shade(r.topLeft(), r.bottomLeft());
    shade.setColorAt(0, StyleHelper::shadowColor().darker(StatusBarShadowDarken));
    shade.setColorAt(1, StyleHelper::baseColor().darker(StatusBarBaseDarken));
    painter->fillRect(r, shade);
    drawRow(painter, r, r.top(), StyleHelper::borderColor().darker(StatusBarTopLineDarken));
    drawRow(painter, r, r.top() + 1, StatusBarInnerLight);
}

// Controls -------------------------------------------------------------------

void ManhattanStyle::drawControl(ControlElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    if (!panelWidget(widget)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    switch (element) {
    case CE_MenuBarItem:
        drawMenuBarItem(option, painter, widget);
        return;
    case CE_MenuBarEmptyArea: {
        StyleHelper::menuGradient(painter, option->rect, option->rect);
        drawRow(painter, option->rect, option->rect.bottom(), StyleHelper::borderColor());
        return;
    }
    case CE_HeaderSection:
    case CE_HeaderEmptyArea:
        drawHeaderSection(option, painter);
        return;
    case CE_Splitter:
        painter->fillRect(option->rect, StyleHelper::borderColor());
        return;
    case CE_ToolBar:
        drawToolBar(option, painter, widget);
        return;
    case CE_ComboBoxLabel:
        drawComboBoxLabel(option, painter, widget);
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
}

void ManhattanStyle::drawMenuBarItem(const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!item) {
        QProxyStyle::drawControl(CE_MenuBarItem, option, painter, widget);
        return;
    }
    // One gradient under the whole bar, the items included.
    const QRect bar = widget ? widget->rect() : option->rect;
    StyleHelper::menuGradient(painter, bar, option->rect);

    const bool open = (option->state & State_Selected) && (option->state & State_Sunken);
    if (open) {
        const QColor base = StyleHelper::baseColor();
        const QRect r = option->rect;
        QLinearGradient shade(r.topLeft(), r.bottomLeft());
        shade.setColorAt(0, base.lighter(MenuItemHighlightTop));
        shade.setColorAt(1, base.lighter(MenuItemHighlightBottom));
        painter->fillRect(r, shade);
        const QColor edge = StyleHelper::borderColor().lighter(OpenItemLineLighten);
        drawColumn(painter, r, r.left(), edge);
        drawColumn(painter, r, r.right(), edge);
        drawRow(painter, r, r.top(), edge);
    }

    int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget))
        flags |= Qt::TextHideMnemonic;
    proxy()->drawItemText(painter, item->rect, flags, item->palette,
                          item->state & State_Enabled, item->text, QPalette::ButtonText);
}

void ManhattanStyle::drawHeaderSection(const QStyleOption *option, QPainter *painter) const
{
    const QRect r = option->rect;
    StyleHelper::menuGradient(painter, r, r);
    const QColor line = StyleHelper::borderColor();
    drawRow(painter, r, r.bottom(), line);
    drawColumn(painter, r, r.right(), line);
}

void ManhattanStyle::drawToolBar(const QStyleOption *option, QPainter *painter,
                                 const QWidget *widget) const
{
    const QRect rect = option->rect;
    const bool horizontal = option->state & State_Horizontal;
    const bool light = lightColoredFor(widget);

    // The gradient runs along the bar through the whole window, so bars side
    // by side (or one above another) look like one.
    QRect span = rect;
    if (widget) {
        const QWidget *window = widget->window();
        const QPoint offset = widget->mapTo(window, QPoint(0, 0));
        if (horizontal)
            span = QRect(-offset.x(), rect.top(), window->width(), rect.height());
        else
            span = QRect(rect.left(), -offset.y(), rect.width(), window->height());
    }
    if (horizontal)
        StyleHelper::horizontalGradient(painter, span, rect, light);
    else
        StyleHelper::verticalGradient(painter, span, rect, light);

    const QColor border = light ? LightToolBarBorder : StyleHelper::borderColor();
    const QColor highlight = light ? LightToolBarHighlight : ToolBarHighlight;
    if (horizontal) {
        int highlightRow = rect.top();
        if (widgetFlag(widget, "topBorder")) {
            drawRow(painter, rect, rect.top(), border);
            ++highlightRow;
        }
        drawRow(painter, rect, highlightRow, highlight);
        drawRow(painter, rect, rect.bottom(), border);
    } else {
        drawColumn(painter, rect, rect.left(), highlight);
        drawColumn(painter, rect, rect.right(), border);
    }
}

void ManhattanStyle::drawComboBoxLabel(const QStyleOption *option, QPainter *painter,
                                       const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (!combo || combo->editable) {
        QProxyStyle::drawControl(CE_ComboBoxLabel, option, painter, widget);
        return;
    }

    const bool enabled = option->state & State_Enabled;
    QRect textRect = proxy()->subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, widget);
    painter->save();
    if (!enabled)
        painter->setOpacity(DisabledLabelOpacity);

    if (!combo->currentIcon.isNull() && !widgetFlag(widget, "hideicon")) {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pixmap = combo->currentIcon.pixmap(combo->iconSize, ratio,
                                                         enabled ? QIcon::Normal : QIcon::Disabled);
        const QRect iconRect = alignedRect(option->direction, Qt::AlignLeft | Qt::AlignVCenter,
                                           combo->iconSize, textRect);
        proxy()->drawItemPixmap(painter, iconRect, Qt::AlignCenter, pixmap);
        const int used = combo->iconSize.width() + ComboIconGap;
        if (option->direction == Qt::RightToLeft)
            textRect.setRight(textRect.right() - used);
        else
            textRect.setLeft(textRect.left() + used);
    }

    // Elide; with "notelideasterisk" a trailing '*' (unsaved) stays in view.
    QString text = combo->currentText;
    const QFontMetrics &metrics = option->fontMetrics;
    if (metrics.horizontalAdvance(text) > textRect.width()) {
        const QString star(QLatin1Char('*'));
        if (widgetFlag(widget, "notelideasterisk") && text.endsWith(star)) {
            const int room = textRect.width() - metrics.horizontalAdvance(star);
            text = metrics.elidedText(text.chopped(1), Qt::ElideRight, room) + star;
        } else {
            text = metrics.elidedText(text, Qt::ElideRight, textRect.width());
        }
    }
    const int flags = int(visualAlignment(option->direction, Qt::AlignLeft | Qt::AlignVCenter));
    painter->setPen(ComboTextShadow);
    painter->drawText(textRect.translated(0, 1), flags, text);
    painter->setPen(StyleHelper::panelTextColor(lightColoredFor(widget)));
    painter->drawText(textRect, flags, text);
    painter->restore();
}

// Complex controls ---------------------------------------------------------------

void ManhattanStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                        QPainter *painter, const QWidget *widget) const
{
    if (panelWidget(widget)) {
        if (control == CC_ToolButton) {
            drawToolButton(option, painter, widget);
            return;
        }
        if (control == CC_ComboBox) {
            drawComboBox(option, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void ManhattanStyle::drawToolButton(const QStyleOptionComplex *option, QPainter *painter,
                                    const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionToolButton *>(option);
    if (!button) {
        QProxyStyle::drawComplexControl(CC_ToolButton, option, painter, widget);
        return;
    }

    // A pressed button shows pressed only in the part under the mouse: the
    // button itself or its split-off menu part.
    const bool split = button->subControls & SC_ToolButtonMenu;
    const bool pressed = button->state & State_Sunken;
    const State released = button->state & ~State(State_Sunken);
    State buttonState = released;
    State menuState = released;
    if (pressed) {
        if (!split || (button->activeSubControls & SC_ToolButton))
            buttonState |= State_Sunken;
        if (split && (button->activeSubControls & SC_ToolButtonMenu))
            menuState |= State_Sunken;
    }

    const QRect buttonRect = proxy()->subControlRect(CC_ToolButton, button, SC_ToolButton, widget);
    QStyleOptionToolButton part = *button;
    part.rect = buttonRect;
    part.state = buttonState;
    proxy()->drawPrimitive(PE_PanelButtonTool, &part, painter, widget);

    if (split) {
        const QRect menuRect = proxy()->subControlRect(CC_ToolButton, button, SC_ToolButtonMenu,
                                                       widget);
        part.rect = menuRect;
        part.state = menuState;
        proxy()->drawPrimitive(PE_PanelButtonTool, &part, painter, widget);
        drawButtonSeparator(painter, menuRect, false);
        QStyleOption arrow = *button;
        arrow.rect = QRect(0, 0, ArrowBoxSide, ArrowBoxSide);
        arrow.rect.moveCenter(menuRect.center());
        StyleHelper::drawArrow(PE_IndicatorArrowDown, painter, &arrow);
    }

    if (widgetFlag(widget, "showborder")) {
        drawButtonSeparator(painter, button->rect, false);
        drawButtonSeparator(painter, button->rect, true);
    }

    QStyleOptionToolButton label = *button;
    label.rect = buttonRect;
    label.state = buttonState;
    proxy()->drawControl(CE_ToolButtonLabel, &label, painter, widget);

    const bool menuIndicator = (button->features & QStyleOptionToolButton::HasMenu) && !split;
    if (menuIndicator && !widgetFlag(widget, "noArrow")) {
        QStyleOption arrow = *button;
        arrow.rect = QRect(buttonRect.right() - MenuIndicatorSide, buttonRect.bottom() - MenuIndicatorSide,
                           MenuIndicatorSide, MenuIndicatorSide);
        StyleHelper::drawArrow(PE_IndicatorArrowDown, painter, &arrow);
    }
}

void ManhattanStyle::drawComboBox(const QStyleOptionComplex *option, QPainter *painter,
                                  const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (!combo || combo->editable) {
        QProxyStyle::drawComplexControl(CC_ComboBox, option, painter, widget);
        return;
    }

    QStyleOption panel = *option;
    proxy()->drawPrimitive(PE_PanelButtonTool, &panel, painter, widget);

    // The separator sits on the trailing edge, towards the next control.
    const bool rightToLeft = option->direction == Qt::RightToLeft;
    if (!widgetFlag(widget, "hideborder"))
        drawButtonSeparator(painter, option->rect, !rightToLeft);

    QRect arrowArea = proxy()->subControlRect(CC_ComboBox, combo, SC_ComboBoxArrow, widget);
    if (widgetFlag(widget, "alignarrow")) {
        // Right after the text (and icon) instead of at the far edge.
        const QRect edit = proxy()->subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField,
                                                   widget);
        int used = option->fontMetrics.horizontalAdvance(combo->currentText) + AlignedArrowGap;
        if (!combo->currentIcon.isNull() && !widgetFlag(widget, "hideicon"))
            used += combo->iconSize.width() + ComboIconGap;
        used = std::min(used, edit.width());
        const QRect logical(edit.left() + used, option->rect.top(), ArrowBoxSide,
                            option->rect.height());
        arrowArea = visualRect(option->direction, option->rect, logical);
    }
    QStyleOption arrow = *option;
    arrow.rect = QRect(0, 0, ArrowBoxSide, ArrowBoxSide);
    arrow.rect.moveCenter(arrowArea.center());
    StyleHelper::drawArrow(PE_IndicatorArrowDown, painter, &arrow);
}

void ManhattanStyle::drawButtonSeparator(QPainter *painter, const QRect &rect, bool reverse)
{
    auto fading = [&rect](const QColor &color, const int *alphas) {
        QLinearGradient line(rect.topLeft(), rect.bottomLeft());
        for (int i = 0; i < 4; ++i) {
            QColor stop = color;
            stop.setAlpha(alphas[i]);
            line.setColorAt(EtchStops[i], stop);
        }
        return line;
    };
    const int lightX = reverse ? rect.right() : rect.left();
    const int darkX = reverse ? lightX - 1 : lightX + 1;

    painter->save();
    QPen pen(QBrush(fading(Qt::white, EtchLightAlphas)), 0);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::BevelJoin);
    painter->setPen(pen);
    painter->drawLine(lightX, rect.top(), lightX, rect.bottom());
    pen.setBrush(fading(Qt::black, EtchDarkAlphas));
    painter->setPen(pen);
    painter->drawLine(darkX, rect.top(), darkX, rect.bottom());
    painter->restore();
}
