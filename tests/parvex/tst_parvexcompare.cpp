// Knowing what changed: finding a parameter, the default filter, comparing
// the drive with the defaults, a file and a stored set, writing the ticked
// differences, and a download that the drive takes otherwise than asked.
#include "parvexfixture.h"

#include <coredata/qlocalcodec.h>
#include <core/plugin/qmenuactionmap.h>
#include <paramset/qparamhistory.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <machine/qmachinevalue.h>

#include <QTextCodec>
#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// What a comparison showed, and what the test does with it.
struct CompareRun
{
    QStringList rows; // "code|drive|other|note"
    QString target;   // the drive the dialog names
    QStringList tick;
    bool clicked = false;
    int boxes_at_click = 0;
    bool done = false;
    QString picture; // where to save a picture of the dialog, if anywhere
    QString save_to; // where to save the list, if anywhere
    bool saving = false;
};

QString picture_path(const QString &name)
{
    QDir().mkpath(QStringLiteral(PICTURE_DIR));
    return QDir(QStringLiteral(PICTURE_DIR)).filePath(name);
}

// The page's newest write record of `code`, as "operation|before|asked|read back|result".
QString last_write(const QString &code)
{
    QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
    tagAuditFilter filter;
    filter.code = code;
    const QList<tagWriteRecord> writes = history.audit(filter);
    if (writes.isEmpty())
        return QString();
    const tagWriteRecord &w = writes.first();
    const auto number = [](bool has, int value) { return has ? QString::number(value) : QStringLiteral("-"); };
    return QStringList{w.operation, number(w.has_before, w.before), QString::number(w.asked),
                       number(w.has_read_back, w.read_back), w.result}
        .join(QLatin1Char('|'));
}

QStringList visible_codes(QTreeWidget *table)
{
    QStringList codes;
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        if (!table->topLevelItem(i)->isHidden())
            codes << table->topLevelItem(i)->text(0);
    }
    return codes;
}

} // namespace

class tst_ParvexCompare : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void searchAndFilterFindTheRows();
    void compareListsTheDifferencesAndWritesTheTicked();
    void verificationListsWhatTheDriveTookDifferently();
    // Last: it breaks the history file for the rest of the run.
    void brokenHistoryWarnsOnceAndTheUploadGoesOn();

private:
    // Handles the compare dialog for `run`: records its rows, ticks and
    // writes the rows asked for, closes it once the writes are reported.
    void answer_compare(CompareRun &run, QWidget *modal);
    bool compare(const char *action, CompareRun &run);
};

void tst_ParvexCompare::answer_compare(CompareRun &run, QWidget *modal)
{
    if (modal->objectName() != QLatin1String("QCompareDialog"))
        return;
    auto *table = modal->findChild<QTreeWidget *>(QStringLiteral("compareTable"));
    if (!run.clicked && run.rows.isEmpty()) {
        for (int i = 0; i < table->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = table->topLevelItem(i);
            run.rows << QStringList{item->text(0), item->text(2), item->text(3), item->text(5)}.join(QLatin1Char('|'));
        }
        run.target = modal->findChild<QLabel *>(QStringLiteral("compareTarget"))->text();
        if (!run.picture.isEmpty()) {
            modal->grab().save(run.picture);
            run.picture.clear();
        }
    }
    if (!run.save_to.isEmpty() && !run.saving) {
        // From the event loop: the file dialog is answered by this same poll.
        run.saving = true;
        m_answer->file = run.save_to;
        QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("compareSave")), &QPushButton::click);
        return;
    }
    if (run.saving && !QFile::exists(run.save_to))
        return;
    if (!run.tick.isEmpty() && !run.clicked) {
        for (int i = 0; i < table->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = table->topLevelItem(i);
            if (run.tick.contains(item->text(0)))
                item->setCheckState(0, Qt::Checked);
        }
        run.clicked = true;
        run.boxes_at_click = int(m_answer->boxes.size());
        // From the event loop, as a click of the operator's.
        QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("compareDownload")),
                           &QPushButton::click);
        return;
    }
    if (run.clicked && m_answer->boxes.size() == run.boxes_at_click)
        return; // the writes are still under way
    run.done = true;
    static_cast<QDialog *>(modal)->reject();
}

bool tst_ParvexCompare::compare(const char *action, CompareRun &run)
{
    m_answer->other = [this, &run](QWidget *modal) { answer_compare(run, modal); };
    auto *trigger = m_widget->findChild<QAction *>(QString::fromLatin1(action));
    if (!trigger)
        return false;
    trigger->trigger();
    return QTest::qWaitFor([&run] { return run.done; }, 15000);
}

void tst_ParvexCompare::searchAndFilterFindTheRows()
{
    QVERIFY(connect_drive());
    // The first group is shown at once, and read although its values are not
    // read at connection time.
    QTRY_VERIFY(value_of(QStringLiteral("P0-08"))->has_value());

    auto *search = m_widget->findChild<QLineEdit *>(QStringLiteral("parvexSearch"));
    QVERIFY(search);
    search->setFocus();
    // By name, across groups: the group list follows the hit.
    search->setText(QStringLiteral("双字"));
    QCOMPARE(m_params->currentItem()->text(0), QStringLiteral("P1-02"));
    QCOMPARE(m_groups->currentItem(), m_groups->topLevelItem(1));
    QTest::keyClick(search, Qt::Key_Down);
    QCOMPARE(m_params->currentItem()->text(0), QStringLiteral("P1-09"));
    QTest::keyClick(search, Qt::Key_Return); // wraps around
    QCOMPARE(m_params->currentItem()->text(0), QStringLiteral("P1-02"));
    // By part of a code, back in the first group.
    search->setText(QStringLiteral("0-0"));
    QCOMPARE(m_params->currentItem()->text(0), QStringLiteral("P0-00"));
    QCOMPARE(m_groups->currentItem(), m_groups->topLevelItem(0));
    QTest::keyClick(search, Qt::Key_Up);
    QCOMPARE(m_params->currentItem()->text(0), QStringLiteral("P0-09"));
    QVERIFY(m_widget->grab().save(picture_path(QStringLiteral("param-search.png"))));
    // The help line follows the current row.
    auto *help = m_widget->findChild<QLabel *>(QStringLiteral("parvexHelpLine"));
    QVERIFY(help && help->toolTip().startsWith(QStringLiteral("P0-09")));
    search->clear();

    // Changed at the keypad, read by a refresh: the filter shows that row only.
    QVERIFY(m_sim.set(0x2008, 42));
    QSoftCore::get_core()->update_group(QStringLiteral("P0 基本组"));
    QTRY_COMPARE(row(QStringLiteral("P0-08"))->text(2), QStringLiteral("42"));
    auto *filter = m_widget->findChild<QCheckBox *>(QStringLiteral("parvexOnlyChanged"));
    filter->setChecked(true);
    QCOMPARE(visible_codes(m_params), QStringList{QStringLiteral("P0-08")});
    filter->setChecked(false);
    QCOMPARE(visible_codes(m_params).size(), 8);
}

void tst_ParvexCompare::compareListsTheDifferencesAndWritesTheTicked()
{
    QVERIFY(connect_drive());
    QVERIFY(m_sim.set(0x2008, 42));  // P0-08: default 5
    QVERIFY(m_sim.set(0x2101, 250)); // P1-01: default 1.00
    QVERIFY(m_sim.set(0x2007, 99));  // P0-07 is read-only: listed, never ticked

    CompareRun defaults;
    defaults.tick = QStringList{QStringLiteral("P0-08"), QStringLiteral("P0-07")};
    QVERIFY(compare("actionCompareDefaults", defaults));
    QCOMPARE(defaults.rows, (QStringList{QStringLiteral("P0-07|9.9|7.5|只读参数"),
                                         QStringLiteral("P0-08|42|5|"), QStringLiteral("P1-01|2.50|1.00|")}));
    // The dialog names the drive, and 下载所选 is the one confirmation: the
    // only box after it reports the writes.
    QVERIFY2(defaults.target.contains(m_sim.device()) && defaults.target.contains(QStringLiteral("站号 1")),
             qPrintable(defaults.target));
    QCOMPARE(m_answer->boxes.size(), defaults.boxes_at_click + 1);
    QVERIFY2(m_answer->boxes.last().text.startsWith(QStringLiteral("下载所选参数成功")),
             qPrintable(m_answer->boxes.last().text));
    QCOMPARE(reg(0x2008), 5);
    QCOMPARE(reg(0x2101), 250);
    QCOMPARE(reg(0x2007), 99);
    // The write is recorded with what the comparison read before it.
    QCOMPARE(last_write(QStringLiteral("P0-08")), QStringLiteral("compare|42|5|5|written"));
    QCOMPARE(last_write(QStringLiteral("P0-07")), QString());

    // A file of another model: its unknown code listed once, every parameter
    // it does not name listed as the drive's only.
    m_answer->file = gbk_file(m_dir.filePath(QStringLiteral("other.csv")),
                              QStringLiteral("代码,名称,值,单位,原始值\r\nP0-08,,,,7\r\nP1-01,,,,250\r\nX9-99,,,,5\r\n"));
    CompareRun file;
    file.picture = picture_path(QStringLiteral("compare.png"));
    file.save_to = m_dir.filePath(QStringLiteral("differences.csv"));
    QFile::remove(file.save_to);
    QVERIFY(compare("actionCompareFile", file));
    QCOMPARE(file.rows.size(), 17);
    QVERIFY(file.rows.contains(QStringLiteral("P0-08|5|7|")));
    QCOMPARE(file.rows.last(), QStringLiteral("X9-99||5|机型描述中没有这个参数"));
    QCOMPARE(file.rows.filter(QStringLiteral("|只在设备中")).size(), 15);
    // The list as a file: GBK, the name's comma turned into a semicolon.
    QFile saved(file.save_to);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString text = QLocalCodec::codec()->toUnicode(saved.readAll());
    QVERIFY2(text.startsWith(QStringLiteral("代码,名称,设备,文件,单位,说明\r\n")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("P0-01,频率;设定,50.00,,Hz,只在设备中\r\n")));
    QVERIFY(text.contains(QStringLiteral("P0-08,点动频率,5,7,Hz,\r\n")));

    // The first comparison stored the drive as it was then: since then only
    // P0-08 changed. Reached through the history dialog.
    QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
    QList<tagParamSnapshot> compares;
    for (const tagParamSnapshot &s : history.list()) {
        if (s.operation == ParamSnapshot::compare())
            compares.prepend(s);
    }
    QCOMPARE(compares.size(), 2);
    const qint64 first = compares.first().id;

    CompareRun snapshot;
    snapshot.tick = QStringList{QStringLiteral("P0-08")};
    bool history_clicked = false;
    m_answer->other = [&](QWidget *modal) {
        if (modal->objectName() == QLatin1String("QHistoryDialog")) {
            if (history_clicked) {
                if (snapshot.done)
                    static_cast<QDialog *>(modal)->reject();
                return;
            }
            auto *table = modal->findChild<QTreeWidget *>(QStringLiteral("historyTable"));
            for (int i = 0; i < table->topLevelItemCount(); ++i) {
                QTreeWidgetItem *item = table->topLevelItem(i);
                item->setSelected(item->data(0, Qt::UserRole + 1).toLongLong() == first);
            }
            history_clicked = true;
            modal->findChild<QPushButton *>(QStringLiteral("historyCompareDrive"))->click();
            return;
        }
        answer_compare(snapshot, modal);
    };
    tagActionInfo *menu = QSoftCore::get_core()->get_menu_action_map()->get_action(QStringLiteral("Menu.Parameter.History"));
    QVERIFY(menu && menu->action);
    menu->action->trigger();
    QVERIFY(QTest::qWaitFor([&] { return snapshot.done; }, 15000));
    QCOMPARE(snapshot.rows, QStringList{QStringLiteral("P0-08|5|42|")});
    QTRY_VERIFY(!QApplication::activeModalWidget());
    // The stored value written back, recorded as the history's.
    QCOMPARE(reg(0x2008), 42);
    QCOMPARE(last_write(QStringLiteral("P0-08")), QStringLiteral("history|5|42|42|written"));
}

void tst_ParvexCompare::verificationListsWhatTheDriveTookDifferently()
{
    // P0-08 is clamped at 50, writes to P1-01 are answered and dropped.
    QVERIFY(connect_drive({QStringLiteral("--clamp"), QStringLiteral("0x2008=50"),
                           QStringLiteral("--ignore"), QStringLiteral("0x2101")}));
    m_answer->file = gbk_file(m_dir.filePath(QStringLiteral("faults.csv")),
                              QStringLiteral("代码,名称,值,单位,原始值\r\nP0-08,,,,80\r\nP1-01,,,,300\r\nP1-08,,,,7\r\n"));
    m_download->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_answer->boxes.size(), 1, 15000);
    const ModalAnswerer::Box box = m_answer->boxes.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY2(box.details.contains(QStringLiteral("写入 3 个参数，核对一致 1 个，与要求不同 2 个，被拒绝 0 个")),
             qPrintable(box.details));
    QVERIFY(box.details.contains(QStringLiteral("P0-08 点动频率：写入 80 Hz，设备为 50 Hz")));
    QVERIFY(box.details.contains(QStringLiteral("P1-01 两位小数：写入 3.00，设备为 1.00")));
    QVERIFY(!box.details.contains(QStringLiteral("P1-08")));
    QCOMPARE(reg(0x2108), 7);
    // Each write recorded with the backup's value and what was read back.
    QCOMPARE(last_write(QStringLiteral("P0-08")).section(QLatin1Char('|'), 2), QStringLiteral("80|50|different"));
    QCOMPARE(last_write(QStringLiteral("P1-01")).section(QLatin1Char('|'), 2), QStringLiteral("300|100|different"));
    QVERIFY(last_write(QStringLiteral("P1-08")).startsWith(QStringLiteral("download|")));
    QVERIFY(last_write(QStringLiteral("P1-08")).endsWith(QStringLiteral("|7|7|written")));
    // The table shows what the drive holds, not what was asked for.
    show_group(1);
    QTRY_COMPARE(row(QStringLiteral("P1-01"))->text(2), QStringLiteral("1.00"));

    // The backup and the download are in the history, newest first. The
    // download's report is made from there, and its write records are
    // listed, filtered and exported in 修改记录.
    QStringList operations;
    QStringList audit_rows;
    bool audit_done = false;
    const QString report = m_dir.filePath(QStringLiteral("download-report.pdf"));
    const QString exported = m_dir.filePath(QStringLiteral("writes.csv"));
    // Buttons that open a modal dialog are clicked from the event loop: the
    // answerer must be free to answer that dialog.
    int step = 0;
    m_answer->other = [&](QWidget *modal) {
        if (modal->objectName() == QLatin1String("QAuditDialog")) {
            if (audit_done)
                return;
            if (audit_rows.isEmpty()) {
                auto *code = modal->findChild<QLineEdit *>(QStringLiteral("auditCode"));
                code->setText(QStringLiteral("P0-08"));
                QTest::keyClick(code, Qt::Key_Return);
                auto *table = modal->findChild<QTreeWidget *>(QStringLiteral("auditTable"));
                // Operation, code, asked, read back, result.
                for (int i = 0; i < table->topLevelItemCount(); ++i) {
                    const QTreeWidgetItem *item = table->topLevelItem(i);
                    audit_rows << QStringList{item->text(6), item->text(7), item->text(9), item->text(10), item->text(11)}
                                      .join(QLatin1Char('|'));
                }
                modal->resize(1100, 360);
                modal->grab().save(picture_path(QStringLiteral("audit.png")));
                m_answer->file = exported;
                QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("auditSave")), &QPushButton::click);
                return;
            }
            if (QFile::exists(exported)) {
                audit_done = true;
                static_cast<QDialog *>(modal)->reject();
            }
            return;
        }
        if (modal->objectName() != QLatin1String("QHistoryDialog"))
            return;
        if (step == 0) {
            auto *table = modal->findChild<QTreeWidget *>(QStringLiteral("historyTable"));
            for (int i = 0; i < table->topLevelItemCount(); ++i)
                operations << table->topLevelItem(i)->text(1);
            modal->grab().save(picture_path(QStringLiteral("history.png")));
            m_answer->file = report;
            QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("historyReport")), &QPushButton::click);
            step = 1;
        } else if (step == 1 && QFile::exists(report)) {
            QTimer::singleShot(0, modal->findChild<QPushButton *>(QStringLiteral("historyAudit")), &QPushButton::click);
            step = 2;
        } else if (step == 2 && audit_done) {
            static_cast<QDialog *>(modal)->reject();
        }
    };
    QSoftCore::get_core()->get_menu_action_map()->get_action(QStringLiteral("Menu.Parameter.History"))->action->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(audit_done && !QApplication::activeModalWidget(), 30000);
    QVERIFY(operations.size() >= 2);
    QCOMPARE(operations.mid(0, 2), (QStringList{QStringLiteral("下载"), QStringLiteral("下载前备份")}));
    QVERIFY(!audit_rows.isEmpty());
    QCOMPARE(audit_rows.first(), QStringLiteral("下载参数|P0-08|80 (80)|50 (50)|读回不同"));
    QFile pdf(report);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QFile csv(exported);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QLocalCodec::codec()->toUnicode(csv.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), audit_rows.size() + 2); // the titles, the rows, the empty end
    QVERIFY2(lines.at(1).contains(QStringLiteral(",P0-08,")), qPrintable(lines.at(1)));
}

void tst_ParvexCompare::brokenHistoryWarnsOnceAndTheUploadGoesOn()
{
    QVERIFY(connect_drive());
    const QString path = QParamHistory::path_beside(QSettingManager::default_file());
    const QByteArray garbage = QByteArray("someone else's file\n").repeated(300);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
    }
    for (int i = 0; i < 2; ++i) {
        const QString saved = m_dir.filePath(QStringLiteral("upload-%1.csv").arg(i));
        m_answer->file = saved;
        m_upload->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved), 15000);
    }
    // One warning in the whole run, and the file is left as it was.
    QCOMPARE(m_answer->boxes.size(), 1);
    QCOMPARE(m_answer->boxes.first().text, QStringLiteral("历史记录不可用，本次运行不再提示。"));
    QVERIFY(m_answer->boxes.first().details.contains(QDir::toNativeSeparators(path)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

QTEST_MAIN(tst_ParvexCompare)
#include "tst_parvexcompare.moc"
