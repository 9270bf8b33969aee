#include "testenv.h"

#include <workbench/qcommunicatedialog.h>
#include <workbench/qgroupmissionprogressdialog.h>
#include <core/dialogs/qfilechooser.h>
#include <workbench/qlogdialog.h>
#include <workbench/qlogtreewidget.h>

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QSpinBox>
#include <QTreeWidget>

Q_DECLARE_METATYPE(QMessageBox::Icon)

// The settings, progress and log dialogs of the workbench.
class tst_Dialogs : public QObject
{
    Q_OBJECT

private:
    QSoftCore *core() { return QSoftCore::get_core(); }
    QMissionManager *manager() { return core()->get_communicate()->mission_manager(); }
    QByteArray read_file(const QString &path);
    QByteArray expected_log_file();

    QWidget m_parent;

private slots:
    void initTestCase();
    void init();

    void settings_shown_and_returned_data();
    void settings_shown_and_returned();
    void settings_cancel_keeps_nothing();

    void progress_arithmetic();
    void progress_without_group_is_ignored();
    void group_end_outcomes_data();
    void group_end_outcomes();
    void deleted_while_running_reports_once_data();
    void deleted_while_running_reports_once();

    void log_time_format_data();
    void log_time_format();
    void log_list();
    void log_saved_byte_for_byte();
    void log_save_empty_log();
    void log_save_cancelled_closes();
    void log_save_failure_warns_and_stays_open();
};

QByteArray tst_Dialogs::read_file(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The saved form written out independently: time, message, 48 dashes.
QByteArray tst_Dialogs::expected_log_file()
{
    QByteArray bytes;
    for (const tagErrLog &log : core()->getErrlogs()) {
        bytes += QStringLiteral("时间：%1\r\n信息内容:%2\r\n")
                     .arg(log.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), log.text)
                     .toUtf8();
        bytes += QByteArray(48, '-') + "\r\n\r\n";
    }
    return bytes;
}

void tst_Dialogs::initTestCase()
{
    QVERIFY(TestEnv::prepare());
    m_parent.resize(400, 300);
}

void tst_Dialogs::init()
{
    core()->clearErrLog();
    core()->m_show_err_log = false;
    QFileChooser::set_answerer(nullptr);
}

void tst_Dialogs::settings_shown_and_returned_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<char>("parity");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("portName");
    // What the editors show...
    QTest::addColumn<QString>("rateText");
    QTest::addColumn<QString>("parityText");
    QTest::addColumn<QString>("stopText");
    QTest::addColumn<QString>("dataText");
    QTest::addColumn<int>("portShown");
    // ...and what OK returns.
    QTest::addColumn<int>("baudOut");
    QTest::addColumn<char>("parityOut");

    QTest::newRow("all fields") << 38400 << 'o' << 2 << 7 << 3 << QString()
                                << QStringLiteral("38400") << QStringLiteral("奇校验")
                                << QStringLiteral("2") << QStringLiteral("7") << 3 << 38400 << 'o';
    QTest::newRow("even parity") << 115200 << 'e' << 1 << 8 << 1 << QString()
                                 << QStringLiteral("115200") << QStringLiteral("偶校验")
                                 << QStringLiteral("1") << QStringLiteral("8") << 1 << 115200 << 'e';
    QTest::newRow("baud not listed") << 12345 << 'n' << 1 << 8 << 1 << QString() << QString()
                                     << QStringLiteral("无校验") << QStringLiteral("1")
                                     << QStringLiteral("8") << 1 << 0 << 'n';
    QTest::newRow("port 0 clamps to 1") << 9600 << 'n' << 1 << 8 << 0 << QString()
                                        << QStringLiteral("9600") << QStringLiteral("无校验")
                                        << QStringLiteral("1") << QStringLiteral("8") << 1 << 9600 << 'n';
    QTest::newRow("port 150 clamps to 99") << 4800 << 'n' << 1 << 8 << 150 << QString()
                                           << QStringLiteral("4800") << QStringLiteral("无校验")
                                           << QStringLiteral("1") << QStringLiteral("8") << 99 << 4800
                                           << 'n';
    QTest::newRow("parity x") << 19200 << 'x' << 1 << 8 << 2 << QString()
                              << QStringLiteral("19200") << QStringLiteral("无校验")
                              << QStringLiteral("1") << QStringLiteral("8") << 2 << 19200 << 'n';
    QTest::newRow("device by name") << 19200 << 'n' << 1 << 8 << 1
                                    << QStringLiteral("/dev/pts/77") << QStringLiteral("19200")
                                    << QStringLiteral("无校验") << QStringLiteral("1")
                                    << QStringLiteral("8") << 1 << 19200 << 'n';
    QTest::newRow("drive behind a gateway") << 19200 << 'n' << 1 << 8 << 1
                                            << QStringLiteral("tcp://127.0.0.1:1502") << QStringLiteral("19200")
                                            << QStringLiteral("无校验") << QStringLiteral("1")
                                            << QStringLiteral("8") << 1 << 19200 << 'n';
}

void tst_Dialogs::settings_shown_and_returned()
{
    QFETCH(int, baud);
    QFETCH(char, parity);
    QFETCH(int, stop);
    QFETCH(int, data);
    QFETCH(int, port);
    QFETCH(QString, portName);

    tagSerialConfig in;
    in.baud_rate = baud;
    in.parity = parity;
    in.stop = stop;
    in.data_length = data;
    in.serial_number = port;
    in.port_name = portName;
    QCommunicateDialog dialog(in, &m_parent);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("串口通信"));
    QVERIFY(dialog.property("no-ManhattanStyle").toBool());

    auto *rate = dialog.findChild<QComboBox *>(QStringLiteral("rate"));
    auto *parityBox = dialog.findChild<QComboBox *>(QStringLiteral("parity"));
    auto *stopBox = dialog.findChild<QComboBox *>(QStringLiteral("stop"));
    auto *dataBox = dialog.findChild<QComboBox *>(QStringLiteral("data_length"));
    auto *portBox = dialog.findChild<QSpinBox *>(QStringLiteral("serial_nummber"));
    auto *nameBox = dialog.findChild<QComboBox *>(QStringLiteral("port_name"));
    QVERIFY(rate && parityBox && stopBox && dataBox && portBox && nameBox);
    QVERIFY(nameBox->isEditable());
    QCOMPARE(nameBox->itemText(0), QString());

    QTEST(rate->currentText(), "rateText");
    QTEST(parityBox->currentText(), "parityText");
    QTEST(stopBox->currentText(), "stopText");
    QTEST(dataBox->currentText(), "dataText");
    QTEST(portBox->value(), "portShown");
    QCOMPARE(nameBox->currentText(), portName);

    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("okBtn"))->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.get_ret(), 1);
    const tagSerialConfig out = dialog.get_config();
    QTEST(out.baud_rate, "baudOut");
    QTEST(out.parity, "parityOut");
    QCOMPARE(out.stop, stop);
    QCOMPARE(out.data_length, data);
    QTEST(out.serial_number, "portShown");
    QCOMPARE(out.port_name, portName);
}

void tst_Dialogs::settings_cancel_keeps_nothing()
{
    tagSerialConfig in;
    in.baud_rate = 9600;
    for (const QString &how : {QStringLiteral("cancel"), QStringLiteral("close")}) {
        QCommunicateDialog dialog(in, &m_parent);
        dialog.show();
        dialog.findChild<QComboBox *>(QStringLiteral("rate"))->setCurrentIndex(4);
        if (how == QLatin1String("cancel"))
            dialog.findChild<QPushButton *>(QStringLiteral("cancelBtn"))->click();
        else
            dialog.close();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.get_ret(), 0);
        QCOMPARE(dialog.get_config().baud_rate, 9600);
    }
}

void tst_Dialogs::progress_arithmetic()
{
    QVERIFY(TestEnv::set_group_name(QString()));
    QGroupMissionProgressDialog dialog(&m_parent);
    QVERIFY(!dialog.isVisible());
    auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    auto *label = dialog.findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(bar && label);

    QSignalSpy done(core(), &QSoftCore::mission_group_done);
    bool ran = false;
    // Runs inside the dialog's modal loop.
    TestEnv::when_visible(&dialog, [&] {
        // Never leave the modal loop running, whatever fails below.
        QTimer::singleShot(5000, &dialog, &QDialog::close);
        ran = true;
        QVERIFY(dialog.isVisible());
        QCOMPARE(label->text(), QStringLiteral("0.0%"));
        emit manager()->mission_group_progress(4);
        QTRY_COMPARE(bar->value(), 42);
        QCOMPARE(label->text(), QStringLiteral("42.9%"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("42.9%"));
        emit manager()->mission_group_progress(0);
        QTRY_COMPARE(bar->value(), 100);
        QCOMPARE(label->text(), QStringLiteral("100.0%"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("100.0%"));
        // The whole text fits, percent sign included.
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        emit manager()->mission_group_end(true);
    });
    emit manager()->mission_group_start(7);
    QTRY_VERIFY(ran);
    QTRY_COMPARE(done.count(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(done.first().first().toBool(), true);

    // A second group starts from zero.
    ran = false;
    TestEnv::when_visible(&dialog, [&] {
        ran = true;
        QCOMPARE(bar->value(), 0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("0.0%"));
        emit manager()->mission_group_end(false);
    });
    emit manager()->mission_group_start(3);
    QTRY_COMPARE(done.count(), 2);
    QVERIFY(ran);
}

void tst_Dialogs::progress_without_group_is_ignored()
{
    QGroupMissionProgressDialog dialog(&m_parent);
    auto *bar = dialog.findChild<QProgressBar *>(QStringLiteral("progressBar"));
    emit manager()->mission_group_progress(3);
    QTest::qWait(50);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("0.0%"));
}

void tst_Dialogs::group_end_outcomes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("success");
    QTest::addColumn<bool>("showLog");
    QTest::addColumn<bool>("logEntries");
    QTest::addColumn<int>("boxes");          // information boxes
    QTest::addColumn<bool>("logDialog");
    QTest::addColumn<int>("done");           // -1 none, else the flag
    QTest::addColumn<int>("updates");
    QTest::addColumn<bool>("showLogAfter");

    const QString name = QStringLiteral("参数读取");
    QTest::newRow("unnamed success") << QString() << true << false << false << 0 << false << 1 << 0 << false;
    QTest::newRow("unnamed failure keeps the flag")
        << QString() << false << true << true << 0 << false << 0 << 0 << true;
    QTest::newRow("named success") << name << true << false << false << 1 << false << -1 << 1 << false;
    QTest::newRow("named success, flag, empty log")
        << name << true << true << false << 1 << false << -1 << 1 << true;
    QTest::newRow("named success, flag, log") << name << true << true << true << 0 << true << -1 << 0
                                              << false;
    QTest::newRow("named failure, flag, empty log")
        << name << false << true << false << 0 << true << -1 << 0 << false;
    // A failure is said (with the first failed read, when there was one).
    QTest::newRow("named failure") << name << false << false << true << 1 << false << -1 << 0 << false;
}

void tst_Dialogs::group_end_outcomes()
{
    QFETCH(QString, name);
    QFETCH(bool, success);
    QFETCH(bool, showLog);
    QFETCH(bool, logEntries);
    QFETCH(int, boxes);
    QFETCH(bool, logDialog);
    QFETCH(int, done);
    QFETCH(int, updates);
    QFETCH(bool, showLogAfter);

    QVERIFY(TestEnv::set_group_name(name));
    if (logEntries)
        TestEnv::add_error_log(0xF001, 256);
    core()->m_show_err_log = showLog;

    QGroupMissionProgressDialog dialog(&m_parent);
    QSignalSpy doneSpy(core(), &QSoftCore::mission_group_done);
    QSignalSpy updateSpy(core(), &QSoftCore::updateAlLFilish);
    TestEnv::ModalCatcher catcher({QStringLiteral("QLogDialog")});

    bool ended = false;
    TestEnv::when_visible(&dialog, [&] {
        emit manager()->mission_group_end(success);
        ended = true;
    });
    emit manager()->mission_group_start(2);
    QTRY_VERIFY(ended);
    QTest::qWait(150);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(catcher.boxes.size(), boxes);
    if (boxes && !success) {
        QCOMPARE(catcher.boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(catcher.boxes.first().text, name + QStringLiteral("失败！"));
    } else if (boxes) {
        // A success reads as one: the information icon.
        QCOMPARE(catcher.boxes.first().icon, QMessageBox::Information);
        QCOMPARE(catcher.boxes.first().title, QStringLiteral("提示"));
        QCOMPARE(catcher.boxes.first().text, name + QStringLiteral("成功"));
    }
    QCOMPARE(catcher.dialogs.size(), logDialog ? 1 : 0);
    QCOMPARE(doneSpy.count(), done < 0 ? 0 : 1);
    if (done >= 0)
        QCOMPARE(doneSpy.first().first().toBool(), done == 1);
    QCOMPARE(updateSpy.count(), updates);
    QCOMPARE(core()->m_show_err_log, showLogAfter);
}

void tst_Dialogs::deleted_while_running_reports_once_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("named") << QStringLiteral("参数下载");
    QTest::newRow("unnamed") << QString();
}

void tst_Dialogs::deleted_while_running_reports_once()
{
    QFETCH(QString, name);
    QVERIFY(TestEnv::set_group_name(name));
    // Would make a second report show the log dialog.
    core()->m_show_err_log = true;

    QPointer<QGroupMissionProgressDialog> dialog = new QGroupMissionProgressDialog(&m_parent);
    QSignalSpy doneSpy(core(), &QSoftCore::mission_group_done);
    TestEnv::ModalCatcher catcher({QStringLiteral("QLogDialog")});

    bool deleted = false;
    bool wasVisible = false;
    TestEnv::when_visible(dialog, [&] {
        wasVisible = dialog->isVisible();
        // The link went down: the manager's end is queued, then the window
        // deletes the dialog while it sits in its modal loop.
        emit manager()->mission_group_end(false);
        delete dialog.data();
        deleted = true;
    });
    emit manager()->mission_group_start(5);
    QTRY_VERIFY(deleted);
    QTest::qWait(150);

    QVERIFY(wasVisible);
    QVERIFY(dialog.isNull());
    QCOMPARE(catcher.dialogs, QStringList());
    if (name.isEmpty()) {
        QCOMPARE(catcher.boxes.size(), 0);
        QCOMPARE(doneSpy.count(), 1);
        QCOMPARE(doneSpy.first().first().toBool(), false);
    } else {
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes.first().icon, QMessageBox::Warning);
        QCOMPARE(catcher.boxes.first().title, QStringLiteral("警告"));
        QCOMPARE(catcher.boxes.first().text, name + QStringLiteral("失败！"));
        QCOMPARE(doneSpy.count(), 0);
    }
    QVERIFY(core()->m_show_err_log);
}

void tst_Dialogs::log_time_format_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("padding") << QDateTime(QDate(2024, 2, 1), QTime(9, 5, 3, 7))
                             << QStringLiteral("2024-02-01 09:05:03.007");
    QTest::newRow("no padding") << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59, 999))
                                << QStringLiteral("2024-12-31 23:59:59.999");
}

void tst_Dialogs::log_time_format()
{
    QFETCH(QDateTime, time);
    QTEST(QLogTreeWidget::format_time(time), "text");
}

void tst_Dialogs::log_list()
{
    TestEnv::add_error_log(0xF000, 2);
    TestEnv::add_error_log(0xF001, 256);
    TestEnv::add_error_log(0xF002, 258);
    const QList<tagErrLog> logs = core()->getErrlogs();
    QCOMPARE(logs.size(), 3);

    QLogDialog dialog;
    QCOMPARE(dialog.size(), QSize(680, 352));
    auto *tree = dialog.findChild<QTreeWidget *>();
    QVERIFY(tree);
    QCOMPARE(tree->height(), 352 - 35);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("序号"));
    QCOMPARE(tree->headerItem()->text(1), QStringLiteral("时间"));
    QCOMPARE(tree->headerItem()->text(2), QStringLiteral("信息"));
    QCOMPARE(tree->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem *item = tree->topLevelItem(i);
        QCOMPARE(item->text(0), QString::number(i + 1));
        const QString stamp = logs.at(i).time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QCOMPARE(item->text(1), stamp);
        QCOMPARE(item->toolTip(1), stamp);
        QCOMPARE(item->text(2), logs.at(i).text);
        // The message, then what its code means.
        const QString meanings[] = { QStringLiteral("错误代码 2：非法数据地址"), QStringLiteral("错误代码 256：无应答"),
                                     QStringLiteral("错误代码 258：通信中断") };
        QCOMPARE(item->toolTip(2), logs.at(i).text + QLatin1Char('\n') + meanings[i]);
    }
    QCOMPARE(tree->currentItem(), tree->topLevelItem(2));
    QCOMPARE(tree->columnWidth(1), 170);
}

void tst_Dialogs::log_saved_byte_for_byte()
{
    TestEnv::add_error_log(0xF000, 2);
    TestEnv::add_error_log(0x1001, 257);
    const QString path = TestEnv::temp_dir().filePath(QStringLiteral("log.txt"));
    {
        // A longer file before: nothing of it may remain.
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(10000, 'x'));
    }
    QFileChooser::set_answerer([path](QWidget *, QFileChooser::Mode, const QString &, const QString &) { return path; });

    QLogDialog dialog;
    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("btn_save"))->click();
    QVERIFY(!dialog.isVisible());

    const QByteArray bytes = read_file(path);
    QCOMPARE(bytes, expected_log_file());
    QVERIFY(bytes.startsWith("\xe6\x97\xb6\xe9\x97\xb4\xef\xbc\x9a")); // "时间：" in UTF-8, no BOM
    QCOMPARE(bytes.count("\r\n"), 8);
}

void tst_Dialogs::log_save_empty_log()
{
    const QString path = TestEnv::temp_dir().filePath(QStringLiteral("empty.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old text");
    }
    QFileChooser::set_answerer([path](QWidget *, QFileChooser::Mode, const QString &, const QString &) { return path; });
    QLogDialog dialog;
    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("btn_save"))->click();
    QVERIFY(!dialog.isVisible());
    QVERIFY(QFile::exists(path));
    QCOMPARE(read_file(path), QByteArray());
}

void tst_Dialogs::log_save_cancelled_closes()
{
    TestEnv::add_error_log(0xF000, 2);
    QFileChooser::set_answerer([](QWidget *, QFileChooser::Mode, const QString &, const QString &) { return QString(); });
    QLogDialog dialog;
    dialog.show();
    TestEnv::ModalCatcher catcher;
    dialog.findChild<QPushButton *>(QStringLiteral("btn_save"))->click();
    QVERIFY(!dialog.isVisible());
    QTest::qWait(50);
    QCOMPARE(catcher.boxes.size(), 0);
}

void tst_Dialogs::log_save_failure_warns_and_stays_open()
{
    TestEnv::add_error_log(0xF000, 2);
    const QString path = TestEnv::temp_dir().filePath(QStringLiteral("no-such-dir/log.txt"));
    QFileChooser::set_answerer([path](QWidget *, QFileChooser::Mode, const QString &, const QString &) { return path; });
    QLogDialog dialog;
    dialog.show();
    TestEnv::ModalCatcher catcher;
    dialog.findChild<QPushButton *>(QStringLiteral("btn_save"))->click();

    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(catcher.boxes.first().title, QStringLiteral("警告"));
    QVERIFY2(catcher.boxes.first().text.contains(QDir::toNativeSeparators(path)),
             qPrintable(catcher.boxes.first().text));
    QVERIFY(dialog.isVisible());
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"
