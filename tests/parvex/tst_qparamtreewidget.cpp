// The parameter table: follows the shown group's values with one connection
// each, and opens an editor only in a writable value cell.

#include "parvexfixture.h"

#include <core/qsoftcore.h>

#include <machine/qmachinevalue.h>

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

namespace {

// QObject::receivers() is protected; the table's connections are what the
// test is about.
struct ReceiverCount : public QObject
{
    static int of(QObject *object)
    {
        // Named through this class, the member pointer is QObject's own, so
        // it applies to any object without a cast.
        int (QObject::*receivers)(const char *) const = &ReceiverCount::receivers;
        return (object->*receivers)(SIGNAL(value_changed()));
    }
};

} // namespace

class tst_QParamTreeWidget : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void tableFollowsValuesOnce();
    void editorOnlyForWritableValueCell();
    void helpLineInTheLanguageShown();
};

void tst_QParamTreeWidget::tableFollowsValuesOnce()
{
    QSoftCore *core = QSoftCore::get_core();
    core->new_machine();
    QMachineValue *value = value_of(QStringLiteral("P0-01"));
    QVERIFY(value);
    QVERIFY(row(QStringLiteral("P0-01"))->text(2).isEmpty()); // never read: no made-up zero

    // Browsing back and forth must not pile up connections.
    for (int i = 0; i < 3; ++i) {
        show_group(1);
        show_group(0);
    }
    QCOMPARE(ReceiverCount::of(value), 1);

    value->set_base_value(1234);
    QCOMPARE(row(QStringLiteral("P0-01"))->text(2), QStringLiteral("12.34"));

    // A value of a group that is not shown changes nothing in the table.
    show_group(1);
    value->set_base_value(1);
    QVERIFY(!row(QStringLiteral("P0-01")));
    QCOMPARE(m_params->topLevelItemCount(), 9);
}

void tst_QParamTreeWidget::editorOnlyForWritableValueCell()
{
    QSoftCore::get_core()->new_machine();
    m_widget->resize(1100, 520);
    m_widget->show();
    const auto editors = [this] {
        int n = 0;
        for (QWidget *w : m_params->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            n += (qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)) && !w->isHidden() ? 1 : 0;
        return n;
    };
    const auto click = [this](const QString &code, int column) {
        const int x = m_params->header()->sectionViewportPosition(column)
            + m_params->header()->sectionSize(column) / 2;
        const int y = m_params->visualItemRect(row(code)).center().y();
        QTest::mouseClick(m_params->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    };

    // The code and name columns never get an editor, not even by the edit key.
    m_params->editItem(row(QStringLiteral("P0-08")), 0);
    m_params->editItem(row(QStringLiteral("P0-08")), 1);
    QCOMPARE(editors(), 0);
    // A read-only value opens nothing on a click; a writable one does.
    click(QStringLiteral("P0-07"), 2);
    QCOMPARE(editors(), 0);
    click(QStringLiteral("P0-08"), 2);
    QTRY_COMPARE(editors(), 1);
}


void tst_QParamTreeWidget::helpLineInTheLanguageShown()
{
    auto *help = m_widget->findChild<QLabel *>(QStringLiteral("parvexHelpLine"));
    QVERIFY(help);
    const struct
    {
        bool english;
        QString text;
    } cases[] = {{false, QStringLiteral("负值表示反向偏置。")}, {true, QStringLiteral("A negative value biases in reverse.")}};
    for (const auto &c : cases) {
        QMachineValue::set_english(c.english);
        QSoftCore::get_core()->new_machine();
        show_group(0);
        m_params->setCurrentItem(row(QStringLiteral("P0-01")));
        m_params->setCurrentItem(row(QStringLiteral("P0-02")));
        const QString shown = help->toolTip();
        QMachineValue::set_english(false);
        QVERIFY2(shown.startsWith(QStringLiteral("P0-02")) && shown.endsWith(c.text), qPrintable(shown));
    }
}

QTEST_MAIN(tst_QParamTreeWidget)
#include "tst_qparamtreewidget.moc"
