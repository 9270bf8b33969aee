// The group tree: marks the shown group, announces a change once, follows a
// new model and lets go of an old one.

#include "parvexfixture.h"

#include <core/qsoftcore.h>

#include <QLabel>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class tst_QParvexTreeWidget : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void groupTreeMarksAndAnnounces();
};

void tst_QParvexTreeWidget::groupTreeMarksAndAnnounces()
{
    QSoftCore *core = QSoftCore::get_core();
    const QMetaMethod signal = m_groups->metaObject()->method(
        m_groups->metaObject()->indexOfSignal("select_changed(tagValueGroup*)"));
    QVERIFY(signal.isValid());
    QSignalSpy spy(m_groups, signal);
    QVERIFY(spy.isValid());

    const auto marked = [this](int index) {
        QWidget *w = m_groups->itemWidget(m_groups->topLevelItem(index), 0);
        auto *icon = w ? w->findChild<QLabel *>(QStringLiteral("label")) : nullptr;
        return icon && !icon->pixmap().isNull();
    };
    const auto group_of = [&spy](int i) { return qvariant_cast<tagValueGroup *>(spy.at(i).at(0)); };

    core->new_machine();
    QVERIFY(core->get_machine());
    QCOMPARE(m_groups->topLevelItemCount(), 2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(group_of(0)->m_name, QStringLiteral("P0 基本组"));
    QVERIFY(marked(0));
    QVERIFY(!marked(1));
    QCOMPARE(m_groups->itemWidget(m_groups->topLevelItem(1), 0)->toolTip(), QStringLiteral("P1 编辑器组"));
    QCOMPARE(m_params->topLevelItemCount(), 8);
    QCOMPARE(m_params->topLevelItem(1)->text(1), QStringLiteral("频率,设定"));

    // A double click marks the other group and the table follows it.
    show_group(1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(group_of(1)->m_name, QStringLiteral("P1 编辑器组"));
    QVERIFY(!marked(0));
    QVERIFY(marked(1));
    QCOMPARE(m_params->topLevelItem(0)->text(0), QStringLiteral("P1-00"));
    QTreeWidgetItem *before = m_params->topLevelItem(0);

    // The marked group again: no signal, the table is not rebuilt.
    show_group(1);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(m_params->topLevelItem(0), before);

    // A new model: the old mark goes (null), then the new first group.
    spy.clear();
    core->new_machine();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(group_of(0), static_cast<tagValueGroup *>(nullptr));
    QCOMPARE(group_of(1)->m_name, QStringLiteral("P0 基本组"));
    QVERIFY(marked(0));

    // The model goes away: both views let go of it.
    core->clear_machine();
    QCOMPARE(m_groups->topLevelItemCount(), 0);
    QCOMPARE(m_params->topLevelItemCount(), 0);
}

QTEST_MAIN(tst_QParvexTreeWidget)
#include "tst_qparvextreewidget.moc"
