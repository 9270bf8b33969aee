// The whole program against the simulated drive, the way an operator uses it:
// the main window with the page plug-in loaded from a plug-in list, connected
// through the menu, values edited in the table, a backup uploaded to a CSV
// file, a changed file downloaded, everything refreshed, the adapter pulled
// in the middle of a download, and a new connection afterwards. The slots
// run in order and each one starts where the previous one left the program.
// Pictures of the main states are saved for review on the way.

#include "drivesim.h"

#include <workbench/navigation/fancytabwidget.h>
#include <workbench/mainwindow.h>
#include <workbench/qgroupmissionprogressdialog.h>
#include <workbench/qlogdialog.h>

#include <core/plugin/pluginloader.h>
#include <core/dialogs/qfilechooser.h>
#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>
#include <core/plugin/qmenuactionmap.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QTextCodec>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <utility>

namespace {

const QString kMachine = QStringLiteral(TEST_SOURCE_DIR "/machines/default.xml");
const QString kDownloadGroup = QStringLiteral("下载功能参数");
const QString kRefreshGroup = QStringLiteral("刷新全部功能码");

QString picture_path(const QString &name)
{
    QDir().mkpath(QStringLiteral(PICTURE_DIR));
    return QDir(QStringLiteral(PICTURE_DIR)).filePath(name);
}

// A window grabbed with the dialogs shown over it, as the operator sees
// them (the offscreen platform has no compositor to do it).
QPixmap grab_with(QWidget *window, const QList<QWidget *> &dialogs)
{
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    for (QWidget *dialog : dialogs) {
        const QPoint at = dialog->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
        painter.drawPixmap(at, dialog->grab());
    }
    return picture;
}

// Answers what the program asks while a slot runs: a file dialog gets the
// file the test set (typed, as an operator would), a context menu gets the
// entry the test named, message boxes and log dialogs are recorded and
// closed. Runs from a timer, so it also works inside the modal loops of the
// progress dialog and of the boxes.
class Operator : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QString informative;
    };

    explicit Operator(QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &Operator::poll);
        m_timer.start();
        // The operator answers every question for a file: the path set in
        // `file` once, then cancel.
        QFileChooser::set_answerer(
            [this](QWidget *, QFileChooser::Mode, const QString &caption, const QString &) {
                file_dialogs << caption;
                return std::exchange(file, QString());
            });
    }
    ~Operator() override { QFileChooser::set_answerer(nullptr); }

    void reset()
    {
        file.clear();
        menu_entry.clear();
        boxes.clear();
        previews.clear();
        file_dialogs.clear();
        log_dialogs = 0;
        progress_seen = 0;
        leave_log_dialogs = false;
        notices.clear();
        on_progress = nullptr;
    }

    QMainWindow *window = nullptr;
    QString file;
    QString menu_entry;
    // Saves the window with the progress dialog over it once the group is
    // under way (at least this share done), then clears it.
    QString progress_picture;
    int progress_picture_at = 20;
    // Log dialogs the test opens itself stay up.
    bool leave_log_dialogs = false;

    QList<Box> boxes;
    QStringList file_dialogs;

    QByteArray box_texts() const
    {
        QStringList texts;
        for (const Box &box : boxes)
            texts << box.title + QLatin1Char(':') + box.text;
        return texts.join(QStringLiteral(" | ")).toUtf8();
    }
    int log_dialogs = 0;
    int progress_seen = 0;
    QStringList previews; // the targets named by the previews before downloads
    QStringList notices;  // the window's word that the link went away
    // Run once, from the operator's timer, when a progress dialog is up
    // (inside its modal loop).
    std::function<void()> on_progress;
    bool preview_pictured = false;

private:
    void poll()
    {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            answer_menu(menu);
            return;
        }
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (!widget->isVisible())
                continue;
            if (auto *preview = qobject_cast<QDialog *>(widget);
                preview && preview->objectName() == QLatin1String("downloadPreview")) {
                // The preview before a download is answered with 下载所选 as
                // it stands and kept apart from the boxes that report what
                // happened.
                previews << preview->findChild<QLabel *>(QStringLiteral("compareTarget"))->text();
                if (window && !preview_pictured) {
                    preview_pictured = true;
                    grab_with(window, {preview}).save(picture_path(QStringLiteral("download-preview.png")));
                }
                preview->findChild<QPushButton *>(QStringLiteral("compareDownload"))->click();
                continue;
            }
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                if (box->objectName() == QLatin1String("linkLostNotice")) {
                    notices << box->text();
                    box->done(QMessageBox::Ok);
                    continue;
                }
                boxes.append({box->icon(), box->windowTitle(), box->text(), box->informativeText()});
                box->done(QMessageBox::Ok);
            } else if (auto *log = qobject_cast<QLogDialog *>(widget)) {
                if (leave_log_dialogs)
                    continue;
                ++log_dialogs;
                log->close();
            } else if (auto *progress = qobject_cast<QGroupMissionProgressDialog *>(widget)) {
                ++progress_seen;
                take_progress_picture(progress);
                if (on_progress)
                    std::exchange(on_progress, nullptr)();
            }
        }
    }

    void answer_menu(QMenu *menu)
    {
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (!menu_entry.isEmpty() && action->text() == menu_entry) {
                menu_entry.clear();
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        }
        menu->close();
    }

    void take_progress_picture(QGroupMissionProgressDialog *progress)
    {
        auto *bar = progress->findChild<QProgressBar *>(QStringLiteral("progressBar"));
        if (progress_picture.isEmpty() || !window || !bar || bar->value() < progress_picture_at)
            return;
        grab_with(window, {progress}).save(progress_picture);
        progress_picture.clear();
    }

    QTimer m_timer;
};

// The drive as the test run asks for it: on a pseudo-terminal, or behind
// Ethernet when E2E_LINK says tcp (Modbus TCP) or rtutcp (a serial device
// server); the port name the program is given changes with it.
QStringList sim_arguments()
{
    QStringList args{QStringLiteral("--machine"), kMachine};
    const QByteArray kind = qgetenv("E2E_LINK");
    if (kind == "tcp")
        args << QStringLiteral("--tcp") << QStringLiteral("0");
    else if (kind == "rtutcp")
        args << QStringLiteral("--rtu-tcp") << QStringLiteral("0");
    return args;
}

// Register words a raw CSV value stands for: low word first.
QList<int> words_of(qint64 raw, int length)
{
    const quint32 bits = quint32(qint32(raw));
    if (length == 2)
        return {int(bits & 0xFFFF), int(bits >> 16)};
    return {int(bits & 0xFFFF)};
}

} // namespace

class tst_WorkbenchE2E : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void startsOffline();
    void connectsThroughTheMenu();
    void editsValuesInTheTable();
    void uploadsEveryParameterToCsv();
    void downloadsAChangedFile();
    void refreshesAllGroups();
    void survivesAHangupDuringDownload();
    void showsAndSavesTheErrorLog();
    void reconnectsAndCarriesOn();
    void survivesAHangupDuringUpload();

private:
    QSoftCore *core() const { return QSoftCore::get_core(); }
    QMissionManager *manager() const { return core()->get_communicate()->mission_manager(); }
    QAction *menu_action(const QString &key) const
    {
        tagActionInfo *info = core()->get_menu_action_map()->get_action(key);
        return info ? info->action : nullptr;
    }
    QMachineValue *value_of(const QString &code) const
    {
        QMachine *machine = core()->get_machine();
        return machine ? machine->get_value(code) : nullptr;
    }
    QTreeWidgetItem *row(const QString &code) const
    {
        return m_params->findItems(code, Qt::MatchExactly, 0).value(0);
    }
    QString link_text() const
    {
        return m_window->tab_widget()->findChild<QLabel *>(QStringLiteral("linkText"))->text();
    }

    bool connect_through_menu();
    bool show_group(const QString &name);
    QWidget *click_value_cell(const QString &code);
    QString write_csv(const QString &name, const QCSVFile &table);
    QCSVFile read_csv(const QString &path);
    void compare_registers(const QCSVFile &table);
    void verify_offline_and_idle();

    QTemporaryDir m_dir;
    DriveSim m_sim;
    MainWindow *m_window = nullptr;
    Operator *m_operator = nullptr;
    QTreeWidget *m_groups = nullptr;
    QTreeWidget *m_params = nullptr;
    QAction *m_upload = nullptr;
    QAction *m_download = nullptr;
    QAction *m_connect = nullptr;
    QAction *m_disconnect = nullptr;
    QString m_backup;  // the uploaded file
    QString m_changed; // the backup with some values changed
};

void tst_WorkbenchE2E::initTestCase()
{
    QVERIFY(QLocalCodec::install());
    QVERIFY(m_dir.isValid());
    QSettingManager::set_default_file(m_dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(QStringLiteral(TEST_SOURCE_DIR "/machines"));

    // The list names the plug-in directory relative to the program, as the
    // program's own list does; for a test the program directory is tests/bin.
    const QString relative = QDir(QCoreApplication::applicationDirPath())
                                 .relativeFilePath(QStringLiteral(TEST_APP_DIR "/plugins"));
    const QString list = m_dir.filePath(QStringLiteral("plugins.xml"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QLocalCodec::encode(
        QStringLiteral("<Plugin>\n  <Item path=\"%1\"/>\n</Plugin>\n").arg(relative)));
    file.close();
    PluginLoader::load_plugin(list);
    QVERIFY2(PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Parvex")),
             "the parameter page plug-in did not load");

    QVERIFY2(m_sim.start(sim_arguments()), qPrintable(m_sim.error_string()));
    if (!qEnvironmentVariableIsEmpty("E2E_LINK"))
        QVERIFY(m_sim.device().startsWith(qEnvironmentVariable("E2E_LINK") + QStringLiteral("://")));

    m_operator = new Operator(this);
    m_window = new MainWindow;
    m_operator->window = m_window;
    m_window->resize(1100, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    m_groups = m_window->findChild<QTreeWidget *>(QStringLiteral("parvexGroupTree"));
    m_params = m_window->findChild<QTreeWidget *>(QStringLiteral("parvexParamTree"));
    m_upload = m_window->findChild<QAction *>(QStringLiteral("actionUpload"));
    m_download = m_window->findChild<QAction *>(QStringLiteral("actionDownload"));
    m_connect = menu_action(QStringLiteral("Menu.Communation.ConnectFast"));
    m_disconnect = menu_action(QStringLiteral("Menu.Communation.Disconnect"));
    QVERIFY(m_groups && m_params && m_upload && m_download && m_connect && m_disconnect);
}

void tst_WorkbenchE2E::cleanupTestCase()
{
    delete m_window;
    m_sim.stop();
}

void tst_WorkbenchE2E::init()
{
    m_operator->reset();
}

bool tst_WorkbenchE2E::connect_through_menu()
{
    // Only the port changes; the other settings are the program's defaults.
    core()->set_setting_value(QStringLiteral("Communicate.PortName"), m_sim.device());
    QSignalSpy online(core()->get_communicate(), &QCommunicate::online);
    m_connect->trigger();
    // Connected, the model built and the connect-time reads answered.
    return QTest::qWaitFor([&] {
        QMachineValue *start = value_of(QStringLiteral("F0-07"));
        return online.count() == 1 && start && start->has_value() && manager()->pending_count() == 0;
    }, 15000);
}

bool tst_WorkbenchE2E::show_group(const QString &name)
{
    for (int i = 0; i < m_groups->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_groups->topLevelItem(i);
        QWidget *widget = m_groups->itemWidget(item, 0);
        if (!widget || widget->toolTip() != name)
            continue;
        m_groups->scrollToItem(item);
        const QPoint at = m_groups->visualItemRect(item).center();
        QTest::mouseClick(m_groups->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(m_groups->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        return true;
    }
    return false;
}

QWidget *tst_WorkbenchE2E::click_value_cell(const QString &code)
{
    QTreeWidgetItem *item = row(code);
    if (!item)
        return nullptr;
    m_params->scrollToItem(item);
    const QRect cell = m_params->visualRect(m_params->indexFromItem(item, 2));
    QTest::mouseClick(m_params->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    const QList<QWidget *> children =
        m_params->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *w : children) {
        // Closed editors linger hidden until they are deleted.
        if ((qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)) && !w->isHidden())
            return w;
    }
    return nullptr;
}

QString tst_WorkbenchE2E::write_csv(const QString &name, const QCSVFile &table)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QLocalCodec::encode(table.save()));
    return path;
}

QCSVFile tst_WorkbenchE2E::read_csv(const QString &path)
{
    QCSVFile table;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        table.load(QLocalCodec::codec()->toUnicode(file.readAll()));
    return table;
}

// Every row of a parameter file against the drive's registers: the raw value
// of each parameter is in the register(s) at its address.
void tst_WorkbenchE2E::compare_registers(const QCSVFile &table)
{
    bool ok = false;
    const QMap<int, int> registers = m_sim.dump(&ok);
    QVERIFY2(ok, qPrintable(m_sim.error_string()));
    int compared = 0;
    for (int r = 1; r < table.size(); ++r) {
        const QString code = table.get_text(0, r).trimmed();
        if (code.isEmpty())
            continue;
        QMachineValue *value = value_of(code);
        QVERIFY2(value, qPrintable(code));
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        const int length = value->get_value_property(VALUE_LENGTH).toInt();
        const QList<int> expected = words_of(table.get_text(4, r).toLongLong(), length);
        for (int i = 0; i < expected.size(); ++i) {
            QVERIFY2(registers.value(address + i, -1) == expected.at(i),
                     qPrintable(QStringLiteral("%1 register %2: %3, file %4")
                                    .arg(code).arg(address + i)
                                    .arg(registers.value(address + i, -1)).arg(expected.at(i))));
        }
        ++compared;
    }
    QVERIFY(compared > 0);
}

void tst_WorkbenchE2E::verify_offline_and_idle()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_connect->isEnabled(), 10000);
    QVERIFY(!m_disconnect->isEnabled());
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(!m_download->isEnabled());
    QCOMPARE(link_text(), QStringLiteral("离线"));
    const QPixmap lamp = m_window->tab_widget()->findChild<QLabel *>(QStringLiteral("linkLamp"))->pixmap();
    QCOMPARE(lamp.toImage(), QPixmap(QStringLiteral(":/images/light_r.png")).toImage());
    // Nothing left running: no queue, no progress dialog, no modal loop.
    QTRY_COMPARE(manager()->pending_count(), 0);
    QVERIFY(!m_window->progress_dialog());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(core()->get_communicate()->serial_status() == 0, false);
}

// ---------------------------------------------------------------------------

void tst_WorkbenchE2E::startsOffline()
{
    QVERIFY(m_connect->isEnabled());
    QVERIFY(!m_disconnect->isEnabled());
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(!m_download->isEnabled());
    QCOMPARE(link_text(), QStringLiteral("离线"));
    // The page's history sits in the menu bar after the window's own menus.
    const QList<QAction *> menus = m_window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus.last()->text(), QStringLiteral("参数"));
    QCOMPARE(menus.last()->menu()->actions().value(0)->text(), QStringLiteral("历史记录"));
    // The default description is shown before any drive answered, values empty.
    QCOMPARE(m_groups->topLevelItemCount(), core()->get_machine()->get_groups().size());
    QVERIFY(m_groups->topLevelItemCount() > 1);
    QVERIFY(row(QStringLiteral("F0-07")));
    QCOMPARE(row(QStringLiteral("F0-07"))->text(2), QString());
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("offline.png"))));
    QVERIFY(m_operator->boxes.isEmpty());
}

void tst_WorkbenchE2E::connectsThroughTheMenu()
{
    QVERIFY(connect_through_menu());
    QCOMPARE(link_text(), QStringLiteral("在线"));
    QVERIFY(!m_connect->isEnabled());
    QVERIFY(m_disconnect->isEnabled());
    QVERIFY(m_upload->isEnabled());
    QVERIFY(m_download->isEnabled());
    QVERIFY(m_window->progress_dialog());

    // The connect-time reads show the drive's values: the defaults of the description.
    QCOMPARE(row(QStringLiteral("F0-07"))->text(2), QStringLiteral("50.00"));
    QCOMPARE(m_sim.get_one(0xF007), 5000);
    QCOMPARE(row(QStringLiteral("F0-01"))->text(2), QStringLiteral("键盘"));
    // A parameter outside the start list and away from it is not read yet.
    QVERIFY(!value_of(QStringLiteral("FE-00"))->has_value());

    // Another group in the table, as the operator picks it.
    QVERIFY(show_group(QStringLiteral("F1 电机参数组")));
    QTRY_VERIFY(row(QStringLiteral("F1-06")));
    QVERIFY(!row(QStringLiteral("F0-07")));
    QVERIFY(show_group(QStringLiteral("F0 基本功能组")));
    QTRY_VERIFY(row(QStringLiteral("F0-07")));
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("online.png"))));
    QVERIFY(m_operator->boxes.isEmpty());
    QVERIFY(core()->getErrlogs().isEmpty());
}

void tst_WorkbenchE2E::editsValuesInTheTable()
{
    // A decimal value with two places: written, read back, shown.
    auto *spin = qobject_cast<QDoubleSpinBox *>(click_value_cell(QStringLiteral("F0-07")));
    QVERIFY(spin);
    spin->setValue(35.5);
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("editor.png"))));
    QTest::keyClick(spin, Qt::Key_Return);
    QTRY_COMPARE(m_sim.get_one(0xF007), 3550);
    QTRY_COMPARE(row(QStringLiteral("F0-07"))->text(2), QStringLiteral("35.50"));

    // A choice, picked by its text.
    auto *combo = qobject_cast<QComboBox *>(click_value_cell(QStringLiteral("F0-01")));
    QVERIFY(combo);
    combo->setCurrentText(QStringLiteral("通讯"));
    QTest::keyClick(combo, Qt::Key_Return);
    QTRY_COMPARE(m_sim.get_one(0xF001), 2);
    QTRY_COMPARE(row(QStringLiteral("F0-01"))->text(2), QStringLiteral("通讯"));

    QVERIFY(m_operator->boxes.isEmpty());
    QVERIFY(core()->getErrlogs().isEmpty());
}

void tst_WorkbenchE2E::uploadsEveryParameterToCsv()
{
    // Values behind the program's back that only an upload reads: a negative
    // two-word value and a value of a group never shown.
    QVERIFY(m_sim.set(0xFD08, 0x1DC0)); // -123456
    QVERIFY(m_sim.set(0xFD09, 0xFFFE));
    QVERIFY(m_sim.set(0xF105, 1234));

    m_backup = m_dir.filePath(QStringLiteral("backup.csv"));
    m_operator->file = m_backup;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_backup), 20000);
    QCOMPARE(m_operator->file_dialogs, QStringList{QStringLiteral("保存")});
    QVERIFY(m_operator->boxes.isEmpty());
    QVERIFY(core()->getErrlogs().isEmpty());

    const QCSVFile table = read_csv(m_backup);
    QCOMPARE(table.get_text(0, 0), QStringLiteral("代码"));
    QCOMPARE(table.get_text(4, 0), QStringLiteral("原始值"));
    // One row for every parameter of every group, in the description's order.
    int parameters = 0;
    const QList<tagValueGroup *> groups = core()->get_machine()->get_groups();
    for (tagValueGroup *group : groups)
        parameters += group->m_values.size();
    int rows = 0;
    for (int r = 1; r < table.size(); ++r)
        rows += table.get_text(0, r).trimmed().isEmpty() ? 0 : 1;
    QCOMPARE(rows, parameters);
    QCOMPARE(table.get_text(0, 1), QStringLiteral("F0-00"));

    const auto raw_of = [&table](const QString &code) {
        for (int r = 1; r < table.size(); ++r) {
            if (table.get_text(0, r) == code)
                return table.get_text(4, r);
        }
        return QString();
    };
    QCOMPARE(raw_of(QStringLiteral("F0-07")), QStringLiteral("3550"));
    QCOMPARE(raw_of(QStringLiteral("F0-01")), QStringLiteral("2"));
    QCOMPARE(raw_of(QStringLiteral("FD-08")), QStringLiteral("-123456"));
    compare_registers(table);
}

void tst_WorkbenchE2E::downloadsAChangedFile()
{
    QVERIFY(!m_backup.isEmpty());
    QCSVFile table = read_csv(m_backup);
    QVERIFY(table.size() > 1);
    const QMap<QString, QString> changes = {
        {QStringLiteral("F0-05"), QStringLiteral("80")},
        {QStringLiteral("F0-16"), QStringLiteral("123")},
        {QStringLiteral("F1-05"), QStringLiteral("4321")},
        {QStringLiteral("FD-08"), QStringLiteral("1999999999")},
    };
    int changed = 0;
    for (int r = 1; r < table.size(); ++r) {
        const QString code = table.get_text(0, r);
        if (changes.contains(code)) {
            // Edited as the raw value alone: a 值 left as it was would
            // contradict it, and such a row is not written.
            table.set_text(4, r, changes.value(code));
            table.set_text(2, r, QString());
            ++changed;
        }
    }
    QCOMPARE(changed, changes.size());
    m_changed = write_csv(QStringLiteral("changed.csv"), table);
    QVERIFY(!m_changed.isEmpty());

    // The drive drifts from the backup; the download puts it back.
    QVERIFY(m_sim.set(0xF007, 1000));
    QVERIFY(m_sim.set(0xF001, 1));

    QSignalSpy ended(manager(), &QMissionManager::mission_group_end);
    m_operator->file = m_changed;
    m_download->trigger();
    // Two groups: the backup of the drive's values, then the writes with
    // their read-back; the page's box comes after both.
    QTRY_VERIFY2_WITH_TIMEOUT(m_operator->boxes.size() == 1, m_operator->box_texts().constData(), 20000);
    QCOMPARE(ended.count(), 2);
    QCOMPARE(ended.at(0).first().toBool(), true);
    QCOMPARE(ended.at(1).first().toBool(), true);
    // Shown once, naming the drive, before anything was written.
    QCOMPARE(m_operator->previews.size(), 1);
    QVERIFY2(m_operator->previews.first().contains(QStringLiteral("站号")), qPrintable(m_operator->previews.first()));
    QCOMPARE(m_operator->boxes.first().title, QStringLiteral("提示"));
    QCOMPARE(m_operator->boxes.first().text, kDownloadGroup + QStringLiteral("成功"));
    QCOMPARE(m_operator->log_dialogs, 0);
    QVERIFY(core()->getErrlogs().isEmpty());

    compare_registers(table);
    QCOMPARE(m_sim.get_one(0xF007), 3550);
    QCOMPARE(m_sim.get(0xFD08, 2), (QList<int>{1999999999 & 0xFFFF, 1999999999 >> 16}));
    // The table shows what was written.
    QTRY_COMPARE(row(QStringLiteral("F0-16"))->text(2), QStringLiteral("12.3"));
}

void tst_WorkbenchE2E::refreshesAllGroups()
{
    // Changed at the drive's keypad: only a refresh shows it.
    QVERIFY(m_sim.set(0xF010, 77));
    QVERIFY(m_sim.set(0xF105, 555));
    QCOMPARE(row(QStringLiteral("F0-16"))->text(2), QStringLiteral("12.3"));

    QSignalSpy ended(manager(), &QMissionManager::mission_group_end);
    m_operator->menu_entry = QStringLiteral("刷新全部");
    const QPoint at = m_groups->visualItemRect(m_groups->topLevelItem(0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_groups->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_groups->viewport(), &event);
    QVERIFY2(m_operator->menu_entry.isEmpty(), "the group list offered no refresh");

    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 20000);
    QCOMPARE(manager()->group_mission_name(), kRefreshGroup);
    QTRY_VERIFY2(m_operator->boxes.size() == 1, m_operator->box_texts().constData());
    QCOMPARE(m_operator->boxes.first().icon, QMessageBox::Information);
    QCOMPARE(m_operator->boxes.first().text, kRefreshGroup + QStringLiteral("成功"));
    QVERIFY(m_operator->progress_seen > 0);
    QCOMPARE(row(QStringLiteral("F0-16"))->text(2), QStringLiteral("7.7"));
    QCOMPARE(value_of(QStringLiteral("F1-05"))->get_base_value(), 555);
    QVERIFY(core()->getErrlogs().isEmpty());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    // Every parameter of the group now holds what the drive holds.
    QVERIFY(m_window->grab().save(picture_path(QStringLiteral("refreshed.png"))));
}

void tst_WorkbenchE2E::survivesAHangupDuringDownload()
{
    QVERIFY(!m_changed.isEmpty());
    // The drive holds the file already: moved away from it in every
    // parameter, so that the download writes the whole file again.
    const QCSVFile table = read_csv(m_changed);
    for (int r = 1; r < table.size(); ++r) {
        const QString code = table.get_text(0, r).trimmed();
        if (code.isEmpty())
            continue;
        QMachineValue *value = value_of(code);
        QVERIFY2(value, qPrintable(code));
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        QVERIFY(m_sim.set(address, (m_sim.get_one(address) + 1) & 0xFFFF));
    }
    // A real line's pace, so the adapter goes in the middle of the group,
    // with the progress dialog up.
    QVERIFY(m_sim.fault(QStringLiteral("baud"), QStringLiteral("19200")));
    QVERIFY(m_sim.fault(QStringLiteral("turnaround"), QStringLiteral("2")));
    QVERIFY(m_sim.fault(QStringLiteral("hangup-after"), QStringLiteral("150")));
    QSignalSpy offline(core()->get_communicate(), &QCommunicate::offline);

    m_operator->progress_picture = picture_path(QStringLiteral("progress.png"));
    m_operator->file = m_changed;
    m_download->trigger();

    verify_offline_and_idle();
    QCOMPARE(offline.count(), 1);
    QVERIFY(m_operator->progress_seen > 0);
    QVERIFY2(m_operator->progress_picture.isEmpty(), "the download ended before the picture");
    // Late reports must not bring a second message.
    QTest::qWait(500);
    QVERIFY2(m_operator->boxes.size() == 1, m_operator->box_texts().constData());
    QCOMPARE(m_operator->boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(m_operator->boxes.first().title, QStringLiteral("警告"));
    QCOMPARE(m_operator->boxes.first().text, kDownloadGroup + QStringLiteral("失败！"));
    // Which parameter was cut off, and why.
    QVERIFY2(m_operator->boxes.first().informative.contains(QStringLiteral("通信中断")),
             qPrintable(m_operator->boxes.first().informative));
    QCOMPARE(m_operator->notices.size(), 1);
    // The warning is the one message; the failed exchanges wait in the log.
    QCOMPARE(m_operator->log_dialogs, 0);
    // A download is not an upload: nothing may be saved.
    QCOMPARE(m_operator->file_dialogs, QStringList{QStringLiteral("打开")});

    // The exchanges that did not happen are in the error log.
    const QList<tagErrLog> logs = core()->getErrlogs();
    QVERIFY(!logs.isEmpty());
    for (const tagErrLog &log : logs)
        QVERIFY2(!log.text.isEmpty(), "an error log entry without text");

    // Nothing works without a link, and the operator is told.
    QVERIFY(!m_window->progress_dialog());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void tst_WorkbenchE2E::showsAndSavesTheErrorLog()
{
    const QList<tagErrLog> logs = core()->getErrlogs();
    QVERIFY(!logs.isEmpty());
    const QString saved = m_dir.filePath(QStringLiteral("errors.txt"));
    m_operator->file = saved;
    m_operator->leave_log_dialogs = true;

    QLogDialog dialog(nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.grab().save(picture_path(QStringLiteral("log.png"))));
    auto *save = dialog.findChild<QPushButton *>(QStringLiteral("btn_save"));
    QVERIFY(save);
    QTest::mouseClick(save, Qt::LeftButton);
    QTRY_VERIFY(!dialog.isVisible());
    QVERIFY(m_operator->boxes.isEmpty());

    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(text.count(QStringLiteral("时间：")), logs.size());
    QVERIFY(text.contains(logs.first().text));
}

void tst_WorkbenchE2E::reconnectsAndCarriesOn()
{
    // The adapter is back: a new line to a drive that lost its settings.
    m_sim.stop();
    QVERIFY2(m_sim.start(sim_arguments()), qPrintable(m_sim.error_string()));
    QCOMPARE(m_sim.get_one(0xF007), 5000);
    QVERIFY(connect_through_menu());
    QCOMPARE(link_text(), QStringLiteral("在线"));
    QVERIFY(m_download->isEnabled());
    QCOMPARE(row(QStringLiteral("F0-07"))->text(2), QStringLiteral("50.00"));

    QSignalSpy ended(manager(), &QMissionManager::mission_group_end);
    m_operator->file = m_changed;
    m_download->trigger();
    QTRY_VERIFY2_WITH_TIMEOUT(m_operator->boxes.size() == 1, m_operator->box_texts().constData(), 20000);
    QCOMPARE(ended.count(), 2);
    QCOMPARE(m_operator->boxes.first().text, kDownloadGroup + QStringLiteral("成功"));
    QVERIFY(core()->getErrlogs().isEmpty());
    compare_registers(read_csv(m_changed));

    // And off again through the menu, leaving nothing behind.
    m_disconnect->trigger();
    verify_offline_and_idle();
    QCOMPARE(m_operator->boxes.size(), 1);
}

void tst_WorkbenchE2E::survivesAHangupDuringUpload()
{
    QVERIFY(connect_through_menu());
    // A real line's pace, so the upload is still running when the adapter
    // is pulled, with the progress dialog up.
    QVERIFY(m_sim.fault(QStringLiteral("baud"), QStringLiteral("19200")));
    QVERIFY(m_sim.fault(QStringLiteral("turnaround"), QStringLiteral("2")));
    QSignalSpy offline(core()->get_communicate(), &QCommunicate::offline);
    bool pulled = false;
    m_operator->on_progress = [this, &pulled] { pulled = m_sim.hangup(); };
    m_upload->trigger();

    verify_offline_and_idle();
    QVERIFY(pulled);
    QCOMPARE(offline.count(), 1);
    // Late reports must not bring a second message, and nothing is saved.
    QTest::qWait(500);
    QVERIFY2(m_operator->boxes.size() == 1, m_operator->box_texts().constData());
    QCOMPARE(m_operator->boxes.first().text, QStringLiteral("上传参数失败！"));
    // The parameter, its address and the reason.
    const QString why = m_operator->boxes.first().informative;
    QVERIFY2(why.contains(QStringLiteral("（地址 0x"))
                 && (why.contains(QStringLiteral("通信中断")) || why.contains(QStringLiteral("无应答"))),
             qPrintable(why));
    QCOMPARE(m_operator->notices.size(), 1);
    QVERIFY(m_operator->file_dialogs.isEmpty());
    QVERIFY(!m_window->progress_dialog());
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets)
        QVERIFY2(!widget->isVisible() || widget == m_window, widget->metaObject()->className());
}

QTEST_MAIN(tst_WorkbenchE2E)
#include "tst_workbench_e2e.moc"
