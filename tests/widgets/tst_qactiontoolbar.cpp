#include <core/dialogs/qactiontoolbar.h>
#include <core/dialogs/qtoolbarbutton.h>

#include <QAbstractAnimation>
#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QTest>

class tst_QActionToolBar : public QObject
{
    Q_OBJECT
private slots:
    void layoutOrder_data();
    void layoutOrder();
    void addButtonActionsReplaces();
    void separatorButton();
    void faderAnimation();
    void actionChanged();
    void pressedShade();
};

static QList<QWidget *> layoutWidgets(QWidget *bar)
{
    QList<QWidget *> result;
    QLayout *layout = bar->layout();
    for (int i = 0; i < layout->count(); ++i)
        result.append(layout->itemAt(i)->widget());
    return result;
}

void tst_QActionToolBar::layoutOrder_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("labelIndex"); // -1: label area left out
    QTest::newRow("left: buttons, then label") << int(Qt::AlignLeft) << 2;
    QTest::newRow("right: label, then buttons") << int(Qt::AlignRight) << 0;
    QTest::newRow("centre: no label area") << int(Qt::AlignHCenter) << -1;
}

void tst_QActionToolBar::layoutOrder()
{
    QFETCH(int, alignment);
    QFETCH(int, labelIndex);
    QActionToolBar bar{Qt::Alignment(alignment)};
    auto *label = new QLabel(QStringLiteral("标签"));
    bar.setLabelWidget(label);
    QAction a(QStringLiteral("a"));
    QAction b(QStringLiteral("b"));
    bar.addButtonActions({&a, &b});

    const QList<QWidget *> widgets = layoutWidgets(&bar);
    QCOMPARE(widgets.size(), labelIndex < 0 ? 2 : 3);
    const QWidget *labelArea = label->parentWidget();
    QVERIFY(labelArea && labelArea->parentWidget() == &bar);
    if (labelIndex >= 0)
        QCOMPARE(widgets.at(labelIndex), labelArea);
    else
        QVERIFY(!widgets.contains(const_cast<QWidget *>(labelArea)));
    const int first = labelIndex == 0 ? 1 : 0;
    QCOMPARE(qobject_cast<QToolBarButton *>(widgets.at(first))->defaultAction(), &a);
    QCOMPARE(qobject_cast<QToolBarButton *>(widgets.at(first + 1))->defaultAction(), &b);

    const QMargins margins = bar.layout()->contentsMargins();
    QCOMPARE(margins, QMargins(5, 0, 5, 0));
    QCOMPARE(bar.layout()->spacing(), 1);
}

void tst_QActionToolBar::addButtonActionsReplaces()
{
    QActionToolBar bar;
    QAction a(QStringLiteral("a"));
    QAction b(QStringLiteral("b"));
    QAction c(QStringLiteral("c"));
    c.setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    bar.addButtonActions({&a, &b});
    QList<QPointer<QToolBarButton>> first;
    for (QToolBarButton *button : bar.findChildren<QToolBarButton *>())
        first.append(button);
    QCOMPARE(first.size(), 2);

    bar.addButtonActions({&c});
    for (const QPointer<QToolBarButton> &old : first)
        QVERIFY(old.isNull());
    const QList<QToolBarButton *> now = bar.findChildren<QToolBarButton *>();
    QCOMPARE(now.size(), 1);
    QCOMPARE(now.first()->defaultAction(), &c);
    QCOMPARE(layoutWidgets(&bar).size(), 2); // the new button and the label area
    // The bar carries the actions, so their shortcuts work while it is shown.
    QVERIFY(bar.actions().contains(&c));
}

void tst_QActionToolBar::separatorButton()
{
    QAction separator;
    separator.setSeparator(true);
    QAction plain(QStringLiteral("p"));
    QToolBarButton sepButton(&separator);
    QToolBarButton button(&plain);
    QCOMPARE(sepButton.size(), QSize(6, 22));
    QCOMPARE(sepButton.minimumSize(), QSize(6, 22));
    QCOMPARE(sepButton.maximumSize(), QSize(6, 22));
    QCOMPARE(button.size(), QSize(22, 22));
    QCOMPARE(button.minimumSizeHint(), QSize(6, 6));
    QCOMPARE(button.sizeHint(), QSize(64, 38));
}

void tst_QActionToolBar::faderAnimation()
{
    QAction action(QStringLiteral("a"));
    QToolBarButton button(&action);
    QVERIFY(button.testAttribute(Qt::WA_Hover));
    QCOMPARE(button.fader(), 0.0f);
    QCOMPARE(button.property("fader").toFloat(), 0.0f);

    QEvent enter(QEvent::Enter);
    QVERIFY(!QApplication::sendEvent(&button, &enter)); // reported as not handled
    QTRY_COMPARE(button.fader(), 1.0f);
    QEvent leave(QEvent::Leave);
    QVERIFY(!QApplication::sendEvent(&button, &leave));
    QTRY_COMPARE(button.fader(), 0.0f);
    // The animations delete themselves once they stop.
    QTRY_VERIFY(button.findChildren<QAbstractAnimation *>().isEmpty());
}

void tst_QActionToolBar::actionChanged()
{
    QActionToolBar bar;
    QAction action(QStringLiteral("a"));
    bar.addButtonActions({&action});
    bar.show();
    QToolBarButton *button = bar.findChild<QToolBarButton *>();
    QVERIFY(button && button->isVisible());

    action.setCheckable(true);
    action.setChecked(true);
    QVERIFY(button->isCheckable());
    QVERIFY(button->isChecked());
    action.setVisible(false);
    QVERIFY(!button->isVisible());
    action.setVisible(true);
    QVERIFY(button->isVisible());
}

void tst_QActionToolBar::pressedShade()
{
    // Hover highlight, checked shade and the plain button paint differently;
    // a disabled button shows no hover highlight.
    QAction action(QStringLiteral("a"));
    QToolBarButton button(&action);
    auto centre = [&button] { return button.grab().toImage().pixelColor(1, 1); };
    const QColor idle = centre();
    button.setFader(1.0f);
    const QColor hovered = centre();
    QVERIFY(hovered != idle);
    action.setCheckable(true);
    action.setChecked(true);
    const QColor checked = centre();
    QVERIFY(checked != hovered);
    action.setChecked(false);
    action.setEnabled(false);
    QCOMPARE(centre(), idle);
}

QTEST_MAIN(tst_QActionToolBar)
#include "tst_qactiontoolbar.moc"
