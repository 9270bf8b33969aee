#include "stylehelper.h"
#include "stylemetrics.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygon>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>
#include <cmath>

using namespace StyleMetrics;

QColor StyleHelper::m_baseColor = DefaultBaseColor;

namespace {

int clampChannel(qreal value)
{
    return std::clamp(int(value), 0, 255);
}

// Separable box blur of the alpha channel, run twice to come close to a
// Gaussian; plenty for a three-pixel icon shadow.
void blurAlpha(QImage &image, int radius)
{
    if (radius <= 0)
        return;
    const int w = image.width();
    const int h = image.height();
    QVector<int> line(std::max(w, h));
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < h; ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                line[x] = qAlpha(row[x]);
            for (int x = 0; x < w; ++x) {
                int sum = 0;
                int count = 0;
                for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k) {
                    sum += line[k];
                    ++count;
                }
                row[x] = qRgba(0, 0, 0, sum / count);
            }
        }
        for (int x = 0; x < w; ++x) {
            for (int y = 0; y < h; ++y)
                line[y] = qAlpha(reinterpret_cast<const QRgb *>(image.constScanLine(y))[x]);
            for (int y = 0; y < h; ++y) {
                int sum = 0;
                int count = 0;
                for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k) {
                    sum += line[k];
                    ++count;
                }
                reinterpret_cast<QRgb *>(image.scanLine(y))[x] = qRgba(0, 0, 0, sum / count);
            }
        }
    }
}

template<typename Helper>
void paintCached(QPainter *painter, const QRect &spanRect, const QRect &clipRect,
                 const QString &key, Helper helper)
{
    if (clipRect.isEmpty())
        return;
    if (!StyleHelper::usePixmapCache()) {
        helper(painter, spanRect, clipRect);
        return;
    }
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(clipRect.size());
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        const QRect rect(0, 0, clipRect.width(), clipRect.height());
        helper(&p, spanRect.translated(-clipRect.topLeft()), rect);
        p.end();
        QPixmapCache::insert(key, pixmap);
    }
    painter->drawPixmap(clipRect.topLeft(), pixmap);
}

} // namespace

qreal StyleHelper::sidebarFontSize()
{
    return SidebarFontSize;
}

void StyleHelper::keepSelectionColorsWhenInactive(QWidget *widget)
{
    QPalette pal = widget->palette();
    pal.setBrush(QPalette::Inactive, QPalette::Highlight,
                 QBrush(pal.color(QPalette::Active, QPalette::Highlight)));
    pal.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                 QBrush(pal.color(QPalette::Active, QPalette::HighlightedText)));
    widget->setPalette(pal);
}

QPalette StyleHelper::sidebarFontPalette(const QPalette &original)
{
    QPalette palette = original;
    const QColor white(Qt::white);
    palette.setColor(QPalette::Active, QPalette::Text, white);
    palette.setColor(QPalette::Active, QPalette::WindowText, white);
    palette.setColor(QPalette::Inactive, QPalette::Text, white.darker(InactiveSidebarTextDarken));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, white.darker(InactiveSidebarTextDarken));
    return palette;
}

int StyleHelper::navigationWidgetHeight()
{
    return NavigationWidgetHeight;
}

QColor StyleHelper::baseColor(bool lightColored)
{
    return lightColored ? m_baseColor.lighter(LightBaseLighten) : m_baseColor;
}

QColor StyleHelper::panelTextColor(bool lightColored)
{
    return lightColored ? QColor(Qt::black) : QColor(Qt::white);
}

QColor StyleHelper::highlightColor(bool lightColored)
{
    QColor result = baseColor(lightColored);
    const qreal factor = lightColored ? HighlightValueLight : HighlightValueDark;
    result.setHsv(result.hue(), result.saturation(), clampChannel(result.value() * factor));
    return result;
}

QColor StyleHelper::shadowColor(bool lightColored)
{
    QColor result = baseColor(lightColored);
    result.setHsv(result.hue(), clampChannel(result.saturation() * ShadowSaturation),
                  clampChannel(result.value() * ShadowValue));
    return result;
}

QColor StyleHelper::borderColor(bool lightColored)
{
    QColor result = baseColor(lightColored);
    result.setHsv(result.hue(), result.saturation(), result.value() / 2);
    return result;
}

QColor StyleHelper::buttonTextColor()
{
    return ButtonTextColor;
}

QColor StyleHelper::mergedColors(const QColor &colorA, const QColor &colorB, int factor)
{
    const int maxFactor = 100;
    QColor tmp = colorA;
    tmp.setRed((tmp.red() * factor) / maxFactor + (colorB.red() * (maxFactor - factor)) / maxFactor);
    tmp.setGreen((tmp.green() * factor) / maxFactor + (colorB.green() * (maxFactor - factor)) / maxFactor);
    tmp.setBlue((tmp.blue() * factor) / maxFactor + (colorB.blue() * (maxFactor - factor)) / maxFactor);
    return tmp;
}

QColor StyleHelper::sidebarHighlight()
{
    return SidebarHighlight;
}

QColor StyleHelper::sidebarShadow()
{
    return SidebarShadow;
}

void StyleHelper::setBaseColor(const QColor &color)
{
    if (!color.isValid())
        return;
    // Compared and stored as RGB: QColor's equality also compares the colour
    // model, so an HSV colour never equals the same colour in RGB.
    const QColor newColor = QColor::fromHsv(color.hue(),
                                            int(color.saturation() * PickedSaturation),
                                            color.value() / PickedValueDivisor + PickedValueOffset)
                                .toRgb();
    if (!newColor.isValid() || newColor.rgba() == m_baseColor.rgba())
        return;
    m_baseColor = newColor;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows)
        w->update();
}

bool StyleHelper::usePixmapCache()
{
    return true;
}

QString StyleHelper::verticalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                         bool lightColored)
{
    // The base colour of the chosen variant goes into the key, so the light
    // and the dark gradient of one size never share a cache entry.
    return QString::asprintf("mh_vertical %d %d %d %d %d", spanRect.width(), spanRect.height(),
                             clipRect.width(), clipRect.height(), int(baseColor(lightColored).rgb()));
}

QString StyleHelper::horizontalGradientKey(const QRect &spanRect, const QRect &clipRect,
                                           bool lightColored)
{
    return QString::asprintf("mh_horizontal %d %d %d %d %d %d", spanRect.width(),
                             spanRect.height(), clipRect.width(), clipRect.height(),
                             int(baseColor(lightColored).rgb()), spanRect.left());
}

QString StyleHelper::menuGradientKey(const QRect &spanRect, const QRect &clipRect)
{
    return QString::asprintf("mh_menu %d %d %d %d %d", spanRect.width(), spanRect.height(),
                             clipRect.width(), clipRect.height(), int(baseColor().rgb()));
}

void StyleHelper::verticalGradientHelper(QPainter *painter, const QRect &spanRect,
                                         const QRect &rect, bool lightColored)
{
    const QColor highlight = highlightColor(lightColored);
    const QColor shadow = shadowColor(lightColored);
    QLinearGradient grad(spanRect.topRight(), spanRect.topLeft());
    grad.setColorAt(0, highlight.lighter(VerticalHighlightLighten));
    grad.setColorAt(1, shadow.darker(VerticalShadowDarken));
    painter->fillRect(rect, grad);

    painter->setPen(VerticalInnerLight);
    painter->drawLine(rect.topRight() - QPoint(1, 0), rect.bottomRight() - QPoint(1, 0));
    painter->setPen(VerticalOuterDark);
    painter->drawLine(rect.topLeft(), rect.bottomLeft());
}

void StyleHelper::verticalGradient(QPainter *painter, const QRect &spanRect,
                                   const QRect &clipRect, bool lightColored)
{
    const QString key = verticalGradientKey(spanRect, clipRect, lightColored);
    paintCached(painter, spanRect, clipRect, key,
                [lightColored](QPainter *p, const QRect &span, const QRect &rect) {
                    verticalGradientHelper(p, span, rect, lightColored);
                });
}

void StyleHelper::horizontalGradientHelper(QPainter *painter, const QRect &spanRect,
                                           const QRect &rect, bool lightColored)
{
    if (lightColored) {
        QLinearGradient grad(rect.topLeft(), rect.bottomLeft());
        grad.setColorAt(0, LightGradientTop);
        grad.setColorAt(1, LightGradientBottom);
        painter->fillRect(rect, grad);
        return;
    }
    const QColor base = baseColor(false);
    const QColor highlight = highlightColor(false);
    const QColor shadow = shadowColor(false);
    QLinearGradient grad(rect.topLeft(), rect.bottomLeft());
    grad.setColorAt(0, highlight);
    if (rect.height() == StepClipHeight) {
        grad.setColorAt(StepHighlightEnd, highlight);
        grad.setColorAt(StepBaseStart, base);
    }
    grad.setColorAt(1, shadow);
    painter->fillRect(rect, grad);

    QLinearGradient overlay(spanRect.topLeft(), spanRect.topRight());
    QColor overlayHighlight = highlight;
    overlayHighlight.setAlpha(OverlayHighlightAlpha);
    overlay.setColorAt(0, OverlayLeft);
    overlay.setColorAt(OverlayHighlightPos, overlayHighlight);
    overlay.setColorAt(1, OverlayRight);
    painter->fillRect(rect, overlay);
}

void StyleHelper::horizontalGradient(QPainter *painter, const QRect &spanRect,
                                     const QRect &clipRect, bool lightColored)
{
    const QString key = horizontalGradientKey(spanRect, clipRect, lightColored);
    paintCached(painter, spanRect, clipRect, key,
                [lightColored](QPainter *p, const QRect &span, const QRect &rect) {
                    horizontalGradientHelper(p, span, rect, lightColored);
                });
}

void StyleHelper::menuGradientHelper(QPainter *painter, const QRect &spanRect, const QRect &rect)
{
    const QColor menuColor = mergedColors(baseColor(false), MenuMergeGrey, MenuMergeFactor);
    QLinearGradient grad(spanRect.topLeft(), spanRect.bottomLeft());
    grad.setColorAt(0, menuColor.lighter(MenuTopLighten));
    grad.setColorAt(1, menuColor);
    painter->fillRect(rect, grad);
}

void StyleHelper::menuGradient(QPainter *painter, const QRect &spanRect, const QRect &clipRect)
{
    paintCached(painter, spanRect, clipRect, menuGradientKey(spanRect, clipRect),
                [](QPainter *p, const QRect &span, const QRect &rect) {
                    menuGradientHelper(p, span, rect);
                });
}

void StyleHelper::backgroundGradient(QPainter *painter, const QRect &spanRect,
                                     const QRect &clipRect)
{
    const QColor color = mergedColors(baseColor(false), BackgroundMergeGrey, BackgroundMergeFactor);
    QLinearGradient grad(spanRect.topLeft(), spanRect.bottomLeft());
    grad.setColorAt(0, color.lighter(BackgroundTopLighten));
    grad.setColorAt(BackgroundMiddlePos, color);
    grad.setColorAt(1, color.lighter(BackgroundBottomLighten));
    painter->fillRect(clipRect, grad);
}

void StyleHelper::drawArrow(QStyle::PrimitiveElement element, QPainter *painter,
                            const QStyleOption *option)
{
    const QRect r = option->rect;
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const int size = std::min(r.height(), r.width());
    const QString key = QString::asprintf("arrow-%s-%d-%d-%d-%lld", "$qt_ia", uint(option->state),
                                          int(element), size,
                                          (long long)(option->palette.cacheKey()));
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        // A triangle of half the box, pointing the arrow's way.
        const qreal half = size / 4.0;
        const QPointF c(size / 2.0, size / 2.0);
        QPolygonF triangle;
        switch (element) {
        case QStyle::PE_IndicatorArrowUp:
            triangle << QPointF(c.x() - half, c.y() + half / 2) << QPointF(c.x() + half, c.y() + half / 2)
                     << QPointF(c.x(), c.y() - half / 2);
            break;
        case QStyle::PE_IndicatorArrowLeft:
            triangle << QPointF(c.x() + half / 2, c.y() - half) << QPointF(c.x() + half / 2, c.y() + half)
                     << QPointF(c.x() - half / 2, c.y());
            break;
        case QStyle::PE_IndicatorArrowRight:
            triangle << QPointF(c.x() - half / 2, c.y() - half) << QPointF(c.x() - half / 2, c.y() + half)
                     << QPointF(c.x() + half / 2, c.y());
            break;
        default: // down, and anything else asked of an arrow
            triangle << QPointF(c.x() - half, c.y() - half / 2) << QPointF(c.x() + half, c.y() - half / 2)
                     << QPointF(c.x(), c.y() + half / 2);
            break;
        }
        p.setPen(Qt::NoPen);
        if (option->state & QStyle::State_Enabled) {
            p.setBrush(QColor(0, 0, 0, 120));
            p.drawPolygon(triangle.translated(0, 1));
            p.setBrush(QColor(255, 255, 255, 230));
            p.drawPolygon(triangle);
        } else {
            p.setBrush(DisabledArrowColor);
            p.drawPolygon(triangle);
        }
        p.end();
        QPixmapCache::insert(key, pixmap);
    }
    const int x = r.center().x() - size / 2 + 1;
    const int y = r.center().y() - size / 2 + 1;
    painter->drawPixmap(x, y, pixmap);
}

void StyleHelper::drawIconWithShadow(const QIcon &icon, const QRect &rect, QPainter *painter,
                                     QIcon::Mode iconMode, int radius, const QColor &color,
                                     const QPoint &offset)
{
    if (icon.isNull() || rect.isEmpty())
        return;
    const QString key = QStringLiteral("icon %0 %1 %2")
                            .arg(icon.cacheKey()).arg(int(iconMode)).arg(rect.height());
    QPixmap cache;
    if (!QPixmapCache::find(key, &cache)) {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap px = icon.pixmap(rect.size(), dpr, iconMode);
        if (px.isNull())
            return;
        const int margin = radius * 2 + std::max(std::abs(offset.x()), std::abs(offset.y()));
        const QSize logical = (QSizeF(px.size()) / px.devicePixelRatio()).toSize();
        const QSize total = logical + QSize(2 * margin, 2 * margin);

        QImage shadow(total * dpr, QImage::Format_ARGB32_Premultiplied);
        shadow.setDevicePixelRatio(dpr);
        shadow.fill(Qt::transparent);
        {
            QPainter sp(&shadow);
            sp.drawPixmap(QPoint(margin, margin) + offset, px);
        }
        blurAlpha(shadow, int(radius * dpr));
        {
            QPainter sp(&shadow);
            sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
            sp.fillRect(QRect(QPoint(0, 0), total), color);
        }

        cache = QPixmap(total * dpr);
        cache.setDevicePixelRatio(dpr);
        cache.fill(Qt::transparent);
        QPainter cp(&cache);
        cp.drawImage(0, 0, shadow);
        cp.drawPixmap(margin, margin, px);
        cp.end();
        QPixmapCache::insert(key, cache);
    }
    const QSize logical = (QSizeF(cache.size()) / cache.devicePixelRatio()).toSize();
    const QPoint topLeft(rect.x() + (rect.width() - logical.width()) / 2,
                         rect.y() + (rect.height() - logical.height()) / 2);
    painter->drawPixmap(topLeft, cache);
}

void StyleHelper::drawCornerImage(const QImage &img, QPainter *painter, QRect rect,
                                  int left, int top, int right, int bottom)
{
    const QSize size = img.size();
    if (img.isNull() || rect.isEmpty())
        return;
    const int w = rect.width();
    const int h = rect.height();
    const int x = rect.x();
    const int y = rect.y();
    const int sw = size.width();
    const int sh = size.height();
    // Centre, then edges, then corners: the corners keep their pixels.
    if (top > 0) {
        painter->drawImage(QRect(x + left, y, w - right - left, top), img,
                           QRect(left, 0, sw - right - left, top));
        if (left > 0)
            painter->drawImage(QRect(x, y, left, top), img, QRect(0, 0, left, top));
        if (right > 0)
            painter->drawImage(QRect(x + w - right, y, right, top), img,
                               QRect(sw - right, 0, right, top));
    }
    if (left > 0)
        painter->drawImage(QRect(x, y + top, left, h - top - bottom), img,
                           QRect(0, top, left, sh - bottom - top));
    painter->drawImage(QRect(x + left, y + top, w - right - left, h - bottom - top), img,
                       QRect(left, top, sw - right - left, sh - bottom - top));
    if (right > 0)
        painter->drawImage(QRect(x + w - right, y + top, right, h - top - bottom), img,
                           QRect(sw - right, top, right, sh - bottom - top));
    if (bottom > 0) {
        painter->drawImage(QRect(x + left, y + h - bottom, w - right - left, bottom), img,
                           QRect(left, sh - bottom, sw - right - left, bottom));
        if (left > 0)
            painter->drawImage(QRect(x, y + h - bottom, left, bottom), img,
                               QRect(0, sh - bottom, left, bottom));
        if (right > 0)
            painter->drawImage(QRect(x + w - right, y + h - bottom, right, bottom), img,
                               QRect(sw - right, sh - bottom, right, bottom));
    }
}

void StyleHelper::tintImage(QImage &img, const QColor &tintColor)
{
    if (img.isNull())
        return;
    if (img.format() != QImage::Format_ARGB32_Premultiplied)
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Keep each pixel's brightness and alpha, take hue and saturation from the tint.
    for (int y = 0; y < img.height(); ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (alpha == 0)
                continue;
            const int grey = qGray(row[x]);
            const int r = grey * tintColor.red() / 255;
            const int g = grey * tintColor.green() / 255;
            const int b = grey * tintColor.blue() / 255;
            row[x] = qRgba(std::min(r, alpha), std::min(g, alpha), std::min(b, alpha), alpha);
        }
    }
}

QIcon StyleHelper::drawCheckbox(const QPalette &palette, QStyle *style, int state)
{
    if (!style)
        return QIcon();
    QStyleOptionButton option;
    option.palette = palette;
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, &option);
    const int indicatorHeight = style->pixelMetric(QStyle::PM_IndicatorHeight, &option);
    const int height = std::max(indicatorHeight, width);
    option.rect = QRect(0, (height - indicatorHeight) / 2, width, indicatorHeight);
    option.state = QStyle::State_Enabled;
    switch (state) {
    case Qt::PartiallyChecked:
        option.state |= QStyle::State_NoChange;
        break;
    case Qt::Checked:
        option.state |= QStyle::State_On;
        break;
    default:
        option.state |= QStyle::State_Off;
        break;
    }
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
    painter.end();
    return QIcon(pixmap);
}

QIcon StyleHelper::drawIndicatorIcon(const QPalette &palette, QStyle *style)
{
    QIcon icon;
    if (!style)
        return icon;
    QStyleOption option;
    option.palette = palette;
    option.rect = QRect(QPoint(0, 0), IndicatorIconSize);
    for (bool open : {false, true}) {
        option.state = QStyle::State_Enabled | QStyle::State_Children;
        if (open)
            option.state |= QStyle::State_Open;
        QPixmap pixmap(IndicatorIconSize);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        style->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter);
        painter.end();
        icon.addPixmap(pixmap, QIcon::Normal, open ? QIcon::On : QIcon::Off);
    }
    return icon;
}
