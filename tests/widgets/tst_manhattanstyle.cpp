#include <core/style/manhattanstyle.h>
#include <core/style/minisplitter.h>
#include <core/style/styledbar.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionFrame>
#include <QPointer>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

class tst_ManhattanStyle : public QObject
{
    Q_OBJECT
private slots:
    void panelWidget_data();
    void panelWidget();
    void panelContainers_data();
    void panelContainers();
    void metrics();
    void polishPanelWidgets();
    void lineEditImagesLoaded();
};

// A main window marked as panel, as the workbench builds it, with a container
// that opts out and a tool bar inside that container.
struct PanelTree
{
    QMainWindow window;
    QWidget *central = nullptr;
    QWidget *optOut = nullptr;
    QWidget *insideOptOut = nullptr;
    QToolBar *toolBarInOptOut = nullptr;
    QWidget *inToolBarInOptOut = nullptr;
    QWidget *plain = nullptr;

    PanelTree()
    {
        window.setProperty("panelWidget", true);
        central = new QWidget(&window);
        window.setCentralWidget(central);
        optOut = new QWidget(central);
        optOut->setProperty("no-ManhattanStyle", true);
        insideOptOut = new QWidget(optOut);
        toolBarInOptOut = new QToolBar(optOut);
        inToolBarInOptOut = new QWidget(toolBarInOptOut);
        plain = new QWidget(central);
    }
};

void tst_ManhattanStyle::panelWidget_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("panel");
    QTest::newRow("main window itself") << QStringLiteral("window") << true;
    QTest::newRow("plain child of the main window") << QStringLiteral("plain") << true;
    QTest::newRow("opt-out container") << QStringLiteral("optOut") << false;
    QTest::newRow("inside the opt-out container") << QStringLiteral("insideOptOut") << false;
    // The tool bar is met before the opt-out marker on the way up.
    QTest::newRow("tool bar inside the opt-out container") << QStringLiteral("toolBarInOptOut") << true;
    QTest::newRow("widget in that tool bar") << QStringLiteral("inToolBarInOptOut") << true;
}

void tst_ManhattanStyle::panelWidget()
{
    QFETCH(QString, which);
    QFETCH(bool, panel);
    PanelTree tree;
    const QMap<QString, QWidget *> widgets{
        {QStringLiteral("window"), &tree.window},
        {QStringLiteral("plain"), tree.plain},
        {QStringLiteral("optOut"), tree.optOut},
        {QStringLiteral("insideOptOut"), tree.insideOptOut},
        {QStringLiteral("toolBarInOptOut"), tree.toolBarInOptOut},
        {QStringLiteral("inToolBarInOptOut"), tree.inToolBarInOptOut},
    };
    QCOMPARE(ManhattanStyle::panelWidget(widgets.value(which)), panel);

    // Disabling the custom style anywhere above wins over every panel marker.
    tree.window.setProperty("_q_custom_style_disabled", true);
    QVERIFY(!ManhattanStyle::panelWidget(widgets.value(which)));
}

void tst_ManhattanStyle::panelContainers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("panel");
    QTest::newRow("nothing") << 0 << false;
    QTest::newRow("plain top-level") << 1 << false;
    QTest::newRow("tab bar on its own") << 2 << true;
    QTest::newRow("in a tool bar") << 3 << true;
    QTest::newRow("in a status bar") << 4 << true;
    QTest::newRow("in a menu bar") << 5 << true;
    QTest::newRow("in a styled bar") << 6 << true;
    QTest::newRow("in a splitter") << 7 << true;
    QTest::newRow("header view") << 8 << true;
    QTest::newRow("lower-case panelwidget is not the marker") << 9 << false;
}

void tst_ManhattanStyle::panelContainers()
{
    QFETCH(int, kind);
    QFETCH(bool, panel);
    QScopedPointer<QWidget> owner;
    QWidget *subject = nullptr;
    switch (kind) {
    case 0:
        break;
    case 1:
        owner.reset(new QWidget);
        subject = owner.data();
        break;
    case 2:
        owner.reset(new QTabBar);
        subject = owner.data();
        break;
    case 3: owner.reset(new QToolBar); break;
    case 4: owner.reset(new QStatusBar); break;
    case 5: owner.reset(new QMenuBar); break;
    case 6: owner.reset(new StyledBar); break;
    case 7: owner.reset(new MiniSplitter); break;
    case 8:
        owner.reset(new QHeaderView(Qt::Horizontal));
        subject = owner.data();
        break;
    case 9:
        owner.reset(new QWidget);
        owner->setProperty("panelwidget", true);
        break;
    }
    if (owner && !subject)
        subject = new QLineEdit(owner.data());
    QCOMPARE(ManhattanStyle::panelWidget(subject), panel);
    if (subject) {
        subject->setProperty("_q_custom_style_disabled", true);
        QVERIFY(!ManhattanStyle::panelWidget(subject));
    }
}

void tst_ManhattanStyle::metrics()
{
    ManhattanStyle style(QStringLiteral("fusion"));
    QToolBar bar;
    auto *edit = new QLineEdit(&bar);
    QWidget outside;

    QCOMPARE(style.pixelMetric(QStyle::PM_ToolBarIconSize, nullptr, &bar), 16);
    QCOMPARE(style.pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, &bar), 0);
    QCOMPARE(style.pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, &bar), 1);
    QCOMPARE(style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit), 1);
    QCOMPARE(style.pixelMetric(QStyle::PM_ButtonShiftHorizontal, nullptr, &bar), 0);
    // Not a panel: the wrapped style answers.
    QCOMPARE(style.pixelMetric(QStyle::PM_ToolBarIconSize, nullptr, &outside),
             style.baseStyle()->pixelMetric(QStyle::PM_ToolBarIconSize, nullptr, &outside));
    // These hold for every widget.
    QCOMPARE(style.pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, &outside), 1);
    QCOMPARE(style.pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &outside), 4);

    MiniSplitter mini;
    QCOMPARE(style.pixelMetric(QStyle::PM_SplitterWidth, nullptr, &mini), 1);
    QSplitter ordinary;
    QCOMPARE(style.pixelMetric(QStyle::PM_SplitterWidth, nullptr, &ordinary),
             style.baseStyle()->pixelMetric(QStyle::PM_SplitterWidth, nullptr, &ordinary));
}

void tst_ManhattanStyle::polishPanelWidgets()
{
    ManhattanStyle style(QStringLiteral("fusion"));
    QMainWindow window;
    window.setProperty("panelWidget", true);
    auto *central = new QWidget(&window);
    window.setCentralWidget(central);
    auto *button = new QToolButton(central);
    auto *combo = new QComboBox(central);
    auto *edit = new QLineEdit(central);
    auto *status = new QStatusBar(central);
    QWidget outside;
    auto *outsideEdit = new QLineEdit(&outside);

    for (QWidget *w : {static_cast<QWidget *>(button), static_cast<QWidget *>(combo),
                       static_cast<QWidget *>(edit), static_cast<QWidget *>(status),
                       static_cast<QWidget *>(outsideEdit)})
        style.polish(w);

    QCOMPARE(button->maximumHeight(), 22);
    QVERIFY(button->testAttribute(Qt::WA_Hover));
    QCOMPARE(combo->maximumHeight(), 23);
    QCOMPARE(edit->maximumHeight(), 22);
    QCOMPARE(status->height(), 24);
    QCOMPARE(status->minimumHeight(), 24);
    QVERIFY(edit->testAttribute(Qt::WA_LayoutUsesWidgetRect));
    QVERIFY(!outsideEdit->testAttribute(Qt::WA_LayoutUsesWidgetRect));
    QVERIFY(outsideEdit->maximumHeight() > 22);
}

void tst_ManhattanStyle::lineEditImagesLoaded()
{
    // The style has no images of its own; it needs the workbench's bundle.
    QVERIFY(!QImage(QStringLiteral(":/images/inputfield.png")).isNull());
    QVERIFY(!QImage(QStringLiteral(":/images/inputfield_disabled.png")).isNull());

    // A panel line edit paints the frame image; compare with the wrapped style.
    ManhattanStyle style(QStringLiteral("fusion"));
    QToolBar bar;
    auto *edit = new QLineEdit(&bar);
    edit->resize(60, 22);
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = QRect(0, 0, 60, 22);
    option.lineWidth = 1;
    QImage panel(60, 22, QImage::Format_ARGB32);
    panel.fill(Qt::transparent);
    {
        QPainter p(&panel);
        style.drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, edit);
    }
    QImage plain(60, 22, QImage::Format_ARGB32);
    plain.fill(Qt::transparent);
    {
        QPainter p(&plain);
        style.drawPrimitive(QStyle::PE_PanelLineEdit, &option, &p, nullptr);
    }
    QVERIFY(panel != plain);
}

QTEST_MAIN(tst_ManhattanStyle)
#include "tst_manhattanstyle.moc"
