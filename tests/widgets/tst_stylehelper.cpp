#include <core/style/stylehelper.h>

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWidget>

// The panel colours and gradients: that they follow the base colour the
// operator picks, that the cache never hands out a picture of something
// else, and that the icons come out as the style draws them.
class tst_StyleHelper : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void colorsFollowBase_data();
    void colorsFollowBase();
    void mergedColors_data();
    void mergedColors();
    void setBaseColorRepaintsOnlyOnChange();
    void gradientFromCache_data();
    void gradientFromCache();
    void cacheNeverServesAnotherPicture_data();
    void cacheNeverServesAnotherPicture();
    void stepOfTheNavigationBar();
    void drawCheckbox();
    void iconWithShadow();
};

namespace {

// The operator's pick that gives the default grey 128 back: value 192 / 3 + 64.
const QColor DefaultPick(192, 192, 192);

enum GradientKind { Vertical, Horizontal, Menu };

void paintGradient(int kind, QPainter *p, const QRect &span, const QRect &clip, bool light = false)
{
    switch (kind) {
    case Vertical: StyleHelper::verticalGradient(p, span, clip, light); break;
    case Horizontal: StyleHelper::horizontalGradient(p, span, clip, light); break;
    case Menu: StyleHelper::menuGradient(p, span, clip); break;
    }
}

void paintGradientDirectly(int kind, QPainter *p, const QRect &span, const QRect &clip)
{
    switch (kind) {
    case Vertical: StyleHelper::verticalGradientHelper(p, span, clip, false); break;
    case Horizontal: StyleHelper::horizontalGradientHelper(p, span, clip, false); break;
    case Menu: StyleHelper::menuGradientHelper(p, span, clip); break;
    }
}

QString gradientKey(int kind, const QRect &span, const QRect &clip)
{
    switch (kind) {
    case Vertical: return StyleHelper::verticalGradientKey(span, clip);
    case Horizontal: return StyleHelper::horizontalGradientKey(span, clip);
    default: return StyleHelper::menuGradientKey(span, clip);
    }
}

QImage paintedArea(int kind, const QRect &span, const QRect &clip, bool direct)
{
    QImage image(span.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    if (direct)
        paintGradientDirectly(kind, &p, span, clip);
    else
        paintGradient(kind, &p, span, clip);
    p.end();
    return image.copy(clip);
}

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

void tst_StyleHelper::init()
{
    QPixmapCache::clear();
}

void tst_StyleHelper::cleanup()
{
    StyleHelper::setBaseColor(DefaultPick);
    QCOMPARE(StyleHelper::baseColor().rgba(), QColor(128, 128, 128).rgba());
}

void tst_StyleHelper::colorsFollowBase_data()
{
    QTest::addColumn<QColor>("pick");
    QTest::newRow("grey") << DefaultPick;
    QTest::newRow("blue") << QColor::fromHsv(220, 200, 240);
    QTest::newRow("dark red") << QColor::fromHsv(5, 255, 60);
    QTest::newRow("bright green") << QColor::fromHsv(120, 90, 255);
}

void tst_StyleHelper::colorsFollowBase()
{
    QFETCH(QColor, pick);
    StyleHelper::setBaseColor(pick);
    const QColor base = StyleHelper::baseColor();
    // A picked colour is toned down, never used as it is.
    QCOMPARE(base.hsvHue(), pick.hsvHue());
    QVERIFY(base.hsvSaturation() < pick.hsvSaturation() || pick.hsvSaturation() == 0);
    QVERIFY(base.value() >= 64 && base.value() <= 64 + 255 / 3);

    const QColor highlight = StyleHelper::highlightColor();
    const QColor shadow = StyleHelper::shadowColor();
    const QColor border = StyleHelper::borderColor();
    // Every derived colour is the base colour's hue, lighter or darker.
    for (const QColor &derived : {highlight, shadow, border})
        QCOMPARE(derived.hsvHue(), base.hsvHue());
    QVERIFY(highlight.value() > base.value());
    QVERIFY(shadow.value() < base.value());
    QCOMPARE(border.value(), base.value() / 2);
    // The light variant is lighter throughout, and its text dark.
    QVERIFY(StyleHelper::baseColor(true).value() > base.value());
    QVERIFY(StyleHelper::shadowColor(true).value() > shadow.value());
    QCOMPARE(StyleHelper::panelTextColor(true), QColor(Qt::black));
    QCOMPARE(StyleHelper::panelTextColor(false), QColor(Qt::white));
}

void tst_StyleHelper::mergedColors_data()
{
    QTest::addColumn<QColor>("a");
    QTest::addColumn<QColor>("b");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QColor>("expected");
    // Each share rounded down on its own; the alpha is the first colour's.
    QTest::newRow("quarter") << QColor(200, 100, 50, 77) << QColor(0, 50, 250) << 25
                             << QColor(50, 62, 199, 77);
    QTest::newRow("all b") << QColor(10, 20, 30, 5) << QColor(200, 201, 202) << 0
                           << QColor(200, 201, 202, 5);
}

void tst_StyleHelper::mergedColors()
{
    QFETCH(QColor, a);
    QFETCH(QColor, b);
    QFETCH(int, factor);
    QFETCH(QColor, expected);
    QCOMPARE(StyleHelper::mergedColors(a, b, factor).rgba(), expected.rgba());
}

void tst_StyleHelper::setBaseColorRepaintsOnlyOnChange()
{
    PaintCounter window;
    window.resize(50, 50);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    window.paints = 0;

    // The pick that maps onto the colour in effect, and a cancelled dialog.
    StyleHelper::setBaseColor(DefaultPick);
    StyleHelper::setBaseColor(QColor());
    QCoreApplication::processEvents();
    QCOMPARE(window.paints, 0);
    QCOMPARE(StyleHelper::baseColor().rgba(), QColor(128, 128, 128).rgba());

    StyleHelper::setBaseColor(QColor(30, 90, 200));
    QCoreApplication::processEvents();
    QVERIFY(window.paints > 0);
}

void tst_StyleHelper::gradientFromCache_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QRect>("clip");
    QTest::addColumn<QString>("keyTail");
    // Sizes of span and clip, the base colour (grey 128), and for the
    // horizontal gradient the span's left edge seen from the clip.
    const QString grey = QString::number(int(QColor(128, 128, 128).rgb()));
    QTest::newRow("vertical") << int(Vertical) << QRect(0, 6, 40, 20)
                              << QStringLiteral("mh_vertical 120 30 40 20 ") + grey;
    QTest::newRow("horizontal") << int(Horizontal) << QRect(10, 0, 40, 30)
                                << QStringLiteral("mh_horizontal 120 30 40 30 ") + grey
            + QStringLiteral(" -10");
    QTest::newRow("menu") << int(Menu) << QRect(10, 0, 40, 30)
                          << QStringLiteral("mh_menu 120 30 40 30 ") + grey;
}

void tst_StyleHelper::gradientFromCache()
{
    QFETCH(int, kind);
    QFETCH(QRect, clip);
    QFETCH(QString, keyTail);
    const QRect span(0, 0, 120, 30);
    const QString key = gradientKey(kind, span, clip);
    QCOMPARE(key, keyTail);

    QPixmap target(120, 30);
    QPixmap cached;
    QVERIFY(!QPixmapCache::find(key, &cached));
    {
        QPainter p(&target);
        paintGradient(kind, &p, span, clip);
    }
    QVERIFY(QPixmapCache::find(key, &cached));
    QCOMPARE(cached.size(), clip.size());

    // Swap the cache entry for a marker: the second identical call paints it,
    // and only inside the clip.
    QPixmap marker(clip.size());
    marker.fill(Qt::magenta);
    QPixmapCache::insert(key, marker);
    target.fill(Qt::black);
    {
        QPainter p(&target);
        paintGradient(kind, &p, span, clip);
    }
    const QImage image = target.toImage();
    QCOMPARE(image.pixelColor(clip.center()), QColor(Qt::magenta));
    QCOMPARE(image.pixelColor(clip.right() + 1, clip.center().y()), QColor(Qt::black));
}

void tst_StyleHelper::cacheNeverServesAnotherPicture_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QRect>("first");
    QTest::addColumn<QRect>("second");
    // Same sizes, another place in the span: the gradient differs there.
    QTest::newRow("vertical, further right") << int(Vertical) << QRect(0, 0, 30, 30)
                                             << QRect(80, 0, 30, 30);
    QTest::newRow("horizontal, further down") << int(Horizontal) << QRect(0, 0, 120, 10)
                                              << QRect(0, 20, 120, 10);
    QTest::newRow("horizontal, further right") << int(Horizontal) << QRect(0, 0, 30, 30)
                                               << QRect(80, 0, 30, 30);
    QTest::newRow("menu, further down") << int(Menu) << QRect(0, 0, 120, 10)
                                        << QRect(0, 20, 120, 10);
}

void tst_StyleHelper::cacheNeverServesAnotherPicture()
{
    QFETCH(int, kind);
    QFETCH(QRect, first);
    QFETCH(QRect, second);
    const QRect span(0, 0, 120, 30);
    QVERIFY(paintedArea(kind, span, first, true) != paintedArea(kind, span, second, true));

    // Painted through the cache, each place looks as painted directly, in
    // either order and after a change of the base colour.
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(paintedArea(kind, span, first, false), paintedArea(kind, span, first, true));
        QCOMPARE(paintedArea(kind, span, second, false), paintedArea(kind, span, second, true));
        StyleHelper::setBaseColor(QColor(40, 160, 90));
    }

    // Light and dark variants never share an entry.
    if (kind != Menu) {
        QImage dark(120, 30, QImage::Format_ARGB32_Premultiplied);
        QImage light(120, 30, QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&dark);
            paintGradient(kind, &p, span, span, false);
        }
        {
            QPainter p(&light);
            paintGradient(kind, &p, span, span, true);
        }
        QVERIFY(dark != light);
    }
}

void tst_StyleHelper::stepOfTheNavigationBar()
{
    // A horizontal bar exactly as high as the navigation bar keeps the
    // highlight down to 40 % and starts again at the base colour below it.
    const int height = StyleHelper::navigationWidgetHeight();
    const QRect bar(0, 0, 100, height);
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    StyleHelper::horizontalGradientHelper(&p, bar, bar, false);
    p.end();
    const int upper = image.pixelColor(70, int(height * 0.4) - 1).value();
    const int lower = image.pixelColor(70, int(height * 0.4) + 1).value();
    QVERIFY2(upper - lower > 10, qPrintable(QStringLiteral("%1 %2").arg(upper).arg(lower)));

    // One pixel higher or lower, no step: the same rows change gently.
    const QRect taller(0, 0, 100, height + 1);
    QImage smooth(taller.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter q(&smooth);
    StyleHelper::horizontalGradientHelper(&q, taller, taller, false);
    q.end();
    const int a = smooth.pixelColor(70, int(height * 0.4) - 1).value();
    const int b = smooth.pixelColor(70, int(height * 0.4) + 1).value();
    QVERIFY2(a - b < 6, qPrintable(QStringLiteral("%1 %2").arg(a).arg(b)));
}

void tst_StyleHelper::drawCheckbox()
{
    QStyle *style = QApplication::style();
    const QPalette palette = QApplication::palette();
    QList<QImage> images;
    for (int state = 0; state <= 2; ++state) {
        const QIcon icon = StyleHelper::drawCheckbox(palette, style, state);
        const QList<QSize> sizes = icon.availableSizes();
        QCOMPARE(sizes.size(), 1);
        images.append(icon.pixmap(sizes.first()).toImage());
    }
    QVERIFY(images[0] != images[1]);
    QVERIFY(images[1] != images[2]);
    QVERIFY(images[0] != images[2]);

    // State 2 is the style's own "on" indicator, state 1 its partial one.
    const QSize size = images[2].size();
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight);
    for (int state : {1, 2}) {
        QStyleOptionButton option;
        option.palette = palette;
        option.state = QStyle::State_Enabled
            | (state == 2 ? QStyle::State_On : QStyle::State_NoChange);
        option.rect = QRect(0, (size.height() - h) / 2, size.width(), h);
        QPixmap reference(size);
        reference.fill(Qt::transparent);
        {
            QPainter p(&reference);
            style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p);
        }
        QCOMPARE(images[state], reference.toImage());
    }
}

void tst_StyleHelper::iconWithShadow()
{
    const QIcon icon(QStringLiteral(":/images/connect.png"));
    QVERIFY(!icon.isNull());
    auto paint = [&icon](QIcon::Mode mode) {
        QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        StyleHelper::drawIconWithShadow(icon, QRect(9, 9, 22, 22), &p, mode);
        return image;
    };
    const QImage normal = paint(QIcon::Normal);
    const QImage disabled = paint(QIcon::Disabled);
    QVERIFY(normal != disabled);
    // The cached picture is the same as the first one.
    QCOMPARE(paint(QIcon::Normal), normal);

    // Disabled icons are grey: no colour left anywhere.
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QColor c = disabled.pixelColor(x, y);
            QVERIFY2(qAbs(c.red() - c.green()) <= 2 && qAbs(c.green() - c.blue()) <= 2,
                     qPrintable(c.name(QColor::HexArgb)));
        }
    }
    // The shadow reaches above the icon (offset 2 up, blurred), in the
    // shadow colour, not in the icon's.
    bool shadowAbove = false;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QColor c = normal.pixelColor(x, y);
            QVERIFY(c.alpha() == 0 || (c.red() == 0 && c.green() == 0 && c.blue() == 0));
            shadowAbove = shadowAbove || c.alpha() > 0;
        }
    }
    QVERIFY(shadowAbove);
}

QTEST_MAIN(tst_StyleHelper)
#include "tst_stylehelper.moc"
