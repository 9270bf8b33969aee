// The page: its commands follow the port, an upload that fails or cannot be
// saved, a backup put back, a cancelled download, the preview before one.

#include "parvexfixture.h"

#include <paramset/qparamhistory.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <machine/qmachine.h>
#include <machine/qmachinevalue.h>

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/tagserialconfig.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class tst_QParvexWidget : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void commandsFollowThePort();
    void uploadFailureSavesNothing();
    void saveFailureKeepsOldFileAndWarns();
    void downloadRoundTrip();
    void downloadCancelledKeepsLogRequest();
    void downloadPreviewWritesTheTickedOnly_data();
    void downloadPreviewWritesTheTickedOnly();
    void openDescriptionForTheVersion();
};

void tst_QParvexWidget::commandsFollowThePort()
{
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(connect_drive());
    QVERIFY(m_upload->isEnabled());
    QVERIFY(m_download->isEnabled());

    QSoftCore::get_core()->serial_disconnect();
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(!m_download->isEnabled());

    // The link lost by itself (the adapter pulled out) disables them as well.
    tagSerialConfig config;
    config.port_name = m_sim.device();
    QVERIFY(QSoftCore::get_core()->serial_connect(config));
    QVERIFY(m_upload->isEnabled());
    QVERIFY(m_sim.hangup());
    QTRY_VERIFY_WITH_TIMEOUT(!m_upload->isEnabled(), 10000);
    QVERIFY(!m_download->isEnabled());
}

void tst_QParvexWidget::uploadFailureSavesNothing()
{
    // The drive stops answering in the middle of the upload (counted from
    // the upload's start, as the monitoring page polls from the connection on;
    // the upload reads four times).
    QVERIFY(connect_drive());
    QVERIFY(m_sim.fault(QStringLiteral("hangup-after"), QStringLiteral("2")));
    m_answer->file = m_dir.filePath(QStringLiteral("never.csv"));
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!m_answer->boxes.isEmpty(), 15000);
    QCOMPARE(m_answer->boxes.first().icon, QMessageBox::Critical);
    QCOMPARE(m_answer->boxes.first().title, QStringLiteral("警告"));
    QCOMPARE(m_answer->boxes.first().text, QStringLiteral("上传参数失败！"));
    QVERIFY(m_answer->file_dialogs.isEmpty());
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.csv"))));

    // The connection served that upload only: a later group end saves nothing.
    QSoftCore::get_core()->emit_mission_group_done(true);
    QTest::qWait(100);
    QVERIFY(m_answer->file_dialogs.isEmpty());
}

void tst_QParvexWidget::saveFailureKeepsOldFileAndWarns()
{
    QVERIFY(connect_drive());
    // The chosen name is taken by a directory holding the old backup: the
    // save cannot replace it, and must say so.
    const QString path = m_dir.filePath(QStringLiteral("taken.csv"));
    QVERIFY(QDir().mkpath(path));
    const QString old_backup = gbk_file(path + QStringLiteral("/old.csv"), QStringLiteral("old"));
    QVERIFY(!old_backup.isEmpty());

    m_answer->file = path;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!m_answer->boxes.isEmpty(), 15000);
    QCOMPARE(m_answer->boxes.first().icon, QMessageBox::Warning);
    QVERIFY2(m_answer->boxes.first().text.contains(QDir::toNativeSeparators(path)),
             qPrintable(m_answer->boxes.first().text));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(QFile::exists(old_backup));
}

void tst_QParvexWidget::downloadRoundTrip()
{
    QVERIFY(connect_drive());
    QVERIFY(m_sim.set(0x2003, 0x614E)); // 12345678
    QVERIFY(m_sim.set(0x2004, 0x00BC));
    QVERIFY(m_sim.set(0x2002, 65526));
    const QMap<int, int> before = m_sim.dump();
    QVERIFY(!before.isEmpty());

    const QString path = m_dir.filePath(QStringLiteral("roundtrip.csv"));
    QFile::remove(path);
    m_answer->file = path;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 15000);

    // Change every writable parameter register, then put the backup back.
    // P0-09 changes too (at the keypad), so the download has it to write.
    for (int a = 0x2000; a <= 0x2009; ++a) {
        if (a != 0x2007)
            QVERIFY(m_sim.set(a, 1));
    }
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();
    // P0-09 is read-only in the drive: its write is refused, listed at the
    // end and logged.
    QTRY_COMPARE_WITH_TIMEOUT(m_answer->boxes.size(), 1, 15000);
    const ModalAnswerer::Box box = m_answer->boxes.first();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY2(box.details.contains(QStringLiteral("P0-09")) && box.details.contains(QStringLiteral("被拒绝 1 个")),
             qPrintable(box.details));

    const QMap<int, int> after = m_sim.dump();
    for (int a = 0x2000; a <= 0x210A; ++a)
        QCOMPARE(after.value(a), a == 0x2009 ? 1 : before.value(a));
    const QList<tagErrLog> logs = QSoftCore::get_core()->getErrlogs();
    QCOMPARE(logs.size(), 1);
    QVERIFY(logs.first().text.contains(QStringLiteral("8201")));

    // The history holds the upload, and the drive's values of right before
    // the download as its backup; it is read from the file, as after a restart.
    QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
    const QList<tagParamSnapshot> snapshots = history.list();
    QVERIFY(snapshots.size() >= 3);
    QCOMPARE(snapshots.at(0).operation, ParamSnapshot::download());
    QCOMPARE(snapshots.at(1).operation, ParamSnapshot::backup());
    QCOMPARE(snapshots.at(2).operation, ParamSnapshot::upload());
    QCOMPARE(snapshots.at(1).drive_version, 100);
    tagParamSnapshot backup;
    QVERIFY(history.load(snapshots.at(1).id, &backup));
    QMap<QString, int> raw;
    for (const tagParamRaw &entry : std::as_const(backup.values))
        raw.insert(entry.code, entry.raw);
    QCOMPARE(raw.size(), 17);
    QCOMPARE(raw.value(QStringLiteral("P0-01")), 1);
    QCOMPARE(raw.value(QStringLiteral("P0-03")), 0x10001);
    QCOMPARE(raw.value(QStringLiteral("P0-07")), 75);
}

void tst_QParvexWidget::downloadCancelledKeepsLogRequest()
{
    QVERIFY(connect_drive());
    QSoftCore *core = QSoftCore::get_core();
    core->m_show_err_log = false;
    m_download->trigger(); // the answerer cancels the dialog
    QCOMPARE(m_answer->file_dialogs.size(), 1);
    QVERIFY(core->m_show_err_log);
    QVERIFY(m_answer->boxes.isEmpty());
    core->m_show_err_log = false;

    // A set handed to the page while no drive answers is not taken for a
    // file of unknown parameters.
    core->serial_disconnect();
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("offline.csv")),
                                  QStringLiteral("代码,名称,值,单位,原始值\r\nP0-08,,,,42\r\n"));
    QVERIFY(QMetaObject::invokeMethod(m_widget, "download_file", Q_ARG(QString, path)));
    QCOMPARE(m_answer->boxes.size(), 1);
    QCOMPARE(m_answer->boxes.first().text, QStringLiteral("设备未连接，无法下载！"));
    QVERIFY(m_answer->previews.isEmpty());
}

void tst_QParvexWidget::downloadPreviewWritesTheTickedOnly_data()
{
    QTest::addColumn<QStringList>("untick");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QList<int>>("drive");    // address, value pairs set before
    QTest::addColumn<QString>("message");     // the box at the end, empty for none
    QTest::addColumn<QStringList>("counts");  // what its details must say
    QTest::addColumn<QList<int>>("after");    // address, value pairs after

    QTest::newRow("one difference left unticked")
        << QStringList{QStringLiteral("P1-08")} << false << QList<int>()
        << QStringLiteral("下载功能参数成功")
        << QStringList{QStringLiteral("写入 2 个参数"), QStringLiteral("文件中有误 1 个"),
                       QStringLiteral("与设备相同 2 个"), QStringLiteral("未勾选 1 个")}
        << QList<int>{0x2008, 42, 0x2101, 250, 0x2108, 0, 0x2105, 20};
    QTest::newRow("cancelled")
        << QStringList() << true << QList<int>() << QString() << QStringList()
        << QList<int>{0x2008, 5, 0x2101, 100, 0x2108, 0};
    QTest::newRow("nothing differs")
        << QStringList() << false << QList<int>{0x2008, 42, 0x2101, 250, 0x2108, 7}
        << QStringLiteral("设备中的参数与文件相同，没有写入任何参数。")
        << QStringList{QStringLiteral("5 个参数都与设备相同"), QStringLiteral("文件中有误 1 个")}
        << QList<int>{0x2008, 42, 0x2101, 250, 0x2108, 7};
}

void tst_QParvexWidget::downloadPreviewWritesTheTickedOnly()
{
    QFETCH(QStringList, untick);
    QFETCH(bool, cancel);
    QFETCH(QList<int>, drive);
    QFETCH(QString, message);
    QFETCH(QStringList, counts);
    QFETCH(QList<int>, after);

    // The motor runs: a write of the stop-only P1-05, which the file holds
    // as the drive does, would be refused.
    QVERIFY(connect_drive({QStringLiteral("--running")}));
    for (int i = 0; i + 1 < drive.size(); i += 2)
        QVERIFY(m_sim.set(drive.at(i), drive.at(i + 1)));
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("preview.csv")),
                                  QStringLiteral("代码,名称,值,单位,原始值\r\n"
                                                 "P0-08,,,,42\r\nP0-01,,,,5000\r\nP1-05,,,,20\r\n"
                                                 "X9-99,,,,1\r\nP1-01,,,,250\r\nP1-08,,,,7\r\n"));
    QParamHistory history(QParamHistory::path_beside(QSettingManager::default_file()));
    const qsizetype stored = history.list().size();
    QSignalSpy started(QSoftCore::get_core()->get_communicate()->mission_manager(),
                       &QMissionManager::mission_group_start);
    m_answer->untick = untick;
    m_answer->cancel_preview = cancel;
    m_answer->file = path;
    m_download->trigger();

    if (message.isEmpty()) {
        QTRY_VERIFY_WITH_TIMEOUT(!m_answer->previews.isEmpty(), 15000);
        QTest::qWait(300);
        QVERIFY(m_answer->boxes.isEmpty());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!m_answer->boxes.isEmpty(), 15000);
        QCOMPARE(m_answer->boxes.last().text, message);
        // The file's faulty row does not spoil a success, but a file that
        // changes nothing and holds a faulty row warns.
        QCOMPARE(m_answer->boxes.last().icon, drive.isEmpty() ? QMessageBox::Information : QMessageBox::Warning);
        for (const QString &count : std::as_const(counts))
            QVERIFY2(m_answer->boxes.last().details.contains(count), qPrintable(m_answer->boxes.last().details));
    }
    if (drive.isEmpty()) {
        // Only the differences, each ticked, the drive's value beside the
        // file's; the row the file holds wrong apart; the target named.
        QCOMPARE(m_answer->previews.size(), 1);
        const ModalAnswerer::Preview preview = m_answer->previews.first();
        QCOMPARE(preview.rows, (QStringList{QStringLiteral("+P0-08|5|42|Hz"), QStringLiteral("+P1-01|1.00|2.50|"),
                                            QStringLiteral("+P1-08|0|7|")}));
        QCOMPARE(preview.refused.size(), 1);
        QVERIFY2(preview.refused.first().contains(QStringLiteral("X9-99")), qPrintable(preview.refused.first()));
        QVERIFY2(preview.target.contains(m_sim.device()) && preview.target.contains(QStringLiteral("站号 1")),
                 qPrintable(preview.target));
    } else {
        QVERIFY(m_answer->previews.isEmpty());
    }
    for (int i = 0; i + 1 < after.size(); i += 2)
        QCOMPARE(reg(after.at(i)), after.at(i + 1));
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());
    // Without writes there is no backup to keep, and nothing on the link
    // after the drive's values were read.
    if (message != QStringLiteral("下载功能参数成功")) {
        QCOMPARE(history.list().size(), stored);
        QCOMPARE(started.count(), 1);
    } else {
        QCOMPARE(history.list().size(), stored + 2); // the backup and the download
    }
}

QTEST_MAIN(tst_QParvexWidget)
#include "tst_qparvexwidget.moc"

void tst_QParvexWidget::openDescriptionForTheVersion()
{
    QSoftCore *core = QSoftCore::get_core();
    QAction *open = m_widget->findChild<QAction *>(QStringLiteral("openDescription"));
    QVERIFY(open);
    QVERIFY(connect_drive());
    const QString key = QSoftCore::description_key(core->get_machine_version());
    QMachineValue *first = core->get_machine()->get_parameters().first();
    const int address = first->get_value_property(VALUE_ADDRESS).toInt();

    // A description that cannot be used changes nothing and says where.
    const QString broken = m_dir.filePath(QStringLiteral("broken.xml"));
    QFile b(broken);
    QVERIFY(b.open(QIODevice::WriteOnly));
    b.write("<Machine>\n<Protocol max-read=\"200\"/>\n</Machine>\n");
    b.close();
    m_answer->file = broken;
    open->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!m_answer->boxes.isEmpty(), 5000);
    QVERIFY2(m_answer->boxes.first().text.startsWith(broken + QStringLiteral(":2: ")),
             qPrintable(m_answer->boxes.first().text));
    QCOMPARE(core->get_machine()->get_parameters().first(), first);
    QVERIFY(core->get_setting_value(key).toString().isEmpty());

    // One that can: the model comes from it at once, its start list is read,
    // the drive's own register numbers stand beside the codes, and the next
    // connection to this version builds it again.
    const QString chosen = m_dir.filePath(QStringLiteral("chosen.xml"));
    QFile c(chosen);
    QVERIFY(c.open(QIODevice::WriteOnly));
    c.write(QStringLiteral("<Machine name=\"chosen\">\n<Protocol address-base=\"1\"/>\n"
                           "<Group name=\"X\">\n<Param code=\"X-00\" address=\"%1\" start=\"1\"/>\n"
                           "</Group>\n</Machine>\n").arg(address).toUtf8());
    c.close();
    m_answer->boxes.clear();
    m_answer->file = chosen;
    open->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(core->get_machine() ? core->get_machine()->get_name() : QString(),
                              QStringLiteral("chosen"), 5000);
    QVERIFY(m_answer->boxes.isEmpty());
    QCOMPARE(core->get_setting_value(key).toString(), QFileInfo(chosen).absoluteFilePath());
    QMachineValue *x = core->get_machine()->get_value(QStringLiteral("X-00"));
    QVERIFY(x);
    QTRY_VERIFY_WITH_TIMEOUT(x->has_value(), 5000);
    QCOMPARE(x->get_base_value(), reg(address));
    show_group(0);
    QVERIFY(m_params->topLevelItem(0));
    QCOMPARE(m_params->topLevelItem(0)->text(0), QStringLiteral("X-00 (%1)").arg(address + 1));

    core->serial_disconnect();
    QVERIFY(!core->get_machine() || core->get_machine()->get_name() == QStringLiteral("chosen"));
    tagSerialConfig config;
    config.port_name = m_sim.device();
    QVERIFY(core->serial_connect(config));
    QTRY_VERIFY_WITH_TIMEOUT(core->get_machine() && core->get_machine()->get_value(QStringLiteral("X-00"))
                                 && core->get_machine()->get_value(QStringLiteral("X-00"))->has_value(),
                             10000);
    core->set_setting_value(key, QString());
}
