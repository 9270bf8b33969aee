#include "pickfixture.h"
#include <core/dialogs/qparampicktreeview.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLibrary>
#include <QMenu>
#include <QTimer>
#include <QTreeWidgetItem>

using Clicks = QList<QPair<int, int>>; // (row, column)

class tst_QParamPickTreeView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rows();
    void groupRule();
    void setCheckedUnknownValue();
    void clicks_data();
    void clicks();
    void menuEntries_data();
    void menuEntries();
    void contextMenuRunsCommand();
    void groupCommands();
    void rowCommands();
    void inversion();
    void singleChoice();
    void delegateNotExported();
    void emptyModel();

private:
    static int state(QTreeWidgetItem *item) { return item->data(1, Qt::UserRole).toInt(); }
    QList<int> states() const;
    QPoint checkPos(QTreeWidgetItem *item, int column) const;

    PickFixture m_fixture;
    QParamPickTreeView *m_view = nullptr;
    QTreeWidgetItem *m_f0 = nullptr; // two parameters
    QTreeWidgetItem *m_f1 = nullptr; // three parameters
};

void tst_QParamPickTreeView::initTestCase()
{
    QVERIFY2(m_fixture.setUp(), qPrintable(QSoftCore::get_core()->machine_error()));
}

void tst_QParamPickTreeView::init()
{
    m_view = new QParamPickTreeView(VIEW_MULTIPLE_CHOICE);
    m_view->resize(300, 400);
    m_view->expandAll();
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view));
    QCOMPARE(m_view->topLevelItemCount(), 2);
    m_f0 = m_view->topLevelItem(0);
    m_f1 = m_view->topLevelItem(1);
}

void tst_QParamPickTreeView::cleanup()
{
    delete m_view;
    m_view = nullptr;
}

// Group, then its children, for both groups.
QList<int> tst_QParamPickTreeView::states() const
{
    QList<int> result;
    for (QTreeWidgetItem *group : {m_f0, m_f1}) {
        result.append(state(group));
        for (int i = 0; i < group->childCount(); ++i)
            result.append(state(group->child(i)));
    }
    return result;
}

QPoint tst_QParamPickTreeView::checkPos(QTreeWidgetItem *item, int column) const
{
    const QRect row = m_view->visualItemRect(item);
    return QPoint(m_view->columnViewportPosition(column) + m_view->columnWidth(column) / 2,
                  row.center().y());
}

void tst_QParamPickTreeView::rows()
{
    QCOMPARE(m_view->columnCount(), 2);
    QVERIFY(m_view->isHeaderHidden());
    QCOMPARE(m_f0->text(0), QStringLiteral("F0 基本功能组"));
    QCOMPARE(m_f0->toolTip(0), QStringLiteral("F0 基本功能组"));
    QCOMPARE(m_f0->childCount(), 2);
    QCOMPARE(m_f1->childCount(), 3);
    QCOMPARE(m_f0->child(1)->text(0), QStringLiteral("F0-01:运行指令选择"));
    QCOMPARE(m_f0->child(1)->toolTip(0), QStringLiteral("F0-01:运行指令选择"));
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));
    // Every row carries its check icon; the three states look different.
    const QIcon off = m_f0->data(1, Qt::DecorationRole).value<QIcon>();
    QVERIFY(!off.isNull());
    m_view->set_checked(PickFixture::value("F0-00"), true);
    const QIcon partial = m_f0->data(1, Qt::DecorationRole).value<QIcon>();
    const QIcon on = m_f0->child(0)->data(1, Qt::DecorationRole).value<QIcon>();
    QVERIFY(off.cacheKey() != partial.cacheKey());
    QVERIFY(on.cacheKey() != partial.cacheKey());
    // The text column leaves 30 pixels for the check column at the right
    // edge, which the header stretches to fill: no horizontal scrolling.
    QCOMPARE(m_view->columnWidth(0), m_view->header()->width() - 30);
    QVERIFY(m_view->columnWidth(1) >= 20);
    QCOMPARE(m_view->columnWidth(0) + m_view->columnWidth(1), m_view->viewport()->width());
    m_view->resize(420, 400);
    QCOMPARE(m_view->columnWidth(0), m_view->header()->width() - 30);
}

void tst_QParamPickTreeView::groupRule()
{
    QMachineValue *a = PickFixture::value("F0-00");
    QMachineValue *b = PickFixture::value("F0-01");
    m_view->set_checked(a, true);
    QCOMPARE(state(m_f0), 1);
    m_view->set_checked(b, true);
    QCOMPARE(state(m_f0), 2);
    m_view->set_checked(a, false);
    QCOMPARE(state(m_f0), 1);
    QCOMPARE(m_view->get_checked(), QList<QMachineValue *>({b}));
    m_view->set_checked(a, true); // ticking again keeps the tick
    m_view->set_checked(a, true);
    QCOMPARE(m_view->get_checked(), QList<QMachineValue *>({a, b}));
    QCOMPARE(state(m_f1), 0); // the other group is untouched
}

void tst_QParamPickTreeView::setCheckedUnknownValue()
{
    QMachineValue stranger;
    m_view->set_checked(&stranger, true);
    m_view->set_checked(nullptr, true);
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));
    QVERIFY(m_view->get_checked().isEmpty());
}

void tst_QParamPickTreeView::clicks_data()
{
    QTest::addColumn<Clicks>("clicks");
    QTest::addColumn<int>("button");
    QTest::addColumn<QList<int>>("expected");

    // Rows: 0 = F1 group, 1..3 = its parameters.
    QTest::newRow("tick one parameter") << Clicks{{1, 1}} << int(Qt::LeftButton)
                                        << QList<int>{1, 2, 0, 0};
    QTest::newRow("tick all three one by one") << Clicks{{1, 1}, {2, 1}, {3, 1}} << int(Qt::LeftButton)
                                               << QList<int>{2, 2, 2, 2};
    QTest::newRow("untick again") << Clicks{{1, 1}, {2, 1}, {3, 1}, {2, 1}} << int(Qt::LeftButton)
                                  << QList<int>{1, 2, 0, 2};
    QTest::newRow("partial group click ticks all") << Clicks{{1, 1}, {0, 1}} << int(Qt::LeftButton)
                                                   << QList<int>{2, 2, 2, 2};
    QTest::newRow("second group click clears all") << Clicks{{1, 1}, {0, 1}, {0, 1}} << int(Qt::LeftButton)
                                                   << QList<int>{0, 0, 0, 0};
    QTest::newRow("text column never ticks") << Clicks{{1, 0}, {0, 0}, {2, 0}} << int(Qt::LeftButton)
                                             << QList<int>{0, 0, 0, 0};
    QTest::newRow("right button never ticks") << Clicks{{1, 1}, {0, 1}} << int(Qt::RightButton)
                                              << QList<int>{0, 0, 0, 0};
}

void tst_QParamPickTreeView::clicks()
{
    QFETCH(Clicks, clicks);
    QFETCH(int, button);
    QFETCH(QList<int>, expected);
    for (const auto &click : clicks) {
        QTreeWidgetItem *item = click.first == 0 ? m_f1 : m_f1->child(click.first - 1);
        // Apart in time, so that two clicks on one row are not a double click.
        QTest::mouseClick(m_view->viewport(), Qt::MouseButton(button), {},
                          checkPos(item, click.second), 300);
    }
    QList<int> actual{state(m_f1)};
    for (int i = 0; i < m_f1->childCount(); ++i)
        actual.append(state(m_f1->child(i)));
    QCOMPARE(actual, expected);
    QCOMPARE(state(m_f0), 0);
}

void tst_QParamPickTreeView::menuEntries_data()
{
    QTest::addColumn<int>("row"); // -1 empty space, 0 group, 1 parameter
    QTest::addColumn<QStringList>("entries");
    const QString sep = QStringLiteral("-");
    const QStringList tail{QStringLiteral("全部选择"), QStringLiteral("全部取消"), sep,
                           QStringLiteral("全部反选")};
    QTest::newRow("empty space") << -1 << tail;
    QTest::newRow("group row") << 0
                               << (QStringList{QStringLiteral("本组选择"), QStringLiteral("本组取消"), sep}
                                   + tail + QStringList{QStringLiteral("本组反选")});
    QTest::newRow("parameter row") << 1
                                   << (QStringList{QStringLiteral("选择"), QStringLiteral("取消"), sep}
                                       + tail + QStringList{QStringLiteral("本组反选")});
}

void tst_QParamPickTreeView::menuEntries()
{
    QFETCH(int, row);
    QFETCH(QStringList, entries);
    QTreeWidgetItem *item = row < 0 ? nullptr : row == 0 ? m_f0 : m_f0->child(0);
    QScopedPointer<QMenu> menu(m_view->create_context_menu(item));
    QStringList actual;
    for (QAction *action : menu->actions())
        actual.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(actual, entries);
}

void tst_QParamPickTreeView::contextMenuRunsCommand()
{
    // Through the real event: the menu opens modally; pick "全部选择" from it.
    bool triggered = false;
    QTimer::singleShot(50, m_view, [&triggered] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *action : menu->actions()) {
            if (action->text() == QStringLiteral("全部选择")) {
                triggered = true;
                action->trigger();
            }
        }
        menu->close();
    });
    const QPoint pos(5, m_view->viewport()->height() - 5); // below the last row
    QVERIFY(!m_view->itemAt(pos));
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, m_view->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(m_view->viewport(), &event);
    QVERIFY(triggered);
    QCOMPARE(states(), QList<int>({2, 2, 2, 2, 2, 2, 2}));
}

void tst_QParamPickTreeView::groupCommands()
{
    m_view->setCurrentItem(m_f1);
    m_view->select_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 2, 2, 2, 2}));
    m_view->unselect_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));

    // Called with a parameter row current, the group still follows its rows.
    m_view->setCurrentItem(m_f1->child(2));
    m_view->select_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 1, 0, 0, 2}));

    m_view->setCurrentItem(nullptr);
    m_view->select_group();
    m_view->turn_select_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 1, 0, 0, 2}));
}

void tst_QParamPickTreeView::rowCommands()
{
    m_view->setCurrentItem(m_f0->child(1));
    m_view->select();
    QCOMPARE(states(), QList<int>({1, 0, 2, 0, 0, 0, 0}));
    m_view->unselect();
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));
    // On a group row select() has no parameter to tick.
    m_view->setCurrentItem(m_f0);
    m_view->select();
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));

    m_view->select_all();
    QCOMPARE(states(), QList<int>({2, 2, 2, 2, 2, 2, 2}));
    QCOMPARE(m_view->get_checked().size(), 5);
    m_view->unselect_all();
    QCOMPARE(states(), QList<int>({0, 0, 0, 0, 0, 0, 0}));
}

void tst_QParamPickTreeView::inversion()
{
    m_view->set_checked(PickFixture::value("F1-01"), true);
    QCOMPARE(states(), QList<int>({0, 0, 0, 1, 0, 2, 0}));

    // On a partial group: each child flips, the group stays partial.
    m_view->setCurrentItem(m_f1->child(0)); // any row of the group will do
    m_view->turn_select_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 1, 2, 0, 2}));

    m_view->turn_select_all();
    QCOMPARE(states(), QList<int>({2, 2, 2, 1, 0, 2, 0}));
    QCOMPARE(m_view->get_checked(),
             QList<QMachineValue *>({PickFixture::value("F0-00"), PickFixture::value("F0-01"),
                                     PickFixture::value("F1-01")}));
    m_view->setCurrentItem(m_f0);
    m_view->turn_select_group();
    QCOMPARE(states(), QList<int>({0, 0, 0, 1, 0, 2, 0}));
}

void tst_QParamPickTreeView::singleChoice()
{
    QParamPickTreeView view(VIEW_SINGLE_CHOICE);
    QMachineValue *a = PickFixture::value("F0-00");
    QMachineValue *b = PickFixture::value("F1-02");
    view.set_checked(a, true);
    view.set_checked(b, true);
    QCOMPARE(view.get_checked(), QList<QMachineValue *>({b}));
    view.set_checked(a, false); // not the chosen one: nothing changes
    QCOMPARE(view.get_checked(), QList<QMachineValue *>({b}));
    view.set_checked(b, false);
    QVERIFY(view.get_checked().isEmpty());
    view.set_checked(a, true);
    QCOMPARE(view.get_checked(), QList<QMachineValue *>({a}));

    // No menu on empty space; "选择"/"取消" on a row.
    QScopedPointer<QMenu> empty(view.create_context_menu(nullptr));
    QVERIFY(empty->actions().isEmpty());
    QScopedPointer<QMenu> row(view.create_context_menu(view.topLevelItem(0)->child(0)));
    QCOMPARE(row->actions().size(), 2);
    QCOMPARE(row->actions().at(0)->text(), QStringLiteral("选择"));
}

void tst_QParamPickTreeView::delegateNotExported()
{
    // The parameter page has its own QParamItemDelegate in the same process;
    // the core's one must stay out of the library's symbol table.
    QLibrary core(QStringLiteral(TEST_APP_DIR "/libcore.so"));
    QVERIFY2(core.load(), qPrintable(core.errorString()));
    QVERIFY(core.resolve("_ZTI18QParamPickTreeView"));
    QVERIFY(!core.resolve("_ZTI18QParamItemDelegate"));
    QVERIFY(!core.resolve("_ZTV18QParamItemDelegate"));
}

void tst_QParamPickTreeView::emptyModel()
{
    QSoftCore::get_core()->clear_machine();
    QVERIFY(!QSoftCore::get_core()->get_machine());
    m_view->init();
    QCOMPARE(m_view->topLevelItemCount(), 0);
    QVERIFY(m_view->get_checked().isEmpty());
    m_view->select_all();
    m_view->turn_select_all();
    QVERIFY(m_view->get_checked().isEmpty());
    QScopedPointer<QMenu> menu(m_view->create_context_menu(nullptr));
    QCOMPARE(menu->actions().size(), 4);
    QVERIFY(PickFixture::build());
}

QTEST_MAIN(tst_QParamPickTreeView)
#include "tst_qparampicktreeview.moc"
