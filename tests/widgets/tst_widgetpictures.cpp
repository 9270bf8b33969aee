// The shared widgets painted in the panel look: what lands on the screen is
// checked pixel by pixel where the look is fixed (border lines, the panel
// colour, recolouring), and each picture is also saved under PICTURE_DIR for
// a reviewer to look at.
#include <core/dialogs/qactiontoolbar.h>
#include <core/dialogs/qbaseitemdelegate.h>
#include <core/dialogs/qtoolbarbutton.h>
#include <core/style/manhattanstyle.h>
#include <core/style/minisplitter.h>
#include <core/style/styledbar.h>
#include <core/style/stylehelper.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

class tst_WidgetPictures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void toolBar();
    void styledBar();
    void splitter();

private:
    QImage picture(QWidget *widget, const QString &name);
};

void tst_WidgetPictures::initTestCase()
{
    QApplication::setStyle(new ManhattanStyle(QApplication::style()->name()));
    QVERIFY(QDir().mkpath(QStringLiteral(PICTURE_DIR)));
}

void tst_WidgetPictures::cleanup()
{
    // Back to the default grey (value 192 / 3 + 64 = 128).
    StyleHelper::setBaseColor(QColor(192, 192, 192));
}

QImage tst_WidgetPictures::picture(QWidget *widget, const QString &name)
{
    const QPixmap grabbed = widget->grab();
    const QString path = QDir(QStringLiteral(PICTURE_DIR)).filePath(name);
    if (!grabbed.save(path))
        qWarning("could not save %s", qPrintable(path));
    return grabbed.toImage();
}

void tst_WidgetPictures::toolBar()
{
    QWidget window;
    window.setProperty("panelWidget", true);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *bar = new StyledBar(&window);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    auto *tools = new QActionToolBar(Qt::AlignLeft, bar);
    auto *title = new QLabel(QStringLiteral("F0 基本功能组"));
    title->setStyleSheet(QStringLiteral("color: white;"));
    tools->setLabelWidget(title);

    QAction connect(QIcon(QStringLiteral(":/images/connect.png")), QStringLiteral("连接设备"));
    QAction disconnect(QIcon(QStringLiteral(":/images/disconnect.png")), QStringLiteral("断开连接"));
    disconnect.setEnabled(false);
    QAction separator;
    separator.setSeparator(true);
    QAction find(QIcon(QStringLiteral(":/images/find.png")), QStringLiteral("查找"));
    find.setCheckable(true);
    find.setChecked(true);
    tools->addButtonActions({&connect, &disconnect, &separator, &find});
    barLayout->addWidget(tools);
    barLayout->addStretch();
    layout->addWidget(bar);
    window.resize(320, 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage image = picture(&window, QStringLiteral("actiontoolbar.png"));
    const QList<QToolBarButton *> buttons = tools->findChildren<QToolBarButton *>();
    QCOMPARE(buttons.size(), 4);
    auto at = [&](QWidget *w, const QPoint &p) { return image.pixelColor(w->mapTo(&window, p)); };

    // The separator is etched: a light line with a dark one right of it.
    QToolBarButton *sep = buttons.at(2);
    const QPoint middle(sep->width() / 2, sep->height() / 2);
    QVERIFY(at(sep, middle).value() > at(sep, middle + QPoint(1, 0)).value());
    QVERIFY(at(sep, middle).value() > at(sep, middle + QPoint(-1, 0)).value());
    // The checked button is shaded darker than the bar behind the idle one.
    QVERIFY(at(buttons.at(3), QPoint(1, 12)).value() < at(buttons.at(0), QPoint(1, 12)).value());
}

void tst_WidgetPictures::styledBar()
{
    QMainWindow window;
    window.setProperty("panelWidget", true);
    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new StyledBar(central);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(6, 0, 6, 0);
    auto *lamp = new QLabel;
    lamp->setPixmap(QPixmap(QStringLiteral(":/images/light_g.png")));
    auto *text = new QLabel(QStringLiteral("在线"));
    text->setStyleSheet(QStringLiteral("color:rgb(255,255,255);"));
    auto *edit = new QLineEdit;
    edit->setPlaceholderText(QStringLiteral("功能码"));
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("F0 基本功能组"), QStringLiteral("F1 电机参数")});
    auto *menuButton = new QToolButton;
    menuButton->setIcon(QIcon(QStringLiteral(":/images/find.png")));
    menuButton->setMenu(new QMenu(menuButton));
    menuButton->setPopupMode(QToolButton::InstantPopup);
    barLayout->addWidget(lamp);
    barLayout->addWidget(text);
    barLayout->addWidget(combo);
    barLayout->addWidget(menuButton);
    barLayout->addStretch();
    barLayout->addWidget(edit);
    layout->addWidget(bar);
    layout->addStretch();
    window.setCentralWidget(central);
    auto *status = new QStatusBar;
    status->addPermanentWidget(new QLabel(QStringLiteral("离线")));
    window.setStatusBar(status);
    window.resize(460, 90);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The bar is a panel: its line edit, combo box and button are drawn by
    // the panel style, one row high.
    QVERIFY(ManhattanStyle::panelWidget(edit));
    QCOMPARE(bar->height(), StyleHelper::navigationWidgetHeight());

    auto rows = [&](const QImage &image) {
        const int x = bar->mapTo(&window, QPoint(bar->width() / 2, 0)).x();
        const int barTop = bar->mapTo(&window, QPoint(0, 0)).y();
        const int statusTop = status->mapTo(&window, QPoint(0, 0)).y();
        return QList<QColor>{image.pixelColor(x, barTop + bar->height() - 1),
                             image.pixelColor(x, barTop + 5), image.pixelColor(x, barTop + 18),
                             image.pixelColor(x, statusTop)};
    };
    QList<QColor> seen = rows(picture(&window, QStringLiteral("styledbar.png")));
    // Border line under the bar, lighter above the step than below it, and
    // the status bar's top line.
    QCOMPARE(seen.at(0).rgba(), StyleHelper::borderColor().rgba());
    QVERIFY(seen.at(1).value() > seen.at(2).value());
    QCOMPARE(seen.at(3).rgba(), StyleHelper::borderColor().darker(110).rgba());

    // A new panel colour reaches every line at once (nothing painted from an
    // old cache entry).
    StyleHelper::setBaseColor(QColor(40, 90, 200));
    QVERIFY(StyleHelper::borderColor().rgba() != seen.at(0).rgba());
    seen = rows(picture(&window, QStringLiteral("styledbar-blue.png")));
    QCOMPARE(seen.at(0).rgba(), StyleHelper::borderColor().rgba());
    QCOMPARE(seen.at(3).rgba(), StyleHelper::borderColor().darker(110).rgba());
    QVERIFY(qAbs(seen.at(2).hsvHue() - StyleHelper::baseColor().hsvHue()) <= 10);
}

void tst_WidgetPictures::splitter()
{
    QWidget window;
    window.setProperty("panelWidget", true);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *split = new MiniSplitter(&window);
    auto *tree = new QTreeWidget;
    tree->setHeaderLabels({QStringLiteral("功能码"), QStringLiteral("名称")});
    tree->setAlternatingRowColors(true);
    tree->setItemDelegate(new QBaseItemDelegate(tree));
    tree->setRootIsDecorated(false);
    const QStringList rows{QStringLiteral("F0-00|控制方式"), QStringLiteral("F0-01|运行指令选择"),
                           QStringLiteral("F0-02|频率源选择"), QStringLiteral("F0-03|最大频率")};
    for (const QString &row : rows)
        new QTreeWidgetItem(tree, row.split(QLatin1Char('|')));
    auto *text = new QTextEdit;
    text->setPlainText(QStringLiteral("右侧面板"));
    split->addWidget(tree);
    split->addWidget(text);
    split->setSizes({220, 140});
    layout->addWidget(split);
    window.resize(361, 160);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QImage image = picture(&window, QStringLiteral("minisplitter.png"));
    // One dark line between the panels, and only one.
    const int lineX = tree->mapTo(&window, QPoint(tree->width(), 0)).x();
    QCOMPARE(image.pixelColor(lineX, 80).rgba(), StyleHelper::borderColor().rgba());
    QVERIFY(image.pixelColor(lineX - 2, 80).rgba() != StyleHelper::borderColor().rgba());
    QVERIFY(image.pixelColor(lineX + 2, 80).rgba() != StyleHelper::borderColor().rgba());
}

QTEST_MAIN(tst_WidgetPictures)
#include "tst_widgetpictures.moc"
