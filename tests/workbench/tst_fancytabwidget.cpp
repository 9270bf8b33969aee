#include "testenv.h"

#include <workbench/navigation/fancyactionbar.h>
#include <workbench/navigation/fancytabbar.h>
#include <workbench/navigation/fancytabwidget.h>

#include <core/style/stylehelper.h>

#include <core/plugin/qmenuactionmap.h>

#include <QAction>
#include <QLabel>
#include <QStackedLayout>
#include <QToolButton>

// The navigation widget: tab geometry, selection signals, the action buttons
// and the link lamp.
class tst_FancyTabWidget : public QObject
{
    Q_OBJECT

private:
    QSoftCore *core() { return QSoftCore::get_core(); }
    QAction *m_connect = nullptr;
    QAction *m_disconnect = nullptr;
    QObject m_actions_owner;

private slots:
    void initTestCase();

    void tab_geometry_data();
    void tab_geometry();
    void tab_width_follows_widest_title();
    void icon_only_on_tall_tabs_data();
    void icon_only_on_tall_tabs();
    void click_selects_from_event_loop();
    void disabled_and_invalid_tabs_ignored();
    void action_buttons_follow_actions();
    void lamp_follows_link();
    void selection_column_hides();
};

void tst_FancyTabWidget::initTestCase()
{
    QVERIFY(TestEnv::prepare());
    // The two actions the main window registers before it builds the widget.
    QMenuActionMap *map = core()->get_menu_action_map();
    map->insert_group(QStringLiteral("Menu.Communation"), QStringLiteral("通信"), 0);
    m_connect = new QAction(QIcon(QStringLiteral(":/images/connect.png")), QStringLiteral("连接设备"),
                            &m_actions_owner);
    m_disconnect = new QAction(QIcon(QStringLiteral(":/images/disconnect.png")),
                               QStringLiteral("断开连接"), &m_actions_owner);
    QVERIFY(map->insert_action(QStringLiteral("Menu.Communation"),
                               new tagActionInfo{QStringLiteral("Menu.Communation.ConnectFast"), m_connect}, -1));
    QVERIFY(map->insert_action(QStringLiteral("Menu.Communation"),
                               new tagActionInfo{QStringLiteral("Menu.Communation.Disconnect"), m_disconnect}, -1));
}

void tst_FancyTabWidget::tab_geometry_data()
{
    QTest::addColumn<int>("shrink");   // pixels less than the hint, per tab
    QTest::newRow("room for all") << 0;
    QTest::newRow("a little short") << 10;
    QTest::newRow("too short for icons") << 30;
}

void tst_FancyTabWidget::tab_geometry()
{
    QFETCH(int, shrink);
    FancyTabBar bar;
    for (const QString &title : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        bar.insertTab(bar.count(), QIcon(), title);

    const QSize hint = bar.tabSizeHint();
    const QSize minimum = bar.tabSizeHint(true);
    QCOMPARE(hint.height() - minimum.height(), 32);
    QCOMPARE(bar.sizeHint(), QSize(hint.width(), hint.height() * 3));
    QCOMPARE(bar.minimumSizeHint(), QSize(minimum.width(), minimum.height() * 3));

    const int height = (hint.height() - shrink) * 3;
    bar.resize(hint.width(), height);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(bar.tabRect(i), QRect(0, i * (height / 3), hint.width(), height / 3));
}

void tst_FancyTabWidget::tab_width_follows_widest_title()
{
    FancyTabBar bar;
    bar.insertTab(0, QIcon(), QStringLiteral("A"));
    QCOMPARE(bar.tabSizeHint().width(), 70);
    const QString wide(40, QLatin1Char('W'));
    bar.insertTab(1, QIcon(), wide);
    QFont bold(bar.font());
    bold.setPointSizeF(StyleHelper::sidebarFontSize());
    bold.setBold(true);
    QCOMPARE(bar.tabSizeHint().width(), QFontMetrics(bold).horizontalAdvance(wide) + 4);
}

void tst_FancyTabWidget::icon_only_on_tall_tabs_data()
{
    QTest::addColumn<int>("barHeight");
    QTest::addColumn<bool>("icon");
    QTest::newRow("tabs of 50 px show the icon") << 150 << true;
    QTest::newRow("tabs of 30 px show the title alone") << 90 << false;
}

void tst_FancyTabWidget::icon_only_on_tall_tabs()
{
    QFETCH(int, barHeight);
    QFETCH(bool, icon);
    QPixmap red(32, 32);
    red.fill(Qt::red);
    FancyTabBar bar;
    for (int i = 0; i < 3; ++i)
        bar.insertTab(i, QIcon(red), QStringLiteral("页%1").arg(i));
    QVERIFY(bar.tabSizeHint().height() * 3 > 150);
    bar.resize(bar.tabSizeHint().width(), barHeight);
    bar.setCurrentIndex(0);

    const QImage image = bar.grab().toImage();
    const QRect second = bar.tabRect(1);
    QCOMPARE(second.height(), barHeight / 3);
    int redPixels = 0;
    for (int y = second.top(); y <= second.bottom(); ++y) {
        for (int x = second.left(); x <= second.right(); ++x)
            redPixels += image.pixelColor(x, y) == QColor(Qt::red) ? 1 : 0;
    }
    QCOMPARE(redPixels > 0, icon);

    // The current tab is lit: lighter than the same spot of another tab.
    const int y0 = bar.tabRect(0).center().y();
    const int y2 = bar.tabRect(2).center().y();
    QVERIFY(image.pixelColor(2, y0).value() > image.pixelColor(2, y2).value());
}

void tst_FancyTabWidget::click_selects_from_event_loop()
{
    FancyTabWidget widget;
    QWidget pages[3];
    for (int i = 0; i < 3; ++i)
        widget.insertTab(i, &pages[i], QIcon(), QStringLiteral("页%1").arg(i));
    widget.resize(600, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.setCurrentIndex(0);
    QCOMPARE(widget.currentIndex(), 0);

    QStringList order;
    connect(&widget, &FancyTabWidget::currentAboutToShow, this, [&](int i) {
        order << QStringLiteral("about:%1:%2").arg(i).arg(pages[i].isVisible());
    });
    connect(&widget, &FancyTabWidget::currentChanged, this, [&](int i) {
        order << QStringLiteral("changed:%1:%2").arg(i).arg(pages[i].isVisible());
    });
    QSignalSpy barChanged(widget.tabBar(), &FancyTabBar::currentChanged);

    FancyTabBar *bar = widget.tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    // Current at once, announced only once the click has been handled.
    QCOMPARE(bar->currentIndex(), 2);
    QCOMPARE(barChanged.count(), 0);
    QTRY_COMPARE(barChanged.count(), 1);
    QCOMPARE(barChanged.first().first().toInt(), 2);
    QCOMPARE(order, QStringList({QStringLiteral("about:2:0"), QStringLiteral("changed:2:1")}));
    QVERIFY(pages[2].isVisible());
    QVERIFY(!pages[0].isVisible());
    QTest::qWait(20);
    QCOMPARE(barChanged.count(), 1);
}

void tst_FancyTabWidget::disabled_and_invalid_tabs_ignored()
{
    FancyTabWidget widget;
    QWidget pages[3];
    for (int i = 0; i < 3; ++i)
        widget.insertTab(i, &pages[i], QIcon(), QStringLiteral("页%1").arg(i));
    widget.resize(600, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    widget.setCurrentIndex(0);
    widget.setTabEnabled(1, false);

    QSignalSpy changed(&widget, &FancyTabWidget::currentChanged);
    FancyTabBar *bar = widget.tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    widget.setCurrentIndex(1);
    widget.setCurrentIndex(5);
    widget.setCurrentIndex(-1);
    QTest::qWait(20);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(widget.currentIndex(), 0);

    // setCurrentIndex announces at once.
    widget.setCurrentIndex(2);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(widget.currentIndex(), 2);
}

void tst_FancyTabWidget::action_buttons_follow_actions()
{
    m_connect->setEnabled(true);
    m_disconnect->setEnabled(false);
    FancyTabWidget widget;
    FancyActionBar *bar = widget.actionBar();
    QCOMPARE(bar->objectName(), QStringLiteral("actionbar"));
    // No "Menu.Communation.Search" is registered: two buttons.
    QCOMPARE(bar->buttonCount(), 2);
    QToolButton *connectButton = bar->button(m_connect);
    QToolButton *disconnectButton = bar->button(m_disconnect);
    QVERIFY(connectButton && disconnectButton);
    QCOMPARE(connectButton->size(), QSize(64, 38));
    QVERIFY(connectButton->isEnabled());
    QVERIFY(!disconnectButton->isEnabled());

    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    m_connect->setEnabled(false);
    m_disconnect->setEnabled(true);
    QVERIFY(!connectButton->isEnabled());
    QVERIFY(disconnectButton->isEnabled());

    QSignalSpy triggered(m_disconnect, &QAction::triggered);
    disconnectButton->click();
    QCOMPARE(triggered.count(), 1);

    m_connect->setVisible(false);
    QVERIFY(!connectButton->isVisible());
    m_connect->setVisible(true);
    QVERIFY(connectButton->isVisible());
}

void tst_FancyTabWidget::lamp_follows_link()
{
    FancyTabWidget widget;
    auto *text = widget.findChild<QLabel *>(QStringLiteral("linkText"));
    auto *lamp = widget.findChild<QLabel *>(QStringLiteral("linkLamp"));
    QVERIFY(text && lamp);
    const QImage red = QPixmap(QStringLiteral(":/images/light_r.png")).toImage();
    const QImage green = QPixmap(QStringLiteral(":/images/light_g.png")).toImage();
    QVERIFY(!red.isNull() && !green.isNull() && red != green);

    QCOMPARE(text->text(), QStringLiteral("离线"));
    QCOMPARE(lamp->pixmap().toImage(), red);

    QCommunicate *link = core()->get_communicate();
    emit link->online();
    emit link->online();
    QCOMPARE(text->text(), QStringLiteral("在线"));
    QCOMPARE(lamp->pixmap().toImage(), green);

    emit link->offline();
    QCOMPARE(text->text(), QStringLiteral("离线"));
    QCOMPARE(lamp->pixmap().toImage(), red);
}

void tst_FancyTabWidget::selection_column_hides()
{
    FancyTabWidget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QVERIFY(widget.tabBar()->isVisible());
    widget.setSelectionWidgetHidden(true);
    QVERIFY(!widget.tabBar()->isVisible());
    QVERIFY(!widget.actionBar()->isVisible());
    widget.setSelectionWidgetHidden(false);
    QVERIFY(widget.tabBar()->isVisible());
}

QTEST_MAIN(tst_FancyTabWidget)
#include "tst_fancytabwidget.moc"
