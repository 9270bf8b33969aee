#include "manhattanstyle.h"
#include "styledbar.h"
#include "stylehelper.h"
#include "stylemetrics.h"

#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

using namespace StyleMetrics;

namespace {

bool propertyOnChain(const QWidget *widget, const char *name)
{
    for (const QWidget *p = widget; p; p = p->parentWidget()) {
        if (p->property(name).toBool())
            return true;
    }
    return false;
}

bool customStyleDisabled(const QWidget *widget)
{
    return propertyOnChain(widget, "_q_custom_style_disabled");
}

bool lightColored(const QWidget *widget)
{
    return propertyOnChain(widget, "lightColored");
}

bool isPanelClass(const QObject *object)
{
    return qobject_cast<const QToolBar *>(object) || qobject_cast<const QStatusBar *>(object)
           || qobject_cast<const QMenuBar *>(object) || qobject_cast<const StyledBar *>(object)
           || qobject_cast<const QSplitter *>(object) || qobject_cast<const QHeaderView *>(object);
}

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
    if (!widget)
        return false;
    if (qobject_cast<const QTabBar *>(widget))
        return !customStyleDisabled(widget);
    for (const QWidget *p = widget; p; p = p->parentWidget()) {
        if (isPanelClass(p) || p->property("panelWidget").toBool())
            return !customStyleDisabled(widget);
        if (p->property("no-ManhattanStyle").toBool())
            return false;
    }
    return false;
}

int ManhattanStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                const QWidget *widget) const
{
    switch (metric) {
    case PM_DockWidgetSeparatorExtent:
    case PM_DockWidgetHandleExtent:
        return 1;
    case PM_SplitterWidth:
        if (widget && widget->property("minisplitter").toBool())
            return 1;
        break;
    case PM_MdiSubWindowFrameWidth:
        return SubWindowFrameWidth;
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
    if (qobject_cast<QToolButton *>(widget)) {
        widget->setAttribute(Qt::WA_Hover);
        widget->setMaximumHeight(PanelMaxButtonHeight);
    } else if (qobject_cast<QLineEdit *>(widget)) {
        widget->setAttribute(Qt::WA_Hover);
        widget->setMaximumHeight(PanelMaxLineEditHeight);
    } else if (qobject_cast<QStatusBar *>(widget)) {
        widget->setFixedHeight(StatusBarHeight);
    } else if (qobject_cast<QComboBox *>(widget)) {
        widget->setMaximumHeight(PanelMaxComboHeight);
        widget->setAttribute(Qt::WA_Hover);
    }
}

void ManhattanStyle::unpolish(QWidget *widget)
{
    widget->setAttribute(Qt::WA_LayoutUsesWidgetRect, false);
    QProxyStyle::unpolish(widget);
}

void ManhattanStyle::polish(QPalette &palette)
{
    QProxyStyle::polish(palette);
}

void ManhattanStyle::polish(QApplication *app)
{
    QProxyStyle::polish(app);
}

void ManhattanStyle::unpolish(QApplication *app)
{
    QProxyStyle::unpolish(app);
}

void ManhattanStyle::drawButtonSeparator(QPainter *painter, const QRect &rect, bool reverse)
{
    const QRectF r = rect;
    QLinearGradient grad(r.topRight(), r.bottomRight());
    grad.setColorAt(0, SeparatorLight);
    grad.setColorAt(0.4, SeparatorLightPeak);
    grad.setColorAt(0.7, SeparatorLightPeak);
    grad.setColorAt(1, SeparatorLight);
    QLinearGradient dark(r.topRight(), r.bottomRight());
    dark.setColorAt(0, SeparatorDark);
    dark.setColorAt(0.4, SeparatorDarkPeak);
    dark.setColorAt(0.7, SeparatorDarkPeak);
    dark.setColorAt(1, SeparatorDark);
    painter->save();
    if (reverse) {
        painter->setPen(QPen(grad, 0));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->setPen(QPen(dark, 0));
        painter->drawLine(rect.topRight() - QPoint(1, 0), rect.bottomRight() - QPoint(1, 0));
    } else {
        painter->setPen(QPen(grad, 0));
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        painter->setPen(QPen(dark, 0));
        painter->drawLine(rect.topLeft() + QPoint(1, 0), rect.bottomLeft() + QPoint(1, 0));
    }
    painter->restore();
}

void ManhattanStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                   QPainter *painter, const QWidget *widget) const
{
    // These apply to every widget, panel or not.
    switch (element) {
    case PE_IndicatorDockWidgetResizeHandle:
        painter->fillRect(option->rect, StyleHelper::borderColor());
        return;
    case PE_FrameDockWidget:
        QCommonStyle::drawPrimitive(element, option, painter, widget);
        return;
    default:
        break;
    }

    if (!panelWidget(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }

    const bool enabled = option->state & State_Enabled;
    const bool hover = enabled && (option->state & State_MouseOver);
    switch (element) {
    case PE_PanelLineEdit: {
        painter->save();
        painter->fillRect(option->rect.adjusted(1, 1, -1, -1),
                          option->palette.brush(QPalette::Base));
        const QImage &image = enabled ? m_lineedit_image : m_lineedit_image_disabled;
        StyleHelper::drawCornerImage(image, painter, option->rect, LineEditImageBorder,
                                     LineEditImageBorder, LineEditImageBorder, LineEditImageBorder);
        const bool focus = option->state & State_HasFocus;
        if (focus || hover) {
            QColor frame = StyleHelper::baseColor(false);
            frame.setAlpha(focus ? LineEditFocusAlpha : LineEditHoverAlpha);
            painter->setPen(frame);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        }
        painter->restore();
        return;
    }
    case PE_FrameLineEdit:
        return; // the panel above draws the frame
    case PE_PanelButtonTool: {
        const bool pressed = option->state & (State_Sunken | State_On);
        painter->save();
        if (pressed) {
            painter->fillRect(option->rect, PressedFill);
            const QRect r = option->rect;
            painter->setPen(PressedEdge);
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.topLeft() + QPoint(0, 1), r.bottomLeft());
            painter->drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
            painter->setPen(PressedPen);
            painter->drawLine(r.bottomLeft(), r.bottomRight());
        } else if (hover) {
            painter->fillRect(option->rect, HoverFill);
        }
        if ((option->state & State_HasFocus) && (option->state & State_KeyboardFocusChange)) {
            QColor highlight = option->palette.highlight().color();
            highlight.setAlphaF(0.4f);
            painter->setPen(QPen(highlight.lighter(), 1));
            highlight.setAlphaF(0.3f);
            painter->setBrush(highlight);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->drawRoundedRect(QRectF(option->rect).adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
        }
        painter->restore();
        return;
    }
    case PE_PanelStatusBar: {
        painter->save();
        const QRect r = option->rect;
        QLinearGradient grad(r.topLeft(), r.bottomLeft());
        grad.setColorAt(0, StyleHelper::shadowColor().darker(StatusBarShadowDarken));
        grad.setColorAt(1, StyleHelper::baseColor().darker(StatusBarBaseDarken));
        painter->fillRect(r, grad);
        painter->setPen(StyleHelper::borderColor().darker(StatusBarTopLineDarken));
        painter->drawLine(r.topLeft(), r.topRight());
        painter->setPen(StatusBarInnerLight);
        painter->drawLine(r.topLeft() + QPoint(0, 1), r.topRight() + QPoint(0, 1));
        painter->restore();
        return;
    }
    case PE_FrameStatusBarItem:
        return;
    case PE_IndicatorArrowUp:
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight:
        StyleHelper::drawArrow(element, painter, option);
        return;
    case PE_FrameWindow: {
        const QRect r = option->rect;
        painter->drawLine(r.topLeft(), r.bottomLeft());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void ManhattanStyle::drawToolBar(const QStyleOption *option, QPainter *painter,
                                 const QWidget *widget) const
{
    const bool light = lightColored(widget);
    QRect rect = option->rect;
    bool horizontal = true;
    if (const auto *toolBar = qstyleoption_cast<const QStyleOptionToolBar *>(option)) {
        horizontal = toolBar->state & State_Horizontal;
        if (toolBar->toolBarArea == Qt::LeftToolBarArea || toolBar->toolBarArea == Qt::RightToolBarArea)
            horizontal = false;
    } else {
        horizontal = option->state & State_Horizontal;
    }
    // Span the whole window so that neighbouring bars continue one gradient.
    QRect gradientSpan = rect;
    if (widget) {
        const QWidget *window = widget->window();
        gradientSpan = QRect(widget->mapFrom(window, QPoint(0, 0)), window->size());
    }
    if (horizontal)
        StyleHelper::horizontalGradient(painter, gradientSpan, rect, light);
    else
        StyleHelper::verticalGradient(painter, gradientSpan, rect, light);

    painter->save();
    const QColor border = light ? LightToolBarBorder : StyleHelper::borderColor();
    const QColor highlight = light ? LightToolBarHighlight : ToolBarHighlight;
    if (horizontal) {
        // Highlight along the top, border along the bottom.
        painter->setPen(highlight);
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->setPen(border);
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        if (widget && widget->property("topBorder").toBool())
            painter->drawLine(rect.topLeft(), rect.topRight());
    } else {
        painter->setPen(border);
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->setPen(highlight);
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
    }
    painter->restore();
}

void ManhattanStyle::drawComboBoxLabel(const QStyleOption *option, QPainter *painter,
                                       const QWidget *widget) const
{
    const auto *cb = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    if (!cb) {
        QProxyStyle::drawControl(CE_ComboBoxLabel, option, painter, widget);
        return;
    }
    const QRect editRect = subControlRect(CC_ComboBox, cb, SC_ComboBoxEditField, widget);
    painter->save();
    int customPadding = 0;
    if (!cb->currentIcon.isNull() && !(widget && widget->property("hideicon").toBool())) {
        const QIcon::Mode mode = cb->state & State_Enabled ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = cb->currentIcon.pixmap(cb->iconSize, painter->device()->devicePixelRatioF(), mode);
        QRect iconRect(editRect);
        iconRect.setWidth(cb->iconSize.width() + 4);
        iconRect = alignedRect(cb->direction, Qt::AlignLeft | Qt::AlignVCenter, iconRect.size(), editRect);
        drawItemPixmap(painter, iconRect, Qt::AlignCenter, pixmap);
        customPadding = cb->iconSize.width() + 4;
    }
    if (!cb->currentText.isEmpty() && !cb->editable) {
        QRect textRect = editRect.adjusted(customPadding + 1, 0, -1, 0);
        QString text = cb->currentText;
        // A trailing "*" marks unsaved changes; keep it visible when eliding.
        const bool keepAsterisk = widget && widget->property("notelideasterisk").toBool()
                                  && text.endsWith(QLatin1Char('*'));
        const QFontMetrics fm = painter->fontMetrics();
        if (keepAsterisk) {
            text.chop(1);
            const int starWidth = fm.horizontalAdvance(QLatin1Char('*'));
            text = fm.elidedText(text, Qt::ElideRight, textRect.width() - starWidth)
                   + QLatin1Char('*');
        } else {
            text = fm.elidedText(text, Qt::ElideRight, textRect.width());
        }
        if (!(cb->state & State_Enabled))
            painter->setOpacity(DisabledLabelOpacity);
        const bool light = lightColored(widget);
        painter->setPen(ComboTextShadow);
        painter->drawText(textRect.adjusted(0, 1, 0, 1), Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->setPen(StyleHelper::panelTextColor(light));
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    painter->restore();
}

void ManhattanStyle::drawControl(ControlElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    if (!panelWidget(widget)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    switch (element) {
    case CE_Splitter:
        painter->fillRect(option->rect, StyleHelper::borderColor());
        return;
    case CE_MenuBarEmptyArea:
        StyleHelper::menuGradient(painter, option->rect, option->rect);
        painter->save();
        painter->setPen(StyleHelper::borderColor());
        painter->drawLine(option->rect.bottomLeft(), option->rect.bottomRight());
        painter->restore();
        return;
    case CE_MenuBarItem: {
        const auto *mbi = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        if (!mbi)
            break;
        painter->save();
        const QRect r = option->rect;
        const QRect span = widget ? widget->rect() : r;
        StyleHelper::menuGradient(painter, span, r);
        painter->setPen(StyleHelper::borderColor());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        const bool open = (option->state & State_Sunken) || (option->state & State_Selected);
        if (open && (option->state & State_Enabled)) {
            const QColor base = StyleHelper::baseColor();
            QLinearGradient grad(r.topLeft(), r.bottomLeft());
            grad.setColorAt(0, base.lighter(MenuItemHighlightTop));
            grad.setColorAt(1, base.lighter(MenuItemHighlightBottom));
            painter->fillRect(r.adjusted(1, 1, -1, 0), grad);
            painter->setPen(base.lighter(MenuItemHighlightBottom));
            painter->drawLine(r.topLeft() + QPoint(1, 0), r.topRight() - QPoint(1, 0));
            painter->drawLine(r.topLeft() + QPoint(0, 1), r.bottomLeft());
            painter->drawLine(r.topRight() + QPoint(0, 1), r.bottomRight());
        }
        const uint flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip
                           | Qt::TextSingleLine;
        drawItemText(painter, r, int(flags), mbi->palette, mbi->state & State_Enabled,
                     mbi->text, QPalette::ButtonText);
        painter->restore();
        return;
    }
    case CE_HeaderSection:
    case CE_HeaderEmptyArea: {
        painter->save();
        const QRect r = option->rect;
        StyleHelper::menuGradient(painter, r, r);
        painter->setPen(StyleHelper::borderColor());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->restore();
        return;
    }
    case CE_ToolBar:
        drawToolBar(option, painter, widget);
        return;
    case CE_ComboBoxLabel:
        drawComboBoxLabel(option, painter, widget);
        return;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void ManhattanStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                        QPainter *painter, const QWidget *widget) const
{
    if (!panelWidget(widget)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    switch (control) {
    case CC_ToolButton: {
        const auto *toolbutton = qstyleoption_cast<const QStyleOptionToolButton *>(option);
        if (!toolbutton)
            break;
        const bool reverse = option->direction == Qt::RightToLeft;
        const bool drawBorder = widget && widget->property("showborder").toBool();
        const QRect button = subControlRect(control, toolbutton, SC_ToolButton, widget);
        QRect menuArea = subControlRect(control, toolbutton, SC_ToolButtonMenu, widget);

        QStyleOption panel(*toolbutton);
        panel.rect = button;
        if (drawBorder)
            drawButtonSeparator(painter, option->rect, reverse);
        drawPrimitive(PE_PanelButtonTool, &panel, painter, widget);
        if (toolbutton->subControls & SC_ToolButtonMenu) {
            QStyleOption menuOption(*toolbutton);
            menuOption.rect = menuArea;
            drawPrimitive(PE_PanelButtonTool, &menuOption, painter, widget);
        }

        QStyleOptionToolButton label = *toolbutton;
        label.palette.setColor(QPalette::ButtonText, StyleHelper::panelTextColor(lightColored(widget)));
        const int shift = pixelMetric(PM_ButtonShiftHorizontal, option, widget);
        label.rect = button.adjusted(shift, shift, -shift, -shift);
        drawControl(CE_ToolButtonLabel, &label, painter, widget);

        if (drawBorder)
            drawButtonSeparator(painter, option->rect, !reverse);

        const bool noArrow = widget && widget->property("noArrow").toBool();
        if (!noArrow) {
            QStyleOption arrow(*toolbutton);
            if (toolbutton->subControls & SC_ToolButtonMenu) {
                arrow.rect = menuArea;
                drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
            } else if (toolbutton->features & QStyleOptionToolButton::HasMenu) {
                const int size = 8;
                arrow.rect = QRect(option->rect.right() - size - 1, option->rect.bottom() - size - 1,
                                   size, size);
                drawPrimitive(PE_IndicatorArrowDown, &arrow, painter, widget);
            }
        }
        return;
    }
    case CC_ComboBox: {
        const auto *cb = qstyleoption_cast<const QStyleOptionComboBox *>(option);
        if (!cb)
            break;
        painter->save();
        const bool reverse = option->direction == Qt::RightToLeft;
        const bool drawBorder = !(widget && widget->property("hideborder").toBool());
        if (drawBorder)
            drawButtonSeparator(painter, option->rect, reverse);
        QStyleOption panel(*cb);
        drawPrimitive(PE_PanelButtonTool, &panel, painter, widget);

        const int menuButtonWidth = 12;
        const int left = !reverse ? option->rect.right() - menuButtonWidth : option->rect.left();
        const int right = !reverse ? option->rect.right() : option->rect.left() + menuButtonWidth;
        QRect arrowRect((left + right) / 2 + (reverse ? 6 : -6), option->rect.center().y() - 3, 9, 9);
        if (widget && widget->property("alignarrow").toBool()) {
            // Right after the text instead of at the far edge.
            const int textWidth = cb->fontMetrics.horizontalAdvance(cb->currentText);
            const int x = reverse ? option->rect.right() - textWidth - 16 - arrowRect.width()
                                  : option->rect.left() + textWidth + 8;
            arrowRect.moveLeft(std::clamp(x, option->rect.left(), option->rect.right() - arrowRect.width()));
        }
        QStyleOption arrowOption(*cb);
        arrowOption.rect = arrowRect;
        if (option->state & State_Enabled) // the arrow shifts when pressed
            arrowOption.rect.translate(0, (option->state & State_Sunken) ? 1 : 0);
        drawPrimitive(PE_IndicatorArrowDown, &arrowOption, painter, widget);
        painter->restore();
        return;
    }
    default:
        break;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}
