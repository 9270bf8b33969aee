#include <core/style/minisplitter.h>
#include <core/dialogs/qbasedialog.h>
#include <core/dialogs/qbaseitemdelegate.h>

#include <QSplitterHandle>
#include <QTest>
#include <QTreeWidget>

class tst_BaseWidgets : public QObject
{
    Q_OBJECT
private slots:
    void baseDialog();
    void delegateRowHeight_data();
    void delegateRowHeight();
    void miniSplitter_data();
    void miniSplitter();
};

void tst_BaseWidgets::baseDialog()
{
    QWidget parent;
    QBaseDialog dialog(&parent, Qt::WindowTitleHint);
    QCOMPARE(dialog.objectName(), QStringLiteral("QBaseDialog"));
    QCOMPARE(dialog.size(), QSize(400, 300));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.parentWidget(), &parent);
    QVERIFY(dialog.windowFlags() & Qt::WindowTitleHint);
}

void tst_BaseWidgets::delegateRowHeight_data()
{
    QTest::addColumn<int>("pointSize");
    QTest::newRow("small font") << 6;
    QTest::newRow("default font") << 0;
    QTest::newRow("huge font") << 36;
}

void tst_BaseWidgets::delegateRowHeight()
{
    QFETCH(int, pointSize);
    QTreeWidget tree;
    if (pointSize > 0) {
        QFont font = tree.font();
        font.setPointSize(pointSize);
        tree.setFont(font);
    }
    QBaseItemDelegate delegate;
    tree.setItemDelegate(&delegate);
    auto *item = new QTreeWidgetItem(&tree, {QStringLiteral("F0-00:控制方式")});
    new QTreeWidgetItem(&tree, {QStringLiteral("F0-01")});
    tree.resize(200, 200);
    tree.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tree));
    QCOMPARE(tree.visualItemRect(item).height(), 24);
    QStyleOptionViewItem option;
    option.initFrom(&tree);
    QCOMPARE(delegate.sizeHint(option, tree.model()->index(0, 0)).height(), 24);
}

void tst_BaseWidgets::miniSplitter_data()
{
    QTest::addColumn<int>("orientation");
    QTest::newRow("horizontal") << int(Qt::Horizontal);
    QTest::newRow("vertical") << int(Qt::Vertical);
}

void tst_BaseWidgets::miniSplitter()
{
    QFETCH(int, orientation);
    MiniSplitter splitter{Qt::Orientation(orientation)};
    QVERIFY(splitter.property("minisplitter").toBool());
    QVERIFY(!splitter.childrenCollapsible());
    QCOMPARE(splitter.handleWidth(), 1);
    splitter.addWidget(new QWidget);
    splitter.addWidget(new QWidget);
    splitter.resize(200, 200);
    splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splitter));
    QSplitterHandle *handle = splitter.handle(1);
    QVERIFY(handle);
    QCOMPARE(handle->metaObject()->className(), "MiniSplitterHandle");
    QVERIFY(handle->testAttribute(Qt::WA_MouseNoMask));
    // Painted one pixel, grabbed over a wider area.
    const QRect contents = handle->contentsRect();
    if (orientation == Qt::Horizontal) {
        QCOMPARE(contents.width(), 1);
        QVERIFY(handle->width() > 1);
    } else {
        QCOMPARE(contents.height(), 1);
        QVERIFY(handle->height() > 1);
    }
    QCOMPARE(handle->mask().boundingRect(), contents);
}

QTEST_MAIN(tst_BaseWidgets)
#include "tst_basewidgets.moc"
