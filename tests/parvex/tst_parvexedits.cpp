// Editing beside the single write: a parameter file edited without a drive
// and saved, changes kept and written in one go, undo and redo.

#include "parvexfixture.h"

#include <core/dialogs/qfilechooser.h>
#include <core/plugin/qabstractpagewidget.h>
#include <core/qsoftcore.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <paramset/paramaudit.h>
#include <paramset/paramsetfile.h>
#include <paramset/qparamhistory.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

class tst_ParvexEdits : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void offlineEditSavesOnlyTheChangedRows();
    void fileWithoutAModelOpensOnTheChosenDescription();
    void keptChangesAreWrittenInOneGoAndUndone();
    void immediateEditIsUndoneAndRedone();

private:
    QAction *action(const char *name) const
    {
        return m_widget->findChild<QAction *>(QLatin1String(name));
    }
    void type_into(const QString &code, double number)
    {
        QWidget *editor = open_editor(code);
        QVERIFY2(editor, qPrintable(code));
        if (auto *spin = qobject_cast<QSpinBox *>(editor))
            spin->setValue(int(number));
        else if (auto *spin = qobject_cast<QDoubleSpinBox *>(editor))
            spin->setValue(number);
        // The view takes the value from the event loop.
        QPointer<QWidget> open(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!open || open->isHidden());
    }
    QList<tagWriteRecord> writes_of(const QString &code) const
    {
        QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
        tagAuditFilter filter;
        filter.code = code;
        return history.audit(filter);
    }
    QAbstractPageWidget *page() const { return qobject_cast<QAbstractPageWidget *>(m_widget); }
};

void tst_ParvexEdits::offlineEditSavesOnlyTheChangedRows()
{
    // A file as an upload writes it, with a row of another model's
    // parameter that must come back as it was.
    QSoftCore *core = QSoftCore::get_core();
    core->new_machine();
    QMachine *machine = core->get_machine();
    QVERIFY(machine);
    int n = 0;
    for (QMachineValue *value : machine->get_parameters())
        value->set_base_value(value->get_value_property(VALUE_CODE).toString() == s("P0-08") ? 7 : n++ % 2);
    QString text = ParamSetFile::build_table(machine->get_parameters()).save();
    text += s("X9-99,别的机型,1,,1\r\n");
    const QString path = m_dir.filePath(QStringLiteral("offline.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray original = QLocalCodec::encode(text);
    file.write(original);
    file.close();

    m_answer->file = path;
    action("actionOpenFile")->trigger();
    // Opened on a model of its own: the file's values, nothing else.
    QTRY_VERIFY(!page()->document_title().isEmpty());
    QVERIFY(page()->document_title().contains(s("offline.csv")));
    QCOMPARE(m_answer->boxes.size(), 1); // the row of the other model
    QVERIFY(m_answer->boxes.first().details.contains(s("X9-99")));
    show_group(0);
    QCOMPARE(row(s("P0-08"))->text(2), s("7"));

    const int file_frequency = value_of(s("P0-01"))->get_base_value();
    type_into(s("P0-08"), 42);
    type_into(s("P0-01"), 12.5);
    QCOMPARE(value_of(s("P0-08"))->get_base_value(), 42);
    QVERIFY(page()->document_title().contains(QLatin1Char('*')));
    QVERIFY(row(s("P0-08"))->font(2).bold());
    QVERIFY(row(s("P0-08"))->toolTip(2).contains(s("文件中 7")));
    // Undo and redo walk the file's values, not a drive.
    action("actionUndo")->trigger();
    QCOMPARE(value_of(s("P0-01"))->get_base_value(), file_frequency);
    action("actionRedo")->trigger();
    QCOMPARE(value_of(s("P0-01"))->get_base_value(), 1250);
    QVERIFY(action("actionSaveFile")->isEnabled());
    action("actionSaveFile")->trigger();
    QVERIFY(!page()->document_title().contains(QLatin1Char('*')));
    QVERIFY(!row(s("P0-08"))->font(2).bold());

    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QList<QByteArray> before = original.split('\n');
    const QList<QByteArray> after = saved.readAll().split('\n');
    QCOMPARE(after.size(), before.size());
    QStringList changed;
    for (int i = 0; i < before.size(); ++i) {
        if (before.at(i) != after.at(i))
            changed << QString::fromLatin1(after.at(i).left(5));
    }
    QCOMPARE(changed, QStringList({s("P0-01"), s("P0-08")}));
    QVERIFY(after.contains(QLocalCodec::encode(s("P0-08,点动频率,42,Hz,42\r"))));
    QVERIFY(after.contains(QLocalCodec::encode(s("P0-01,频率;设定,12.5,Hz,1250\r"))));

    // Saved: nothing to ask about any more; a drive that connects closes it.
    QVERIFY(page()->release_document());
    QVERIFY(connect_drive());
    QVERIFY(page()->document_title().isEmpty());
}

void tst_ParvexEdits::fileWithoutAModelOpensOnTheChosenDescription()
{
    QSoftCore *core = QSoftCore::get_core();
    core->clear_machine();
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("bare.csv")),
                                  s("代码,名称,值,单位,原始值\r\nP0-08,点动频率,7,Hz,7\r\n"));
    QStringList answers{path, QStringLiteral(TEST_DATA_DIR "/parvex-drive.xml")};
    QStringList captions;
    QFileChooser::set_answerer([&](QWidget *, QFileChooser::Mode, const QString &caption, const QString &) {
        captions << caption;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    });
    action("actionOpenFile")->trigger();
    QFileChooser::set_answerer(nullptr);
    QCOMPARE(captions.size(), 2);
    QVERIFY(core->get_machine());
    QCOMPARE(core->get_machine()->get_name(), s("页面测试机"));
    QCOMPARE(value_of(s("P0-08"))->get_base_value(), 7);
    QVERIFY(!value_of(s("P0-01"))->has_value());
    QVERIFY(m_answer->boxes.isEmpty());
}

void tst_ParvexEdits::keptChangesAreWrittenInOneGoAndUndone()
{
    QVERIFY(connect_drive());
    action("actionKeepChanges")->trigger();
    show_group(0);
    QTRY_VERIFY(row(s("P0-08")) && !row(s("P0-08"))->text(2).isEmpty());
    const int jog = reg(0x2008);
    const int frequency = reg(0x2001);
    const qsizetype records = writes_of(s("P0-01")).size();
    type_into(s("P0-08"), jog == 42 ? 43 : 42);
    type_into(s("P0-01"), 12.5);
    auto *count = m_widget->findChild<QLabel *>(QStringLiteral("parvexPendingCount"));
    QVERIFY(count && count->isVisible());
    QVERIFY(count->text().startsWith(QLatin1Char('2')));
    QVERIFY(row(s("P0-08"))->toolTip(2).contains(s("暂存修改")));

    // A read of the drive does not replace a kept value.
    QSignalSpy read(value_of(s("P0-01")), &QMachineValue::value_changed);
    QSoftCore::get_core()->update_group(s("P0 基本组"));
    QTRY_VERIFY(read.count() > 0);
    QCOMPARE(row(s("P0-01"))->text(2), s("12.50"));
    QCOMPARE(reg(0x2008), jog);
    QCOMPARE(reg(0x2001), frequency);

    m_widget->findChild<QPushButton *>(QStringLiteral("parvexWritePending"))->click();
    QTRY_COMPARE(reg(0x2001), 1250);
    QTRY_COMPARE(reg(0x2008), jog == 42 ? 43 : 42);
    QVERIFY(!count->isVisible());
    QTRY_COMPARE(writes_of(s("P0-01")).size(), records + 1);
    QCOMPARE(writes_of(s("P0-01")).first().operation, ParamAudit::edit());
    QCOMPARE(writes_of(s("P0-01")).first().before, frequency);

    // One step takes both back, each written and read back again.
    action("actionUndo")->trigger();
    QTRY_COMPARE(reg(0x2001), frequency);
    QTRY_COMPARE(reg(0x2008), jog);
    QTRY_COMPARE(row(s("P0-08"))->text(2), QString::number(jog));
    QTRY_COMPARE(writes_of(s("P0-01")).size(), records + 2);

    // Given up: nothing written.
    type_into(s("P0-08"), 99);
    m_widget->findChild<QPushButton *>(QStringLiteral("parvexDiscardPending"))->click();
    QCOMPARE(row(s("P0-08"))->text(2), QString::number(jog));
    QVERIFY(!count->isVisible());
    QVERIFY(wait_line_idle());
    QCOMPARE(reg(0x2008), jog);
    action("actionWriteAtOnce")->trigger();
}

void tst_ParvexEdits::immediateEditIsUndoneAndRedone()
{
    QVERIFY(connect_drive());
    QVERIFY(action("actionWriteAtOnce")->isChecked());
    show_group(0);
    QTRY_VERIFY(row(s("P0-08")) && !row(s("P0-08"))->text(2).isEmpty());
    const int jog = reg(0x2008);
    const int wanted = jog == 42 ? 43 : 42;
    const qsizetype records = writes_of(s("P0-08")).size();
    type_into(s("P0-08"), wanted);
    QTRY_COMPARE(reg(0x2008), wanted);
    QTRY_COMPARE(writes_of(s("P0-08")).size(), records + 1);

    // Ctrl+Z on the table writes the old value, read back and recorded.
    // The keys reach the page where it is the active window.
    QApplication::setActiveWindow(m_widget);
    QTRY_COMPARE(QApplication::activeWindow(), m_widget);
    m_params->setFocus();
    QTest::keyClick(m_params, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE(reg(0x2008), jog);
    QTRY_COMPARE(writes_of(s("P0-08")).size(), records + 2);
    const tagWriteRecord undone = writes_of(s("P0-08")).first();
    QCOMPARE(undone.asked, jog);
    QVERIFY(undone.has_before && undone.before == wanted);
    QVERIFY(undone.has_read_back && undone.read_back == jog);

    QTest::keyClick(m_params, Qt::Key_Y, Qt::ControlModifier);
    QTRY_COMPARE(reg(0x2008), wanted);
    QTRY_COMPARE(row(s("P0-08"))->text(2), QString::number(wanted));
}

QTEST_MAIN(tst_ParvexEdits)
#include "tst_parvexedits.moc"
