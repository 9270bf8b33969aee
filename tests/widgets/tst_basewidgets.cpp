#include <core/dialogs/qbaseitemdelegate.h>
#include <core/style/minisplitter.h>
#include <core/style/stylehelper.h>

#include <QSplitterHandle>
#include <QTest>
#include <QTreeWidget>

class tst_BaseWidgets : public QObject
{
    Q_OBJECT
private slots:
    void delegateRowHeight_data();
    void delegateRowHeight();
    void miniSplitter_data();
    void miniSplitter();
};

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

    // The line is the panel's border colour.
    const QPoint line = handle->mapTo(&splitter, contents.center());
    QCOMPARE(splitter.grab().toImage().pixelColor(line).rgba(), StyleHelper::borderColor().rgba());

    // Grabbed beside the line, in the margin the mask hides, it still moves.
    const QList<int> before = splitter.sizes();
    const QPoint beside = orientation == Qt::Horizontal ? QPoint(contents.left() - 1, 5)
                                                        : QPoint(5, contents.top() - 1);
    const QPoint step = orientation == Qt::Horizontal ? QPoint(30, 0) : QPoint(0, 30);
    QTest::mousePress(handle, Qt::LeftButton, {}, beside);
    QTest::mouseMove(handle, beside + step);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, beside + step);
    // (The press point is a pixel or two off the line, so it follows that.)
    QVERIFY(qAbs(splitter.sizes().first() - (before.first() + 30)) <= 3);
}

QTEST_MAIN(tst_BaseWidgets)
#include "tst_basewidgets.moc"
