#include <coredata/xmlobject.h>

#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

class tst_XMLObject : public QObject
{
    Q_OBJECT
private slots:
    void loadWithoutElement_data();
    void loadWithoutElement();
    void loadBroken_data();
    void loadBroken();
    void loadReadsFirstElementOnly();
    void loadReplacesContent();
    void loadFromReader();
    void writeDocument();
    void writeSimple();
    void writeSkipsUntitled();
    void roundTrip();
    void inserChild_data();
    void inserChild();
    void inserChildMovesBetweenParents();
    void inserChildRefusesCycles();
    void deletion();
    void clearKeepsParentAndMode();
};

static XMLObject *node(XMLObject *parent, const char *title)
{
    auto *n = new XMLObject(parent);
    n->set_title(QString::fromLatin1(title));
    return n;
}

static QStringList titles(const XMLObject &parent)
{
    QStringList result;
    const QList<XMLObject *> children = parent.get_children();
    for (const XMLObject *child : children)
        result << child->get_title();
    return result;
}

void tst_XMLObject::loadWithoutElement_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("whitespace") << QStringLiteral("  \n\t");
    QTest::newRow("declaration only") << QStringLiteral("<?xml version=\"1.0\"?>\n");
    QTest::newRow("comment only") << QStringLiteral("<!-- nothing -->");
    QTest::newRow("garbage before any element") << QStringLiteral("<<>>");
}

void tst_XMLObject::loadWithoutElement()
{
    QFETCH(QString, text);
    XMLObject root;
    root.set_title(QStringLiteral("kept"));
    root.set_property(QStringLiteral("a"), QStringLiteral("1"));
    node(&root, "child");

    QString error = QStringLiteral("untouched");
    QVERIFY(!root.load(text, &error));
    QCOMPARE(error, QStringLiteral("untouched"));
    QCOMPARE(root.get_title(), QStringLiteral("kept"));
    QCOMPARE(root.get_property(QStringLiteral("a")), QStringLiteral("1"));
    QCOMPARE(titles(root), QStringList(QStringLiteral("child")));
}

void tst_XMLObject::loadBroken_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("childrenKept");

    QTest::newRow("unclosed root")
        << QStringLiteral("<a><b x=\"1\"/><c>") << QStringList {QStringLiteral("b"), QStringLiteral("c")};
    QTest::newRow("mismatched tags")
        << QStringLiteral("<a><b></a>") << QStringList {QStringLiteral("b")};
    QTest::newRow("broken attribute")
        << QStringLiteral("<a><b/><c x=1/></a>") << QStringList {QStringLiteral("b")};
    QTest::newRow("truncated inside a tag")
        << QStringLiteral("<a><b/><c na") << QStringList {QStringLiteral("b")};
    QTest::newRow("too deep")
        << QStringLiteral("<a>") + QStringLiteral("<d>").repeated(100000) << QStringList {QStringLiteral("d")};
}

void tst_XMLObject::loadBroken()
{
    QFETCH(QString, text);
    QFETCH(QStringList, childrenKept);

    XMLObject root;
    QString error;
    QVERIFY(!root.load(text, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(root.get_title(), QStringLiteral("a"));
    QCOMPARE(titles(root), childrenKept);
    QVERIFY(!root.load(text)); // no error string wanted
}

void tst_XMLObject::loadReadsFirstElementOnly()
{
    XMLObject root;
    QVERIFY(root.load(QStringLiteral("<?xml version=\"1.0\"?><!--c--><a k=\"v\">text<b><deep/></b>more<?pi x?></a><z/>junk<<")));
    QCOMPARE(root.get_title(), QStringLiteral("a"));
    QCOMPARE(root.get_propertys(), (QMap<QString, QString> {{QStringLiteral("k"), QStringLiteral("v")}}));
    QCOMPARE(titles(root), QStringList(QStringLiteral("b")));
    QCOMPARE(titles(*root.get_children().first()), QStringList(QStringLiteral("deep")));

    // Attributes are keyed by local name: the later of two wins.
    QVERIFY(root.load(QStringLiteral("<a xmlns:p=\"urn:p\" x=\"1\" p:x=\"2\"/>")));
    QCOMPARE(root.get_property(QStringLiteral("x")), QStringLiteral("2"));
    QCOMPARE(root.get_property(QStringLiteral("missing")), QString());
}

void tst_XMLObject::loadReplacesContent()
{
    XMLObject root;
    root.set_property(QStringLiteral("old"), QStringLiteral("1"));
    QPointer<XMLObject> old = node(&root, "old");
    QVERIFY(root.load(QStringLiteral("<new/>")));
    QCOMPARE(root.get_title(), QStringLiteral("new"));
    QVERIFY(root.get_propertys().isEmpty());
    QVERIFY(root.get_children().isEmpty());
    QVERIFY(old.isNull());
}

void tst_XMLObject::loadFromReader()
{
    QXmlStreamReader reader(QStringLiteral("<list><one/><two a=\"b\"><x/></two><three/></list>"));
    reader.readNextStartElement();
    reader.readNextStartElement(); // <one/>
    reader.readNext();             // </one>
    reader.readNextStartElement(); // <two>
    XMLObject two;
    two.load(&reader);
    QCOMPARE(two.get_title(), QStringLiteral("two"));
    QCOMPARE(titles(two), QStringList(QStringLiteral("x")));
    // The reader stands on </two>; the rest of the document is left to the caller.
    QVERIFY(reader.isEndElement());
    QCOMPARE(reader.name(), QLatin1String("two"));
    QVERIFY(reader.readNextStartElement());
    QCOMPARE(reader.name(), QLatin1String("three"));
}

void tst_XMLObject::writeDocument()
{
    XMLObject root;
    root.set_title(QStringLiteral("Settings"));
    XMLObject *group = node(&root, "Group");
    group->set_property(QStringLiteral("name"), QStringLiteral("A"));
    XMLObject *item = node(group, "Item");
    item->set_property(QStringLiteral("value"), QStringLiteral("<&\">"));
    item->set_property(QStringLiteral("name"), QStringLiteral("x"));

    QCOMPARE(root.write(),
             QStringLiteral("<?xml version=\"1.0\"?>\n"
                            "<Settings>\n"
                            "    <Group name=\"A\">\n"
                            "        <Item name=\"x\" value=\"&lt;&amp;&quot;&gt;\"/>\n"
                            "    </Group>\n"
                            "</Settings>\n"));

    XMLObject untitled;
    node(&untitled, "lost");
    QCOMPARE(untitled.write(), QStringLiteral("<?xml version=\"1.0\"?>\n"));
}

void tst_XMLObject::writeSimple()
{
    XMLObject root;
    root.set_simple();
    root.set_title(QStringLiteral("r"));
    root.set_property(QStringLiteral("b"), QStringLiteral("2"));
    root.set_property(QStringLiteral("a"), QStringLiteral("1"));
    node(&root, "c");
    QCOMPARE(root.write(), QStringLiteral("<r a=\"1\" b=\"2\"><c/></r>"));

    XMLObject untitled;
    untitled.set_simple();
    QCOMPARE(untitled.write(), QString());
}

void tst_XMLObject::writeSkipsUntitled()
{
    XMLObject root;
    root.set_simple();
    root.set_title(QStringLiteral("r"));
    node(&root, "a");
    XMLObject *hidden = new XMLObject(&root);
    node(hidden, "under-hidden");
    node(&root, "b");
    QCOMPARE(root.write(), QStringLiteral("<r><a/><b/></r>"));
}

void tst_XMLObject::roundTrip()
{
    XMLObject root;
    root.set_title(QStringLiteral("Plugin"));
    for (const char *dir : {"plugins", "", "插件/页面"}) {
        XMLObject *entry = node(&root, "Dir");
        entry->set_property(QStringLiteral("path"), QString::fromUtf8(dir));
    }
    XMLObject back;
    QVERIFY(back.load(root.write()));
    QCOMPARE(back.get_title(), QStringLiteral("Plugin"));
    QCOMPARE(back.get_children().size(), 3);
    QCOMPARE(back.get_children().at(2)->get_property(QStringLiteral("path")), QStringLiteral("插件/页面"));
    QCOMPARE(back.get_children().at(1)->get_propertys().value(QStringLiteral("path"), QStringLiteral("?")), QString());
}

void tst_XMLObject::inserChild_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("order");
    const QString a = QStringLiteral("a"), b = QStringLiteral("b"), c = QStringLiteral("c"), n = QStringLiteral("new");
    QTest::newRow("first") << 0 << QStringList {n, a, b, c};
    QTest::newRow("middle") << 1 << QStringList {a, n, b, c};
    QTest::newRow("last index is an insert") << 2 << QStringList {a, b, n, c};
    QTest::newRow("size appends") << 3 << QStringList {a, b, c, n};
    QTest::newRow("-1 appends") << -1 << QStringList {a, b, c, n};
    QTest::newRow("beyond appends") << 99 << QStringList {a, b, c, n};
}

void tst_XMLObject::inserChild()
{
    QFETCH(int, index);
    QFETCH(QStringList, order);
    XMLObject root;
    node(&root, "a");
    node(&root, "b");
    node(&root, "c");
    XMLObject *child = node(nullptr, "new");
    root.inser_child(index, child);
    QCOMPARE(titles(root), order);

    // Inserting again into the same parent moves nothing.
    root.inser_child(0, child);
    root.inser_child(-1, child);
    QCOMPARE(titles(root), order);
}

void tst_XMLObject::inserChildMovesBetweenParents()
{
    XMLObject first, second;
    first.set_title(QStringLiteral("first"));
    XMLObject *moved = node(&first, "moved");
    node(&first, "stays");
    node(&second, "x");

    second.inser_child(0, moved);
    QCOMPARE(titles(first), QStringList(QStringLiteral("stays")));
    QCOMPARE(titles(second), (QStringList {QStringLiteral("moved"), QStringLiteral("x")}));

    // The new parent owns it now: deleting the old one leaves it alive.
    QPointer<XMLObject> guard = moved;
    first.clear();
    QVERIFY(!guard.isNull());

    second.inser_child(0, nullptr);
    QCOMPARE(second.get_children().size(), 2);
}

void tst_XMLObject::inserChildRefusesCycles()
{
    XMLObject root;
    XMLObject *child = node(&root, "child");
    XMLObject *grandchild = node(child, "grandchild");

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refusing")));
    child->inser_child(0, child);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refusing")));
    grandchild->inser_child(0, &root);
    QCOMPARE(titles(root), QStringList(QStringLiteral("child")));
    QCOMPARE(titles(*child), QStringList(QStringLiteral("grandchild")));
    QVERIFY(grandchild->get_children().isEmpty());
}

void tst_XMLObject::deletion()
{
    auto *root = node(nullptr, "root");
    XMLObject *a = node(root, "a");
    node(root, "b");
    QPointer<XMLObject> deep = node(a, "deep");

    delete root->get_children().at(1);
    QCOMPARE(titles(*root), QStringList(QStringLiteral("a")));

    delete root;
    QVERIFY(deep.isNull());
}

void tst_XMLObject::clearKeepsParentAndMode()
{
    XMLObject root;
    root.set_title(QStringLiteral("r"));
    XMLObject *child = node(&root, "c");
    child->set_simple();
    node(child, "x");
    child->set_property(QStringLiteral("p"), QStringLiteral("1"));

    child->clear();
    QCOMPARE(child->get_title(), QString());
    QVERIFY(child->get_propertys().isEmpty());
    QVERIFY(child->get_children().isEmpty());
    QCOMPARE(root.get_children(), QList<XMLObject *> {child});
    child->set_title(QStringLiteral("again"));
    QCOMPARE(child->write(), QStringLiteral("<again/>"));
}

QTEST_GUILESS_MAIN(tst_XMLObject)
#include "tst_xmlobject.moc"
