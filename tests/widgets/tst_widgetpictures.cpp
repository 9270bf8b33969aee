// Renders the shared widgets in the panel look to PNG files in the build
// directory (PICTURE_DIR), so a reviewer can see what the style paints.
#include <core/style/manhattanstyle.h>
#include <core/style/minisplitter.h>
#include <core/dialogs/qactiontoolbar.h>
#include <core/dialogs/qbaseitemdelegate.h>
#include <core/style/styledbar.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QToolButton>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

class tst_WidgetPictures : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void toolBar();
    void styledBar();
    void splitter();

private:
    void save(QWidget *widget, const QString &name);
};

void tst_WidgetPictures::initTestCase()
{
    QApplication::setStyle(new ManhattanStyle(QApplication::style()->name()));
    QVERIFY(QDir().mkpath(QStringLiteral(PICTURE_DIR)));
}

void tst_WidgetPictures::save(QWidget *widget, const QString &name)
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    const QPixmap picture = widget->grab();
    QVERIFY(!picture.isNull());
    const QString path = QDir(QStringLiteral(PICTURE_DIR)).filePath(name);
    QVERIFY2(picture.save(path), qPrintable(path));
    qInfo("picture: %s", qPrintable(path));
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

    auto *connect = new QAction(QIcon(QStringLiteral(":/images/connect.png")), QStringLiteral("连接设备"), &window);
    auto *disconnect = new QAction(QIcon(QStringLiteral(":/images/disconnect.png")), QStringLiteral("断开连接"), &window);
    disconnect->setEnabled(false);
    auto *separator = new QAction(&window);
    separator->setSeparator(true);
    auto *find = new QAction(QIcon(QStringLiteral(":/images/find.png")), QStringLiteral("查找"), &window);
    find->setCheckable(true);
    find->setChecked(true);
    auto *check = new QAction(QIcon(QStringLiteral(":/images/check.png")), QStringLiteral("选择"), &window);
    tools->addButtonActions({connect, disconnect, separator, find, check});
    barLayout->addWidget(tools);
    barLayout->addStretch();
    layout->addWidget(bar);
    window.resize(320, 24);
    save(&window, QStringLiteral("actiontoolbar.png"));
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
    save(&window, QStringLiteral("styledbar.png"));
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
    save(&window, QStringLiteral("minisplitter.png"));
}

QTEST_MAIN(tst_WidgetPictures)
#include "tst_widgetpictures.moc"
