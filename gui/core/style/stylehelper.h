#pragma once

#include <core/core_export.h>

#include <QColor>
#include <QIcon>
#include <QStyle>

class QImage;
class QPainter;
class QPalette;
class QPoint;
class QRect;
class QStyleOption;
class QWidget;

// What the panel look paints with, shared by the panel style and by the
// widgets that paint themselves (navigation column, action tool bar, item
// views). Everything is static. The one piece of state is the panel base
// colour, which the operator may change while the program runs
// (setBaseColor); every other panel colour is derived from it on each call,
// so a change reaches every widget at its next repaint.
//
// The gradient functions paint the part `clipRect` of one gradient laid over
// `spanRect`, so neighbouring widgets continue the same gradient; they keep
// what they painted in QPixmapCache under a key of the sizes and the colour.
class CORE_EXPORT StyleHelper
{
public:
    // Sizes and fonts.
    static int navigationWidgetHeight();
    static qreal sidebarFontSize();
    static QPalette sidebarFontPalette(const QPalette &original);
    // Gives the widget's inactive colour group the active group's selection
    // colours, so a selected row looks the same when its view loses focus.
    static void keepSelectionColorsWhenInactive(QWidget *widget);

    // Panel colours; `lightColored` asks for the light variant.
    static QColor baseColor(bool lightColored = false);
    static QColor highlightColor(bool lightColored = false);
    static QColor shadowColor(bool lightColored = false);
    static QColor borderColor(bool lightColored = false);
    static QColor panelTextColor(bool lightColored = false);
    static QColor buttonTextColor();
    static QColor sidebarHighlight();
    static QColor sidebarShadow();
    // factor percent of colorA and the rest of colorB, channel by channel;
    // the alpha is colorA's.
    static QColor mergedColors(const QColor &colorA, const QColor &colorB, int factor = 50);

    // Takes a colour the operator picked, tones it down to a panel colour and
    // repaints every window when that changes the base colour.
    static void setBaseColor(const QColor &color);

    // Gradients, cached.
    static void verticalGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect,
                                 bool lightColored = false);
    static void horizontalGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect,
                                   bool lightColored = false);
    static void menuGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect);
    static void backgroundGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect);

    // The same painted straight onto the painter, limited to `rect`.
    static void verticalGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect,
                                       bool lightColored);
    static void horizontalGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect,
                                         bool lightColored);
    static void menuGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect);

    // Cache keys of the gradients; callers and tests may look them up.
    static QString verticalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                       bool lightColored = false);
    static QString horizontalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                         bool lightColored = false);
    static QString menuGradientKey(const QRect &spanRect, const QRect &clipRect);

    static bool usePixmapCache();

    // Icons and images.
    static void drawArrow(QStyle::PrimitiveElement element, QPainter *painter,
                          const QStyleOption *option);
    static void drawIconWithShadow(const QIcon &icon, const QRect &rect, QPainter *painter,
                                   QIcon::Mode iconMode, int radius = 3,
                                   const QColor &color = QColor(0, 0, 0, 130),
                                   const QPoint &offset = QPoint(1, -2));
    // Nine-patch: the borders keep their size, the middle stretches.
    static void drawCornerImage(const QImage &img, QPainter *painter, QRect rect,
                                int left = 0, int top = 0, int right = 0, int bottom = 0);
    static void tintImage(QImage &img, const QColor &tintColor);

    // The style's check box in state 0 (off), 1 (partially checked) or 2 (on),
    // for views that show ticks as icons.
    static QIcon drawCheckbox(const QPalette &palette, QStyle *style, int state);
    // The style's tree branch indicator: closed for the icon's off state,
    // open for its on state.
    static QIcon drawIndicatorIcon(const QPalette &palette, QStyle *style);

private:
    static QColor m_baseColor;
};
