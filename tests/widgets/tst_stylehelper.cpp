#include <core/style/stylehelper.h>

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWidget>

class tst_StyleHelper : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void derivedColors_data();
    void derivedColors();
    void mergedColors_data();
    void mergedColors();
    void setBaseColor();
    void setBaseColorSameRepaintsNothing();
    void gradientFromCache_data();
    void gradientFromCache();
    void lightAndDarkDoNotShareCache();
    void drawCheckbox();
    void iconWithShadow();

private:
    QColor m_savedBase;
};

void tst_StyleHelper::init()
{
    m_savedBase = StyleHelper::baseColor();
    QPixmapCache::clear();
}

void tst_StyleHelper::cleanup()
{
    // Put the default grey back: fromHsv(-1, 0, 192/3 + 64) is grey 128.
    StyleHelper::setBaseColor(QColor(192, 192, 192));
    QCOMPARE(StyleHelper::baseColor().rgba(), m_savedBase.rgba());
}

void tst_StyleHelper::derivedColors_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("light");
    QTest::addColumn<QColor>("expected");
    // Default base is grey 128; the light variant of it clips to white.
    QTest::newRow("base") << 0 << false << QColor(128, 128, 128);
    QTest::newRow("base light") << 0 << true << QColor(255, 255, 255);
    QTest::newRow("highlight") << 1 << false << QColor(148, 148, 148);
    QTest::newRow("highlight light clamps") << 1 << true << QColor(255, 255, 255);
    QTest::newRow("shadow") << 2 << false << QColor(89, 89, 89);
    QTest::newRow("border") << 3 << false << QColor(64, 64, 64);
    QTest::newRow("panel text") << 4 << false << QColor(Qt::white);
    QTest::newRow("panel text light") << 4 << true << QColor(Qt::black);
    QTest::newRow("button text") << 5 << false << QColor(76, 76, 76);
    QTest::newRow("sidebar highlight") << 6 << false << QColor(255, 255, 255, 40);
    QTest::newRow("sidebar shadow") << 7 << false << QColor(0, 0, 0, 40);
}

void tst_StyleHelper::derivedColors()
{
    QFETCH(int, which);
    QFETCH(bool, light);
    QFETCH(QColor, expected);
    QColor actual;
    switch (which) {
    case 0: actual = StyleHelper::baseColor(light); break;
    case 1: actual = StyleHelper::highlightColor(light); break;
    case 2: actual = StyleHelper::shadowColor(light); break;
    case 3: actual = StyleHelper::borderColor(light); break;
    case 4: actual = StyleHelper::panelTextColor(light); break;
    case 5: actual = StyleHelper::buttonTextColor(); break;
    case 6: actual = StyleHelper::sidebarHighlight(); break;
    case 7: actual = StyleHelper::sidebarShadow(); break;
    }
    QCOMPARE(actual.rgba(), expected.rgba());
}

void tst_StyleHelper::mergedColors_data()
{
    QTest::addColumn<QColor>("a");
    QTest::addColumn<QColor>("b");
    QTest::addColumn<int>("factor");
    QTest::addColumn<QColor>("expected");
    // Integer arithmetic per term, alpha of the first colour.
    QTest::newRow("quarter") << QColor(200, 100, 50, 77) << QColor(0, 50, 250) << 25
                             << QColor(50, 62, 199, 77);
    QTest::newRow("all a") << QColor(10, 20, 30) << QColor(200, 200, 200) << 100
                           << QColor(10, 20, 30);
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

void tst_StyleHelper::setBaseColor()
{
    // Picked colours are toned down: saturation x0.7, value / 3 + 64.
    StyleHelper::setBaseColor(QColor::fromHsv(200, 200, 240));
    const QColor base = StyleHelper::baseColor();
    QCOMPARE(base.hsvHue(), 200);
    QCOMPARE(base.hsvSaturation(), 140);
    QCOMPARE(base.value(), 144);
    // Derived colours follow the new base.
    QCOMPARE(StyleHelper::borderColor().value(), 72);

    // A cancelled colour dialog hands over an invalid colour: ignored.
    StyleHelper::setBaseColor(QColor());
    QCOMPARE(StyleHelper::baseColor().rgba(), base.rgba());
}

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

void tst_StyleHelper::setBaseColorSameRepaintsNothing()
{
    PaintCounter window;
    window.resize(50, 50);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(window.paints > 0);
    window.paints = 0;

    StyleHelper::setBaseColor(QColor(192, 192, 192)); // maps onto the current grey 128
    QTest::qWait(50);
    QCOMPARE(window.paints, 0);

    StyleHelper::setBaseColor(QColor(30, 90, 200));
    QTRY_VERIFY(window.paints > 0);
}

void tst_StyleHelper::gradientFromCache_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("vertical") << 0;
    QTest::newRow("horizontal") << 1;
    QTest::newRow("menu") << 2;
}

void tst_StyleHelper::gradientFromCache()
{
    QFETCH(int, kind);
    const QRect span(0, 0, 120, 30);
    const QRect clip(10, 0, 40, 30);
    auto paint = [&](QPainter *p) {
        switch (kind) {
        case 0: StyleHelper::verticalGradient(p, span, clip); break;
        case 1: StyleHelper::horizontalGradient(p, span, clip); break;
        case 2: StyleHelper::menuGradient(p, span, clip); break;
        }
    };
    QString key;
    switch (kind) {
    case 0: key = StyleHelper::verticalGradientKey(span, clip); break;
    case 1: key = StyleHelper::horizontalGradientKey(span, clip); break;
    case 2: key = StyleHelper::menuGradientKey(span, clip); break;
    }
    const QString rgb = QString::number(int(StyleHelper::baseColor().rgb()));
    QVERIFY2(key.startsWith(QStringLiteral("mh_")) && key.contains(QStringLiteral(" 120 30 40 30 ") + rgb),
             qPrintable(key));

    QPixmap target(120, 30);
    QPixmap cached;
    QVERIFY(!QPixmapCache::find(key, &cached));
    {
        QPainter p(&target);
        paint(&p);
    }
    QVERIFY(QPixmapCache::find(key, &cached));
    QCOMPARE(cached.size(), clip.size());

    // Swap the cache entry for a marker: the second identical call must paint it.
    QPixmap marker(clip.size());
    marker.fill(Qt::magenta);
    QPixmapCache::insert(key, marker);
    target.fill(Qt::black);
    {
        QPainter p(&target);
        paint(&p);
    }
    const QImage image = target.toImage();
    QCOMPARE(image.pixelColor(clip.center()), QColor(Qt::magenta));
    QCOMPARE(image.pixelColor(clip.left() - 1, 5), QColor(Qt::black));
}

void tst_StyleHelper::lightAndDarkDoNotShareCache()
{
    const QRect span(0, 0, 60, 24);
    QVERIFY(StyleHelper::verticalGradientKey(span, span, false)
            != StyleHelper::verticalGradientKey(span, span, true));
    QImage dark(60, 24, QImage::Format_ARGB32);
    QImage light(60, 24, QImage::Format_ARGB32);
    {
        QPainter p(&dark);
        StyleHelper::horizontalGradient(&p, span, span, false);
    }
    {
        QPainter p(&light);
        StyleHelper::horizontalGradient(&p, span, span, true);
    }
    // Light variant: grey 240 at the top.
    QVERIFY(light.pixelColor(30, 0).red() >= 238);
    QVERIFY(light.pixelColor(30, 23).red() <= 209);
    QVERIFY(dark.pixelColor(30, 0) != light.pixelColor(30, 0));
}

void tst_StyleHelper::drawCheckbox()
{
    QStyle *style = QApplication::style();
    const QPalette palette = QApplication::palette();
    QList<QImage> images;
    for (int state = 0; state <= 2; ++state) {
        const QIcon icon = StyleHelper::drawCheckbox(palette, style, state);
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        QCOMPARE(sizes.size(), 1);
        const QSize size = sizes.first();
        QCOMPARE(size.width(), style->pixelMetric(QStyle::PM_IndicatorWidth));
        QVERIFY(size.height() >= size.width());
        images.append(icon.pixmap(size).toImage());
    }
    QVERIFY(images[0] != images[1]);
    QVERIFY(images[1] != images[2]);
    QVERIFY(images[0] != images[2]);

    // State 2 is the style's own "on" indicator.
    QStyleOptionButton option;
    option.palette = palette;
    option.state = QStyle::State_Enabled | QStyle::State_On;
    const QSize size = images[2].size();
    const int h = style->pixelMetric(QStyle::PM_IndicatorHeight);
    option.rect = QRect(0, (size.height() - h) / 2, size.width(), h);
    QPixmap reference(size);
    reference.fill(Qt::transparent);
    {
        QPainter p(&reference);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p);
    }
    QCOMPARE(images[2], reference.toImage());
}

void tst_StyleHelper::iconWithShadow()
{
    const QIcon icon(QStringLiteral(":/images/connect.png"));
    QVERIFY(!icon.isNull());
    QImage normal(40, 40, QImage::Format_ARGB32_Premultiplied);
    normal.fill(Qt::transparent);
    {
        QPainter p(&normal);
        StyleHelper::drawIconWithShadow(icon, QRect(9, 9, 22, 22), &p, QIcon::Normal);
    }
    QImage disabled(40, 40, QImage::Format_ARGB32_Premultiplied);
    disabled.fill(Qt::transparent);
    {
        QPainter p(&disabled);
        StyleHelper::drawIconWithShadow(icon, QRect(9, 9, 22, 22), &p, QIcon::Disabled);
    }
    QVERIFY(normal != disabled);
    // The disabled icon is grey: no green left in it.
    const QColor c = disabled.pixelColor(24, 20);
    QVERIFY2(qAbs(c.red() - c.green()) < 12, qPrintable(c.name()));
    // Some shadow below the icon area: the offset is 2 up, blur reaches out.
    bool shadowOutside = false;
    for (int x = 0; x < 40 && !shadowOutside; ++x)
        shadowOutside = qAlpha(normal.pixel(x, 11)) > 0;
    QVERIFY(shadowOutside);
}

QTEST_MAIN(tst_StyleHelper)
#include "tst_stylehelper.moc"
