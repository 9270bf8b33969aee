#pragma once

#include <core/core_export.h>

#include <QColor>
#include <QIcon>
#include <QStyle>

class QPainter;
class QPalette;
class QPoint;
class QRect;
class QStyleOption;

// Colours, gradients and icon drawing of the panel look, shared by the panel
// style and by custom widgets. The only state is the panel base colour, which
// the operator can change at run time; every colour here derives from it.
class QWidget;

class CORE_EXPORT StyleHelper
{
public:
    static qreal sidebarFontSize();
    static QPalette sidebarFontPalette(const QPalette &original);
    // Gives the widget's inactive colour group the active group's selection
    // colours, so a selected row looks the same when its view loses focus.
    static void keepSelectionColorsWhenInactive(QWidget *widget);

    static int navigationWidgetHeight();

    static QColor baseColor(bool lightColored = false);
    static QColor panelTextColor(bool lightColored = false);
    static QColor highlightColor(bool lightColored = false);
    static QColor shadowColor(bool lightColored = false);
    static QColor borderColor(bool lightColored = false);
    static QColor buttonTextColor();
    static QColor mergedColors(const QColor &colorA, const QColor &colorB, int factor = 50);

    static QColor sidebarHighlight();
    static QColor sidebarShadow();

    // Recolours the panels; repaints every top-level widget when it changes.
    static void setBaseColor(const QColor &color);

    // Gradients paint the part `clipRect` of one gradient spanning `spanRect`,
    // so neighbouring widgets continue the same gradient. Cached by size.
    static void verticalGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect,
                                 bool lightColored = false);
    static void horizontalGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect,
                                   bool lightColored = false);
    static void menuGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect);
    static void backgroundGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect);

    static void verticalGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect,
                                       bool lightColored);
    static void horizontalGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect,
                                         bool lightColored);
    static void menuGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect);

    static bool usePixmapCache();

    static void drawArrow(QStyle::PrimitiveElement element, QPainter *painter,
                          const QStyleOption *option);
    static void drawIconWithShadow(const QIcon &icon, const QRect &rect, QPainter *painter,
                                   QIcon::Mode iconMode, int radius = 3,
                                   const QColor &color = QColor(0, 0, 0, 130),
                                   const QPoint &offset = QPoint(1, -2));
    static void drawCornerImage(const QImage &img, QPainter *painter, QRect rect,
                                int left = 0, int top = 0, int right = 0, int bottom = 0);
    static void tintImage(QImage &img, const QColor &tintColor);

    // Check box in state 0 (off), 1 (partially checked) or 2 (on), as the
    // style draws it, for views that show ticks as icons.
    static QIcon drawCheckbox(const QPalette &palette, QStyle *style, int state);
    // Tree branch indicator: closed for the icon's off state, open for on.
    static QIcon drawIndicatorIcon(const QPalette &palette, QStyle *style);

    // Cache keys, public so that callers (and tests) can ask the cache.
    static QString verticalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                       bool lightColored = false);
    static QString horizontalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                         bool lightColored = false);
    static QString menuGradientKey(const QRect &spanRect, const QRect &clipRect);

private:
    static QColor m_baseColor;
};
