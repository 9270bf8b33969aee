#include <core/plugin/qmenuactionmap.h>

#include <QAction>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

using GroupInserts = QList<QPair<QString, int>>;

class tst_QMenuActionMap : public QObject
{
    Q_OBJECT
private slots:
    void groupOrder_data();
    void groupOrder();
    void groupKeyInsertedTwice();
    void actionPosition_data();
    void actionPosition();
    void actionIntoMissingGroup();
    void actionKeyRegisteredTwice();
    void sameRecordTwice();

private:
    static tagActionInfo *info(const QString &key, QAction *action = nullptr)
    {
        auto *i = new tagActionInfo;
        i->key = key;
        i->action = action;
        return i;
    }
    static QStringList keys(const tagGroupInfo *group)
    {
        QStringList result;
        for (const tagActionInfo *i : group->actions)
            result << i->key;
        return result;
    }
};

void tst_QMenuActionMap::groupOrder_data()
{
    QTest::addColumn<GroupInserts>("inserts");
    QTest::addColumn<QStringList>("order");

    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"), d = QStringLiteral("D");
    QTest::newRow("0 then 1") << GroupInserts {{a, 0}, {b, 1}} << QStringList {a, b};
    QTest::newRow("1 then 0") << GroupInserts {{a, 1}, {b, 0}} << QStringList {b, a};
    QTest::newRow("equal positions keep insertion order")
        << GroupInserts {{a, 1}, {b, 0}, {c, 1}, {d, 1}} << QStringList {b, a, c, d};
    QTest::newRow("negative and large")
        << GroupInserts {{a, 100}, {b, -5}, {c, 0}} << QStringList {b, c, a};
}

void tst_QMenuActionMap::groupOrder()
{
    QFETCH(GroupInserts, inserts);
    QFETCH(QStringList, order);

    QMenuActionMap map;
    for (const auto &insert : inserts)
        map.insert_group(insert.first, insert.first + QStringLiteral(" text"), insert.second);

    QCOMPARE(map.group_count(), order.size());
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(map.get_group(i)->key, order.at(i));
    QVERIFY(!map.get_group(-1));
    QVERIFY(!map.get_group(map.group_count()));
}

void tst_QMenuActionMap::groupKeyInsertedTwice()
{
    QMenuActionMap map;
    map.insert_group(QStringLiteral("Menu.Communation"), QStringLiteral("通信"), 5);
    map.insert_group(QStringLiteral("Menu.Setting"), QStringLiteral("设置"), 1);
    map.insert_group(QStringLiteral("Menu.Communation"), QStringLiteral("其他"), 0);

    QCOMPARE(map.group_count(), 2);
    const tagGroupInfo *group = map.get_group(1);
    QCOMPARE(group->key, QStringLiteral("Menu.Communation"));
    QCOMPARE(group->text, QStringLiteral("通信"));
    QCOMPARE(group->position, 5);
    // Keys are plain strings, compared exactly.
    map.insert_group(QStringLiteral("menu.setting"), QStringLiteral("x"), 9);
    QCOMPARE(map.group_count(), 3);
}

void tst_QMenuActionMap::actionPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("order");
    const QString a = QStringLiteral("G.a"), b = QStringLiteral("G.b"), c = QStringLiteral("G.c"), n = QStringLiteral("G.new");
    QTest::newRow("0 goes first") << 0 << QStringList {n, a, b, c};
    QTest::newRow("1") << 1 << QStringList {a, n, b, c};
    QTest::newRow("count appends") << 3 << QStringList {a, b, c, n};
    QTest::newRow("-1 appends") << -1 << QStringList {a, b, c, n};
    QTest::newRow("99 appends") << 99 << QStringList {a, b, c, n};
}

void tst_QMenuActionMap::actionPosition()
{
    QFETCH(int, position);
    QFETCH(QStringList, order);

    QMenuActionMap map;
    map.insert_group(QStringLiteral("G"), QStringLiteral("g"), 0);
    for (const char *key : {"G.a", "G.b", "G.c"})
        QVERIFY(map.insert_action(QStringLiteral("G"), info(QString::fromLatin1(key)), -1));
    tagActionInfo *added = info(QStringLiteral("G.new"));
    QVERIFY(map.insert_action(QStringLiteral("G"), added, position));

    QCOMPARE(keys(map.get_group(0)), order);
    QCOMPARE(map.get_action(QStringLiteral("G.new")), added);
    QVERIFY(!map.get_action(QStringLiteral("G")));
}

void tst_QMenuActionMap::actionIntoMissingGroup()
{
    QMenuActionMap map;
    map.insert_group(QStringLiteral("Menu.Setting"), QStringLiteral("设置"), 1);

    std::unique_ptr<tagActionInfo> orphan(info(QStringLiteral("Menu.Help.About")));
    QVERIFY(!map.insert_action(QStringLiteral("Menu.Help"), orphan.get(), 0)); // stays ours
    QVERIFY(!map.get_action(QStringLiteral("Menu.Help.About")));
    QVERIFY(map.get_group(0)->actions.isEmpty());

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("null action record")));
    QVERIFY(!map.insert_action(QStringLiteral("Menu.Setting"), nullptr, 0));
    QVERIFY(map.get_group(0)->actions.isEmpty());
}

void tst_QMenuActionMap::actionKeyRegisteredTwice()
{
    QObject window;
    QPointer<QAction> first = new QAction(QStringLiteral("连接设备"), &window);
    QPointer<QAction> second = new QAction(QStringLiteral("连接"), &window);
    {
        QMenuActionMap map;
        map.insert_group(QStringLiteral("A"), QStringLiteral("a"), 0);
        map.insert_group(QStringLiteral("B"), QStringLiteral("b"), 1);
        tagActionInfo *one = info(QStringLiteral("X.Connect"), first);
        tagActionInfo *two = info(QStringLiteral("X.Connect"), second);
        map.insert_action(QStringLiteral("A"), one, -1);
        map.insert_action(QStringLiteral("B"), two, -1);

        QCOMPARE(map.get_action(QStringLiteral("X.Connect")), two);
        QCOMPARE(map.get_group(0)->actions, QList<tagActionInfo *> {one});
        QCOMPARE(map.get_group(1)->actions, QList<tagActionInfo *> {two});
    }
    // The records are gone with the map; the actions belong to the window.
    QVERIFY(!first.isNull());
    QVERIFY(!second.isNull());
}

void tst_QMenuActionMap::sameRecordTwice()
{
    // One record in two places is a caller's slip; the map must still
    // delete it only once.
    QMenuActionMap map;
    map.insert_group(QStringLiteral("A"), QStringLiteral("a"), 0);
    map.insert_group(QStringLiteral("B"), QStringLiteral("b"), 1);
    tagActionInfo *shared = info(QStringLiteral("A.Shared"));
    map.insert_action(QStringLiteral("A"), shared, -1);
    map.insert_action(QStringLiteral("A"), shared, -1);
    map.insert_action(QStringLiteral("B"), shared, 0);
    QCOMPARE(map.get_group(0)->actions.size(), 2);
}

QTEST_MAIN(tst_QMenuActionMap)
#include "tst_qmenuactionmap.moc"
