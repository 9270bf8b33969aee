#include "stylehelper.h"
#include "stylemetrics.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygonF>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace StyleMetrics;

QColor StyleHelper::m_baseColor = DefaultBaseColor;

namespace {

// Colour with the HSV value scaled (clamped to 255), hue and saturation kept.
QColor withScaledValue(const QColor &color, qreal factor)
{
    const int value = std::min(255, int(color.value() * factor));
    return QColor::fromHsv(color.hsvHue(), color.hsvSaturation(), value, color.alpha());
}

// One-pixel lines that belong to the span; drawn only where they fall into
// the painted rectangle.
void drawColumnIn(QPainter *painter, const QRect &rect, int x, const QColor &color)
{
    if (x < rect.left() || x > rect.right())
        return;
    painter->setPen(color);
    painter->drawLine(x, rect.top(), x, rect.bottom());
}

using GradientPaint = void (*)(QPainter *, const QRect &, const QRect &, bool);

// Paints a gradient through the pixmap cache. `reusable` tells whether the
// key describes everything the picture depends on; when it does not (the
// clip sits elsewhere in the span than the key can say), the gradient is
// painted directly rather than taken from a picture of another place.
void paintThroughCache(QPainter *painter, const QString &key, const QRect &spanRect,
                       const QRect &clipRect, bool lightColored, bool reusable,
                       GradientPaint paint)
{
    if (clipRect.isEmpty())
        return;
    if (!reusable || !StyleHelper::usePixmapCache()) {
        paint(painter, spanRect, clipRect, lightColored);
        return;
    }
    QPixmap tile;
    if (!QPixmapCache::find(key, &tile)) {
        tile = QPixmap(clipRect.size());
        tile.fill(Qt::transparent);
        QPainter tilePainter(&tile);
        // The tile's origin is the clip's corner.
        const QPoint shift = -clipRect.topLeft();
        paint(&tilePainter, spanRect.translated(shift), QRect(QPoint(0, 0), clipRect.size()),
              lightColored);
        tilePainter.end();
        QPixmapCache::insert(key, tile);
    }
    painter->drawPixmap(clipRect.topLeft(), tile);
}

// Box blur over every channel of a premultiplied image, `radius` pixels each
// way, one row or column at a time with a running sum.
void boxBlurLine(QRgb *pixels, int count, int stride, int radius, QVector<QRgb> &scratch)
{
    scratch.resize(count);
    for (int i = 0; i < count; ++i)
        scratch[i] = pixels[i * stride];
    const int window = 2 * radius + 1;
    int sum[4] = {0, 0, 0, 0};
    auto add = [&sum](QRgb px, int sign) {
        sum[0] += sign * qAlpha(px);
        sum[1] += sign * qRed(px);
        sum[2] += sign * qGreen(px);
        sum[3] += sign * qBlue(px);
    };
    auto at = [&scratch, count](int i) { return (i < 0 || i >= count) ? QRgb(0) : scratch[i]; };
    for (int i = -radius; i <= radius; ++i)
        add(at(i), 1);
    for (int i = 0; i < count; ++i) {
        pixels[i * stride] = qRgba(sum[1] / window, sum[2] / window, sum[3] / window,
                                   sum[0] / window);
        add(at(i + radius + 1), 1);
        add(at(i - radius), -1);
    }
}

void blurImage(QImage &image, int radius)
{
    if (radius <= 0)
        return;
    QVector<QRgb> scratch;
    const int w = image.width();
    const int h = image.height();
    const int stride = int(image.bytesPerLine() / sizeof(QRgb));
    auto *bits = reinterpret_cast<QRgb *>(image.bits());
    for (int pass = 0; pass < ShadowBlurPasses; ++pass) {
        for (int y = 0; y < h; ++y)
            boxBlurLine(bits + y * stride, w, 1, radius, scratch);
        for (int x = 0; x < w; ++x)
            boxBlurLine(bits + x, h, stride, radius, scratch);
    }
}

// Grey copy of a pixmap for disabled icons.
QPixmap greyedOut(const QPixmap &pixmap)
{
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, int(qAlpha(line[x]) * DisabledIconOpacity));
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

// The icon over its blurred, tinted silhouette, with room around it for the
// blur and the offset; the icon sits in the middle of the result.
QPixmap shadowedIcon(const QPixmap &iconPixmap, int radius, const QColor &color,
                     const QPoint &offset)
{
    const qreal ratio = iconPixmap.devicePixelRatio();
    const int reach = radius + std::max(std::abs(offset.x()), std::abs(offset.y()));
    const int margin = int(std::ceil(reach * ratio));
    const QSize size = iconPixmap.size() + QSize(2 * margin, 2 * margin);
    const QPoint iconAt(margin, margin);

    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        QPixmap unscaled = iconPixmap;
        unscaled.setDevicePixelRatio(1.0);
        p.drawPixmap(iconAt + offset * ratio, unscaled);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(shadow.rect(), color);
    }
    blurImage(shadow, int(std::round(radius * ratio)));
    {
        QPainter p(&shadow);
        QPixmap unscaled = iconPixmap;
        unscaled.setDevicePixelRatio(1.0);
        p.drawPixmap(iconAt, unscaled);
    }
    QPixmap result = QPixmap::fromImage(shadow);
    result.setDevicePixelRatio(ratio);
    return result;
}

// Triangle pointing the way the arrow element says, centred in a square.
QPolygonF arrowShape(QStyle::PrimitiveElement element, int side)
{
    const qreal width = std::max<qreal>(ArrowMinimumWidth, std::floor(side * ArrowShare));
    const qreal half = width / 2;
    const qreal depth = half;
    const qreal c = side / 2.0;
    switch (element) {
    case QStyle::PE_IndicatorArrowUp:
        return QPolygonF({{c - half, c + depth / 2}, {c + half, c + depth / 2}, {c, c - depth / 2}});
    case QStyle::PE_IndicatorArrowLeft:
        return QPolygonF({{c + depth / 2, c - half}, {c + depth / 2, c + half}, {c - depth / 2, c}});
    case QStyle::PE_IndicatorArrowRight:
        return QPolygonF({{c - depth / 2, c - half}, {c - depth / 2, c + half}, {c + depth / 2, c}});
    default:
        return QPolygonF({{c - half, c - depth / 2}, {c + half, c - depth / 2}, {c, c + depth / 2}});
    }
}

} // namespace

int StyleHelper::navigationWidgetHeight()
{
    return NavigationWidgetHeight;
}

qreal StyleHelper::sidebarFontSize()
{
    return SidebarFontSize;
}

QPalette StyleHelper::sidebarFontPalette(const QPalette &original)
{
    QPalette palette = original;
    const QColor active(Qt::white);
    const QColor inactive = active.darker(InactiveSidebarTextDarken);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText}) {
        palette.setColor(QPalette::Active, role, active);
        palette.setColor(QPalette::Inactive, role, inactive);
    }
    return palette;
}

void StyleHelper::keepSelectionColorsWhenInactive(QWidget *widget)
{
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    widget->setPalette(palette);
}

QColor StyleHelper::baseColor(bool lightColored)
{
    return lightColored ? m_baseColor.lighter(LightBaseLighten) : m_baseColor;
}

QColor StyleHelper::highlightColor(bool lightColored)
{
    return withScaledValue(baseColor(lightColored),
                           lightColored ? HighlightValueLight : HighlightValueDark);
}

QColor StyleHelper::shadowColor(bool lightColored)
{
    const QColor base = baseColor(lightColored);
    const int saturation = std::min(255, int(base.hsvSaturation() * ShadowSaturation));
    const int value = std::min(255, int(base.value() * ShadowValue));
    return QColor::fromHsv(base.hsvHue(), saturation, value, base.alpha());
}

QColor StyleHelper::borderColor(bool lightColored)
{
    return withScaledValue(baseColor(lightColored), 0.5);
}

QColor StyleHelper::panelTextColor(bool lightColored)
{
    return lightColored ? QColor(Qt::black) : QColor(Qt::white);
}

QColor StyleHelper::buttonTextColor()
{
    return ButtonTextColor;
}

QColor StyleHelper::sidebarHighlight()
{
    return SidebarHighlight;
}

QColor StyleHelper::sidebarShadow()
{
    return SidebarShadow;
}

QColor StyleHelper::mergedColors(const QColor &colorA, const QColor &colorB, int factor)
{
    // Each share is rounded down on its own, as the panel colours always were.
    auto mix = [factor](int a, int b) { return a * factor / 100 + b * (100 - factor) / 100; };
    QColor merged(mix(colorA.red(), colorB.red()), mix(colorA.green(), colorB.green()),
                  mix(colorA.blue(), colorB.blue()));
    merged.setAlpha(colorA.alpha());
    return merged;
}

void StyleHelper::setBaseColor(const QColor &color)
{
    // A cancelled colour dialog hands over an invalid colour.
    if (!color.isValid())
        return;
    const int saturation = int(color.hsvSaturation() * PickedSaturation);
    const int value = color.value() / PickedValueDivisor + PickedValueOffset;
    const QColor toned = QColor::fromHsv(color.hsvHue(), saturation, value);
    if (!toned.isValid() || toned == m_baseColor)
        return;
    m_baseColor = toned;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->update();
}

bool StyleHelper::usePixmapCache()
{
    return true;
}

// Gradients -----------------------------------------------------------------

QString StyleHelper::verticalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                         bool lightColored)
{
    return QString::asprintf("mh_vertical %d %d %d %d %d", spanRect.width(), spanRect.height(),
                             clipRect.width(), clipRect.height(),
                             int(baseColor(lightColored).rgb()));
}

QString StyleHelper::horizontalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                           bool lightColored)
{
    // The span's left edge as seen from the painted tile.
    return QString::asprintf("mh_horizontal %d %d %d %d %d %d", spanRect.width(),
                             spanRect.height(), clipRect.width(), clipRect.height(),
                             int(baseColor(lightColored).rgb()),
                             spanRect.left() - clipRect.left());
}

QString StyleHelper::menuGradientKey(const QRect &spanRect, const QRect &clipRect)
{
    return QString::asprintf("mh_menu %d %d %d %d %d", spanRect.width(), spanRect.height(),
                             clipRect.width(), clipRect.height(), int(baseColor().rgb()));
}

void StyleHelper::verticalGradientHelper(QPainter *painter, const QRect &spanRect,
                                         const QRect &rect, bool lightColored)
{
    // Light on the right, dark on the left, across the span.
    QLinearGradient shade(spanRect.topRight(), spanRect.topLeft());
    shade.setColorAt(0, highlightColor(lightColored).lighter(VerticalHighlightLighten));
    shade.setColorAt(1, shadowColor(lightColored).darker(VerticalShadowDarken));
    painter->fillRect(rect, shade);

    drawColumnIn(painter, rect, spanRect.right() - 1, VerticalInnerLight);
    drawColumnIn(painter, rect, spanRect.left(), VerticalOuterDark);
}

void StyleHelper::horizontalGradientHelper(QPainter *painter, const QRect &spanRect,
                                           const QRect &rect, bool lightColored)
{
    QLinearGradient shade(spanRect.topLeft(), spanRect.bottomLeft());
    if (lightColored) {
        shade.setColorAt(0, LightGradientTop);
        shade.setColorAt(1, LightGradientBottom);
        painter->fillRect(rect, shade);
        return;
    }

    const QColor highlight = highlightColor();
    shade.setColorAt(0, highlight);
    // A bar of the navigation height gets a hard step: the upper part stays
    // light, the lower part starts again at the base colour.
    if (rect.height() == StepClipHeight) {
        shade.setColorAt(StepHighlightEnd, highlight);
        shade.setColorAt(StepBaseStart, baseColor());
    }
    shade.setColorAt(1, shadowColor());
    painter->fillRect(rect, shade);

    QColor sheen = highlight;
    sheen.setAlpha(OverlayHighlightAlpha);
    QLinearGradient overlay(spanRect.topLeft(), spanRect.topRight());
    overlay.setColorAt(0, OverlayLeft);
    overlay.setColorAt(OverlayHighlightPos, sheen);
    overlay.setColorAt(1, OverlayRight);
    painter->fillRect(rect, overlay);
}

void StyleHelper::menuGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect)
{
    const QColor menu = mergedColors(baseColor(), MenuMergeGrey, MenuMergeFactor);
    QLinearGradient shade(spanRect.topLeft(), spanRect.bottomLeft());
    shade.setColorAt(0, menu.lighter(MenuTopLighten));
    shade.setColorAt(1, menu);
    painter->fillRect(rect, shade);
}

void StyleHelper::verticalGradient(QPainter *painter, const QRect &spanRect,
                                   const QRect &clipRect, bool lightColored)
{
    // Varies across the span only: the clip's height position does not matter.
    const bool reusable = clipRect.left() == spanRect.left();
    paintThroughCache(painter, verticalGradientKey(spanRect, clipRect, lightColored), spanRect,
                      clipRect, lightColored, reusable, &StyleHelper::verticalGradientHelper);
}

void StyleHelper::horizontalGradient(QPainter *painter, const QRect &spanRect,
                                     const QRect &clipRect, bool lightColored)
{
    const bool reusable = clipRect.top() == spanRect.top();
    paintThroughCache(painter, horizontalGradientKey(spanRect, clipRect, lightColored), spanRect,
                      clipRect, lightColored, reusable, &StyleHelper::horizontalGradientHelper);
}

void StyleHelper::menuGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect)
{
    const bool reusable = clipRect.top() == spanRect.top();
    paintThroughCache(painter, menuGradientKey(spanRect, clipRect), spanRect, clipRect, false,
                      reusable, [](QPainter *p, const QRect &span, const QRect &rect, bool) {
                          menuGradientHelper(p, span, rect);
                      });
}

void StyleHelper::backgroundGradient(QPainter *painter, const QRect &spanRect,
                                     const QRect &clipRect)
{
    const QColor ground = mergedColors(baseColor(), BackgroundMergeGrey, BackgroundMergeFactor);
    QLinearGradient shade(spanRect.topLeft(), spanRect.bottomLeft());
    shade.setColorAt(0, ground.lighter(BackgroundTopLighten));
    shade.setColorAt(BackgroundMiddlePos, ground);
    shade.setColorAt(1, ground.lighter(BackgroundBottomLighten));
    painter->fillRect(clipRect, shade);
}

// Icons and images ------------------------------------------------------------

void StyleHelper::drawArrow(QStyle::PrimitiveElement element, QPainter *painter,
                            const QStyleOption *option)
{
    const int side = std::min(option->rect.width(), option->rect.height());
    if (side <= 0)
        return;
    const QString key = QString::asprintf("arrow-%s-%d-%d-%d-%lld", "$qt_ia",
                                          int(option->state), int(element), side,
                                          qint64(option->palette.cacheKey()));
    QPixmap arrow;
    if (!usePixmapCache() || !QPixmapCache::find(key, &arrow)) {
        arrow = QPixmap(side, side);
        arrow.fill(Qt::transparent);
        QPainter p(&arrow);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const QPolygonF shape = arrowShape(element, side);
        if (option->state & QStyle::State_Enabled) {
            p.setBrush(ArrowShadow);
            p.drawPolygon(shape.translated(ArrowShadowOffset));
            p.setBrush(ArrowColor);
        } else {
            p.setBrush(DisabledArrowColor);
        }
        p.drawPolygon(shape);
        p.end();
        if (usePixmapCache())
            QPixmapCache::insert(key, arrow);
    }
    QRect target(0, 0, side, side);
    target.moveCenter(option->rect.center());
    painter->drawPixmap(target, arrow);
}

void StyleHelper::drawIconWithShadow(const QIcon &icon, const QRect &rect, QPainter *painter,
                                     QIcon::Mode iconMode, int radius, const QColor &color,
                                     const QPoint &offset)
{
    if (icon.isNull() || rect.isEmpty())
        return;
    const QString key = QStringLiteral("icon %0 %1 %2")
                            .arg(icon.cacheKey())
                            .arg(int(iconMode))
                            .arg(rect.height());
    QPixmap picture;
    if (!usePixmapCache() || !QPixmapCache::find(key, &picture)) {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap plain = icon.pixmap(rect.size(), ratio, QIcon::Normal);
        if (plain.isNull())
            return;
        if (iconMode == QIcon::Disabled)
            plain = greyedOut(plain);
        picture = shadowedIcon(plain, radius, color, offset);
        if (usePixmapCache())
            QPixmapCache::insert(key, picture);
    }
    // The icon is in the middle of the picture; put that on the middle of rect.
    const QSizeF logical = picture.deviceIndependentSize();
    const QPointF corner = QRectF(rect).center() - QPointF(logical.width(), logical.height()) / 2;
    painter->drawPixmap(QPointF(std::round(corner.x()), std::round(corner.y())), picture);
}

void StyleHelper::drawCornerImage(const QImage &img, QPainter *painter, QRect rect, int left,
                                  int top, int right, int bottom)
{
    if (img.isNull() || rect.isEmpty())
        return;
    // Three columns and three rows: the borders keep their width and height,
    // the middle stretches to fill the rectangle.
    const int imgW = img.width();
    const int imgH = img.height();
    const int fromX[] = {0, left, imgW - right};
    const int fromW[] = {left, imgW - left - right, right};
    const int fromY[] = {0, top, imgH - bottom};
    const int fromH[] = {top, imgH - top - bottom, bottom};
    const int toX[] = {rect.x(), rect.x() + left, rect.x() + rect.width() - right};
    const int toW[] = {left, rect.width() - left - right, right};
    const int toY[] = {rect.y(), rect.y() + top, rect.y() + rect.height() - bottom};
    const int toH[] = {top, rect.height() - top - bottom, bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (fromW[col] <= 0 || fromH[row] <= 0 || toW[col] <= 0 || toH[row] <= 0)
                continue;
            painter->drawImage(QRect(toX[col], toY[row], toW[col], toH[row]), img,
                               QRect(fromX[col], fromY[row], fromW[col], fromH[row]));
        }
    }
}

void StyleHelper::tintImage(QImage &img, const QColor &tintColor)
{
    // Keeps each pixel's brightness and alpha, takes the tint's hue.
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor pixel = img.pixelColor(x, y);
            const int brightness = qGray(pixel.rgb());
            QColor tinted(tintColor.red() * brightness / 255, tintColor.green() * brightness / 255,
                          tintColor.blue() * brightness / 255);
            tinted.setAlpha(pixel.alpha());
            img.setPixelColor(x, y, tinted);
        }
    }
}

QIcon StyleHelper::drawCheckbox(const QPalette &palette, QStyle *style, int state)
{
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth);
    const int indicatorHeight = style->pixelMetric(QStyle::PM_IndicatorHeight);
    const int height = std::max(width, indicatorHeight);

    QStyleOptionButton option;
    option.palette = palette;
    option.rect = QRect(0, (height - indicatorHeight) / 2, width, indicatorHeight);
    option.state = QStyle::State_Enabled;
    switch (state) {
    case 1: option.state |= QStyle::State_NoChange; break;
    case 2: option.state |= QStyle::State_On; break;
    default: option.state |= QStyle::State_Off; break;
    }

    QPixmap box(width, height);
    box.fill(Qt::transparent);
    QPainter painter(&box);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
    painter.end();
    return QIcon(box);
}

QIcon StyleHelper::drawIndicatorIcon(const QPalette &palette, QStyle *style)
{
    QIcon icon;
    for (bool open : {false, true}) {
        QStyleOption option;
        option.palette = palette;
        option.rect = QRect(QPoint(0, 0), IndicatorIconSize);
        option.state = QStyle::State_Enabled | QStyle::State_Children;
        if (open)
            option.state |= QStyle::State_Open;
        QPixmap branch(IndicatorIconSize);
        branch.fill(Qt::transparent);
        QPainter painter(&branch);
        style->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter);
        painter.end();
        icon.addPixmap(branch, QIcon::Normal, open ? QIcon::On : QIcon::Off);
    }
    return icon;
}
