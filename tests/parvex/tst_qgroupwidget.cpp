// One row of the group tree: the form's icon and name, and the mark.

#include "parvexfixture.h"

#include <core/qsoftcore.h>

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

class tst_QGroupWidget : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void groupWidgetIcon();
};

void tst_QGroupWidget::groupWidgetIcon()
{
    QSoftCore::get_core()->new_machine();
    QWidget *first = m_groups->itemWidget(m_groups->topLevelItem(0), 0);
    QVERIFY(first);
    QCOMPARE(first->objectName(), QStringLiteral("QGroupWidget"));
    QVERIFY(first->findChild<QObject *>(QStringLiteral("horizontalLayout")));
    auto *icon = first->findChild<QLabel *>(QStringLiteral("label"));
    auto *name = first->findChild<QLabel *>(QStringLiteral("label_2"));
    QVERIFY(icon && name);
    QCOMPARE(icon->minimumSize(), QSize(16, 16));
    QCOMPARE(icon->maximumSize(), QSize(16, 16));
    QCOMPARE(name->text(), QStringLiteral("P0 基本组"));
    QVERIFY(!icon->pixmap().isNull());
    // Marking the other row removes the mark here.
    show_group(1);
    QVERIFY(icon->pixmap().isNull());
}

QTEST_MAIN(tst_QGroupWidget)
#include "tst_qgroupwidget.moc"
