// The parameter page plug-in, loaded as the workbench loads it (through
// plugins.xml) and driven through its widgets: the group tree, the editor
// factory, single edits, upload to and download from CSV files, against the
// simulated drive on a pseudo-terminal. The workbench's progress dialog is
// not here; the test reports the end of unnamed mission groups to the core
// the way that dialog does.

#include "drivesim.h"

#include "pluginloader.h"
#include "qabstractpage.h"
#include "qcsvfile.h"
#include "qlocalcodec.h"
#include "qsettingmanager.h"
#include "qsoftcore.h"

#include "qcommunicate.h"
#include "qmachine.h"
#include "qmachineconfig.h"
#include "qmachinevalue.h"
#include "qmissionmanager.h"
#include "tagserialconfig.h"
#include "tagvaluegroup.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

Q_DECLARE_METATYPE(tagValueGroup *)

namespace {

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

const QString kDriveDescription = QStringLiteral(TEST_DATA_DIR "/parvex-drive.xml");

// Answers the modal dialogs the page opens: a file dialog gets the file the
// test set (or is cancelled when none is set), a message box is recorded and
// closed with its first button.
class ModalAnswerer : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QString details; // informative and detailed text
    };

    explicit ModalAnswerer(QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        m_timer.start();
    }

    QString file;
    QList<Box> boxes;
    QStringList file_dialogs; // "caption|filter"

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            file_dialogs << dialog->windowTitle() + QLatin1Char('|') + dialog->nameFilters().join(QLatin1Char(';'));
            if (file.isEmpty()) {
                dialog->reject();
            } else {
                // Typed, as an operator would: the dialog's list fills in the
                // background, so a selection there would depend on timing.
                // The dialog's own accept() would walk into a directory or ask
                // before replacing a file; the page only needs the answer.
                auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                if (!name) {
                    dialog->reject();
                    return;
                }
                // The dialog turns a typed path into a name in its directory.
                dialog->setDirectory(QFileInfo(file).absolutePath());
                name->setText(QFileInfo(file).fileName());
                const auto views = dialog->findChildren<QAbstractItemView *>();
                for (QAbstractItemView *view : views) {
                    if (view->selectionModel())
                        view->selectionModel()->clearSelection();
                }
                dialog->QDialog::accept();
                file.clear();
            }
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxes.append({box->icon(), box->windowTitle(), box->text(),
                          box->informativeText() + QLatin1Char('\n') + box->detailedText()});
            box->done(QMessageBox::Ok);
        }
    }

    QTimer m_timer;
};

QString gbk_file(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(QLocalCodec::encode(text));
    return path;
}

// The machine value behind a code, for the expected texts.
QMachineValue *value_of(const QString &code)
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    return machine ? machine->get_value(code) : nullptr;
}

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

class tst_Parvex : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pluginEntry();
    void groupTreeMarksAndAnnounces();
    void groupWidgetIcon();
    void tableFollowsValuesOnce();
    void editorFactory_data();
    void editorFactory();
    void editorOnlyForWritableValueCell();
    void commandsFollowThePort();

    void editWritesAndReadsBack_data();
    void editWritesAndReadsBack();
    void editRefusedByDriveShowsDriveValue();
    void editNotWrittenIsReported();
    void uploadSavesEveryParameter();
    void uploadFailureSavesNothing();
    void saveFailureKeepsOldFileAndWarns();
    void downloadWritesRegisters();
    void downloadRoundTrip();
    void downloadBadFiles_data();
    void downloadBadFiles();
    void downloadCancelledKeepsLogRequest();

private:
    bool connect_drive(const QStringList &extra = QStringList());
    QTreeWidgetItem *row(const QString &code) const;
    QWidget *open_editor(const QString &code);
    void show_group(int index);
    int reg(int address);
    qint32 reg32(int address);
    bool wait_group_end(QSignalSpy &spy, int timeout_ms = 10000);

    QTemporaryDir m_dir;
    DriveSim m_sim;
    QAbstractPage *m_page = nullptr;
    QWidget *m_widget = nullptr;
    QTreeWidget *m_groups = nullptr;
    QTreeWidget *m_params = nullptr;
    QAction *m_upload = nullptr;
    QAction *m_download = nullptr;
    ModalAnswerer *m_answer = nullptr;
};

void tst_Parvex::initTestCase()
{
    qRegisterMetaType<tagValueGroup *>("tagValueGroup*");
    QVERIFY(QLocalCodec::install());
    QVERIFY(m_dir.isValid());
    QSettingManager::set_default_file(m_dir.filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(QStringLiteral(TEST_DATA_DIR "/parvex-machines"));

    // The list names the plug-in directory relative to the program, as the
    // workbench's own plugins.xml does.
    const QString relative = QDir(QCoreApplication::applicationDirPath())
                                 .relativeFilePath(QStringLiteral(TEST_APP_DIR "/plugins"));
    const QString list = gbk_file(m_dir.filePath(QStringLiteral("plugins.xml")),
                                  QStringLiteral("<Plugin>\n  <Item path=\"%1\"/>\n</Plugin>\n").arg(relative));
    QVERIFY(!list.isEmpty());
    PluginLoader::load_plugin(list);
    m_page = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Parvex")));
    QVERIFY2(m_page, "the parameter page plug-in did not load");
    m_widget = m_page->get_widget();
    QVERIFY(m_widget);
    m_groups = m_widget->findChild<QTreeWidget *>(QStringLiteral("parvexGroupTree"));
    m_params = m_widget->findChild<QTreeWidget *>(QStringLiteral("parvexParamTree"));
    m_upload = m_widget->findChild<QAction *>(QStringLiteral("actionUpload"));
    m_download = m_widget->findChild<QAction *>(QStringLiteral("actionDownload"));
    QVERIFY(m_groups && m_params && m_upload && m_download);

    // What the progress dialog does at the end of a group without a name.
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    connect(manager, &QMissionManager::mission_group_end, this, [manager](bool success) {
        if (manager->group_mission_name().isEmpty())
            QSoftCore::get_core()->emit_mission_group_done(success);
    }, Qt::QueuedConnection);

    m_answer = new ModalAnswerer(this);
}

void tst_Parvex::init()
{
    m_answer->boxes.clear();
    m_answer->file_dialogs.clear();
    m_answer->file.clear();
    QSoftCore::get_core()->clearErrLog();
}

void tst_Parvex::cleanup()
{
    QSoftCore::get_core()->serial_disconnect();
    m_sim.stop();
    QSoftCore::get_core()->clear_machine();
    m_widget->hide();
}

bool tst_Parvex::connect_drive(const QStringList &extra)
{
    if (!m_sim.start(QStringList{QStringLiteral("--machine"), kDriveDescription} + extra)) {
        qWarning("%s", qPrintable(m_sim.error_string()));
        return false;
    }
    tagSerialConfig config;
    config.port_name = m_sim.device();
    QSoftCore *core = QSoftCore::get_core();
    if (!core->serial_connect(config))
        return false;
    // The model is built when the drive answers; the start list is read then.
    const bool read = QTest::qWaitFor(
        [core] { return core->get_machine() && value_of(QStringLiteral("P0-00"))->has_value(); }, 10000);
    if (!read)
        return false;
    if (!m_download->isEnabled()) {
        qWarning("commands disabled although the port is open");
        return false;
    }
    m_widget->resize(1100, 520);
    m_widget->show();
    return true;
}

QTreeWidgetItem *tst_Parvex::row(const QString &code) const
{
    return m_params->findItems(code, Qt::MatchExactly, 0).value(0);
}

void tst_Parvex::show_group(int index)
{
    QTreeWidgetItem *item = m_groups->topLevelItem(index);
    QVERIFY(item);
    m_widget->resize(1100, 520);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget));
    const QPoint at = m_groups->visualItemRect(item).center();
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(m_groups->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(m_groups->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

QWidget *tst_Parvex::open_editor(const QString &code)
{
    QTreeWidgetItem *item = row(code);
    if (!item)
        return nullptr;
    m_params->editItem(item, 2);
    const QList<QWidget *> children =
        m_params->viewport()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *w : children) {
        // Closed editors linger hidden until they are deleted.
        if ((qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QComboBox *>(w)) && !w->isHidden())
            return w;
    }
    return nullptr;
}

int tst_Parvex::reg(int address)
{
    bool ok = false;
    const int v = m_sim.get_one(address, &ok);
    return ok ? v : -1;
}

qint32 tst_Parvex::reg32(int address)
{
    const QList<int> words = m_sim.get(address, 2);
    if (words.size() != 2)
        return 0x7fffffff;
    return qint32(quint32(words.at(0)) | (quint32(words.at(1)) << 16));
}

bool tst_Parvex::wait_group_end(QSignalSpy &spy, int timeout_ms)
{
    return QTest::qWaitFor([&] { return spy.count() > 0; }, timeout_ms);
}

// ---------------------------------------------------------------------------

void tst_Parvex::pluginEntry()
{
    QCOMPARE(m_page->get_plugin_type(), QStringLiteral("Plugin.Page"));
    QCOMPARE(m_page->get_page_title(), QStringLiteral("功能参数"));
    QCOMPARE(m_page->get_page_order(), 1);
    QVERIFY(!m_page->get_page_icon().isNull());
    QVERIFY(m_page->metaObject()->className() == QByteArray("QParvexPlugin"));

    // The library hands out one root object, the one the registry holds.
    QPluginLoader loader(QStringLiteral(TEST_APP_DIR "/plugins/libparvex.so"));
    QCOMPARE(loader.instance(), static_cast<QObject *>(m_page));
    QCOMPARE(loader.instance(), static_cast<QObject *>(m_page));

    // Built hidden at load time, commands off until a port is open; the
    // tool bar shows the plug-in's own images.
    QVERIFY(m_widget->isHidden());
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(!m_download->isEnabled());
    QCOMPARE(m_upload->text(), QStringLiteral("上传参数"));
    QCOMPARE(m_download->text(), QStringLiteral("下载参数"));
    QVERIFY(!m_upload->icon().isNull());
    QVERIFY(!m_download->icon().isNull());
    QVERIFY(m_params->headerItem());
    QStringList headers;
    for (int c = 0; c < m_params->columnCount(); ++c)
        headers << m_params->headerItem()->text(c);
    QCOMPARE(headers, (QStringList{QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("当前值"),
                                   QStringLiteral("默认值"), QStringLiteral("最小值"),
                                   QStringLiteral("最大值"), QStringLiteral("单位")}));
}

void tst_Parvex::groupTreeMarksAndAnnounces()
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

void tst_Parvex::groupWidgetIcon()
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

void tst_Parvex::tableFollowsValuesOnce()
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

void tst_Parvex::editorFactory_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");

    // code, scale, length in the comment; ranges are the width's, not the
    // parameter's (the drive judges the value).
    QTest::newRow("scale -10 length 1") << s("P1-00") << s("QDoubleSpinBox") << 1 << -3276.8 << 3276.7;
    QTest::newRow("scale 100 length 1") << s("P1-01") << s("QDoubleSpinBox") << 2 << 0.0 << 655.35;
    QTest::newRow("scale 1 length 2") << s("P1-02") << s("QSpinBox") << 0 << -99999999.0 << 99999999.0;
    QTest::newRow("scale 5 length 1") << s("P1-04") << s("QDoubleSpinBox") << 1 << 0.0 << 13107.0;
    QTest::newRow("scale 20 length 1") << s("P1-05") << s("QDoubleSpinBox") << 2 << 0.0 << 3276.75;
    QTest::newRow("choice") << s("P1-06") << s("QComboBox") << 0 << 0.0 << 0.0;
    QTest::newRow("scale -1 length 1") << s("P1-07") << s("QSpinBox") << 0 << -32768.0 << 32767.0;
    QTest::newRow("scale 1 length 1") << s("P1-08") << s("QSpinBox") << 0 << 0.0 << 65535.0;
    QTest::newRow("scale -1000 length 2") << s("P1-09") << s("QDoubleSpinBox") << 3 << -99999.999 << 99999.999;
}

void tst_Parvex::editorFactory()
{
    QFETCH(QString, code);
    QFETCH(QString, kind);
    QFETCH(int, decimals);
    QFETCH(double, minimum);
    QFETCH(double, maximum);

    QSoftCore::get_core()->new_machine();
    show_group(1);
    QWidget *editor = open_editor(code);
    QVERIFY(editor);
    QCOMPARE(QByteArray(editor->metaObject()->className()), kind.toLatin1());
    QCOMPARE(editor->property("no-ManhattanStyle").toBool(), true);
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(editor)) {
        QCOMPARE(spin->decimals(), decimals);
        QCOMPARE(spin->minimum(), minimum);
        QCOMPARE(spin->maximum(), maximum);
    } else if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        QCOMPARE(double(spin->minimum()), minimum);
        QCOMPARE(double(spin->maximum()), maximum);
    } else if (auto *combo = qobject_cast<QComboBox *>(editor)) {
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), QStringLiteral("是"));
        // The cell is empty (never read): no entry matches, none is current.
        QCOMPARE(combo->currentIndex(), -1);
    }
    QTest::keyClick(editor, Qt::Key_Escape);
}

void tst_Parvex::editorOnlyForWritableValueCell()
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

void tst_Parvex::commandsFollowThePort()
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

void tst_Parvex::editWritesAndReadsBack_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QList<int>>("registers"); // from the value's address on
    QTest::addColumn<QString>("shown");

    QTest::newRow("choice") << s("P0-00") << s("转矩控制") << QList<int>{2} << s("转矩控制");
    QTest::newRow("decimal") << s("P0-01") << s("12.34") << QList<int>{1234} << s("12.34");
    QTest::newRow("signed decimal") << s("P0-02") << s("-12.5") << QList<int>{65411} << s("-12.5");
    QTest::newRow("integer") << s("P0-08") << s("42") << QList<int>{42} << s("42");
    QTest::newRow("two-word, carry into the high word") << s("P0-03") << s("65536") << QList<int>{0, 1} << s("65536");
    QTest::newRow("two-word signed") << s("P0-05") << s("-2.5") << QList<int>{65511, 65535} << s("-2.5");
}

void tst_Parvex::editWritesAndReadsBack()
{
    QFETCH(QString, code);
    QFETCH(QString, input);
    QFETCH(QList<int>, registers);
    QFETCH(QString, shown);

    QVERIFY(connect_drive());
    QMachineValue *value = value_of(code);
    const int address = value->get_value_property(VALUE_ADDRESS).toInt();

    QWidget *editor = open_editor(code);
    QVERIFY(editor);
    if (auto *combo = qobject_cast<QComboBox *>(editor))
        combo->setCurrentText(input);
    else if (auto *dspin = qobject_cast<QDoubleSpinBox *>(editor))
        dspin->setValue(input.toDouble());
    else if (auto *spin = qobject_cast<QSpinBox *>(editor))
        spin->setValue(input.toInt());
    QTest::keyClick(editor, Qt::Key_Return);

    for (int i = 0; i < registers.size(); ++i)
        QTRY_COMPARE_WITH_TIMEOUT(reg(address + i), registers.at(i), 5000);
    QTRY_COMPARE(row(code)->text(2), shown);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());
}

void tst_Parvex::editRefusedByDriveShowsDriveValue()
{
    QVERIFY(connect_drive());
    QSoftCore *core = QSoftCore::get_core();
    core->clearErrLog();
    // P0-09 is writable by the description but read-only in the drive.
    QCOMPARE(reg(0x2009), 10);
    auto *spin = qobject_cast<QSpinBox *>(open_editor(QStringLiteral("P0-09")));
    QVERIFY(spin);
    spin->setValue(55);
    QTest::keyClick(spin, Qt::Key_Return);

    QTRY_COMPARE(core->getErrlogs().size(), 1);
    const QString log = core->getErrlogs().first().text;
    QVERIFY2(log.startsWith(QStringLiteral("写入错误 ")), qPrintable(log));
    QVERIFY2(log.contains(QStringLiteral("8201")) && log.contains(QStringLiteral("错误代码[4]")), qPrintable(log));
    QTRY_COMPARE(row(QStringLiteral("P0-09"))->text(2), QStringLiteral("10"));
    QCOMPARE(value_of(QStringLiteral("P0-09"))->get_base_value(), 10);
    QCOMPARE(reg(0x2009), 10);
}

void tst_Parvex::editNotWrittenIsReported()
{
    const auto commit = [this](const QString &code, int number) {
        auto *spin = qobject_cast<QSpinBox *>(open_editor(code));
        QVERIFY(spin);
        spin->setValue(number);
        QTest::keyClick(spin, Qt::Key_Return);
        QTRY_VERIFY(!m_answer->boxes.isEmpty());
    };

    // The port is closed but the model is still there: the edit cannot be
    // written, and the operator is told instead of seeing it vanish.
    QSoftCore::get_core()->new_machine();
    m_widget->show();
    commit(QStringLiteral("P0-08"), 42);
    QCOMPARE(m_answer->boxes.first().icon, QMessageBox::Warning);
    QVERIFY(m_answer->boxes.first().text.contains(QStringLiteral("P0-08")));
    QVERIFY(!value_of(QStringLiteral("P0-08"))->has_value());
    QVERIFY(row(QStringLiteral("P0-08"))->text(2).isEmpty());

    // A number the value cannot hold (negative for an unsigned two-word
    // value, which its spin box allows) is refused before anything is sent.
    m_answer->boxes.clear();
    QVERIFY(connect_drive());
    const int low = reg(0x2003);
    commit(QStringLiteral("P0-03"), -5);
    QVERIFY(m_answer->boxes.first().text.contains(QStringLiteral("-5")));
    QTest::qWait(100);
    QCOMPARE(reg(0x2003), low);

    // The spin box spans the register; the parameter's limits (0..100) are
    // narrower, and a value beyond them never reaches the drive.
    m_answer->boxes.clear();
    const int jog = reg(0x2008);
    commit(QStringLiteral("P0-08"), 150);
    QVERIFY2(m_answer->boxes.first().text.contains(QStringLiteral("超出范围")),
             qPrintable(m_answer->boxes.first().text));
    QTest::qWait(100);
    QCOMPARE(reg(0x2008), jog);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());
}

void tst_Parvex::uploadSavesEveryParameter()
{
    QVERIFY(connect_drive());
    // Values with every twist a backup must keep: a negative one-word, a
    // 32-bit unsigned above 2^31, negative two-word values, a non-decimal scale.
    QVERIFY(m_sim.set(0x2000, 2));
    QVERIFY(m_sim.set(0x2001, 1234));
    QVERIFY(m_sim.set(0x2002, 65526));
    QVERIFY(m_sim.set(0x2003, 24064));  // 3000000000
    QVERIFY(m_sim.set(0x2004, 45776));
    QVERIFY(m_sim.set(0x2005, 7616));   // -123456
    QVERIFY(m_sim.set(0x2006, 65534));
    QVERIFY(m_sim.set(0x2008, 100));
    QVERIFY(m_sim.set(0x2104, 7));
    QVERIFY(m_sim.set(0x2109, 10617));  // -1234567
    QVERIFY(m_sim.set(0x210A, 65517));

    const QString path = m_dir.filePath(QStringLiteral("upload.csv"));
    QFile::remove(path);
    m_answer->file = path;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 15000);
    QCOMPARE(m_answer->file_dialogs, QStringList{QStringLiteral("保存|数据文件(*.csv)")});
    QVERIFY(m_answer->boxes.isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(QLocalCodec::encode(QStringLiteral("代码,名称,值,单位,原始值\r\n"))));
    QCSVFile csv;
    csv.load(QLocalCodec::decode(bytes));

    const QList<QList<const char *>> expected = {
        {"代码", "名称", "值", "单位", "原始值"},
        {"P0-00", "控制方式", "2", "", "2"},
        {"P0-01", "频率;设定", "12.34", "Hz", "1234"},
        {"P0-02", "转矩偏置", "-1", "%", "65526"},
        {"P0-03", "累计电量", "3000000000", "kWh", "-1294967296"},
        {"P0-05", "位置偏移", "-12345.6", "mm", "-123456"},
        {"P0-07", "额定功率", "7.5", "kW", "75"},
        {"P0-08", "点动频率", "100", "Hz", "100"},
        {"P0-09", "限定值", "10", "", "10"},
        {"P1-00", "有符号一位小数", "0", "", "0"},
        {"P1-01", "两位小数", "1", "", "100"},
        {"P1-02", "双字整数", "0", "", "0"},
        {"P1-04", "缩放五", "1.4", "", "7"},
        {"P1-05", "缩放二十", "1", "", "20"},
        {"P1-06", "选择", "0", "", "0"},
        {"P1-07", "有符号整数", "-1", "", "65535"},
        {"P1-08", "无符号整数", "0", "", "0"},
        {"P1-09", "双字三位小数", "-1234.567", "", "-1234567"},
    };
    // The file ends with a line break: one more row holding one empty cell.
    QCOMPARE(csv.size(), expected.size() + 1);
    QCOMPARE(csv.size(csv.size() - 1), 1);
    for (int r = 0; r < expected.size(); ++r) {
        QCOMPARE(csv.size(r), 5);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(csv.get_text(c, r), s(expected.at(r).at(c)));
    }

    // Every raw cell is what the drive holds, word for word.
    for (int r = 1; r < expected.size(); ++r) {
        QMachineValue *value = value_of(csv.get_text(0, r));
        QVERIFY(value);
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        const qint64 drive = value->get_value_property(VALUE_LENGTH).toInt() == 2
            ? qint64(reg32(address)) : qint64(reg(address));
        QCOMPARE(csv.get_text(4, r).toLongLong(), drive);
    }

    // A picture of the page with the uploaded values and an editor open.
    QVERIFY(open_editor(QStringLiteral("P0-01")));
    QTest::qWait(50);
    const QString png = QStringLiteral(TEST_APP_DIR "/../parvex-page.png");
    QVERIFY(m_widget->grab().save(png));
}

void tst_Parvex::uploadFailureSavesNothing()
{
    // The drive stops answering in the middle of the upload.
    QVERIFY(connect_drive({QStringLiteral("--hangup-after"), QStringLiteral("5")}));
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

void tst_Parvex::saveFailureKeepsOldFileAndWarns()
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

void tst_Parvex::downloadWritesRegisters()
{
    QVERIFY(connect_drive());
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("download.csv")),
        QStringLiteral("代码,名称,值,单位,原始值\r\n"
                       "P0-00,控制方式,0,,0\r\n"
                       "P0-01,频率;设定,50,Hz,5000\r\n"
                       "P0-02,转矩偏置,-5,%,-50\r\n"
                       "P0-03,累计电量,12345678,kWh,12345678\r\n"
                       "P0-05,位置偏移,-0.2,mm,-2\r\n"
                       "P0-07,额定功率,9.9,kW,99\r\n"
                       "P1-07,有符号整数,-2,,65534\r\n"
                       "P1-09,双字三位小数,99999.999,,99999999\r\n"));
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();
    QVERIFY(wait_group_end(ended));
    QCOMPARE(ended.first().first().toBool(), true);
    QCOMPARE(m_answer->file_dialogs, QStringList{QStringLiteral("打开|数据文件(*.csv)")});
    QVERIFY(m_answer->boxes.isEmpty()); // the read-only row is skipped quietly

    QCOMPARE(reg(0x2000), 0);
    QCOMPARE(reg(0x2001), 5000);
    QCOMPARE(reg(0x2002), 65486);
    QCOMPARE(reg(0x2003), 0x614E); // 12345678: low word first, both written
    QCOMPARE(reg(0x2004), 0x00BC);
    QCOMPARE(reg(0x2005), 65534);
    QCOMPARE(reg(0x2006), 65535);
    QCOMPARE(reg(0x2007), 75);
    QCOMPARE(reg(0x2107), 65534);
    QCOMPARE(reg32(0x2109), 99999999);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());

    // The model holds the full values at once.
    QCOMPARE(value_of(QStringLiteral("P0-03"))->get_base_value(), 12345678);
    QCOMPARE(row(QStringLiteral("P0-03"))->text(2), QStringLiteral("12345678"));
    QCOMPARE(row(QStringLiteral("P0-02"))->text(2), QStringLiteral("-5.0"));
}

void tst_Parvex::downloadRoundTrip()
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
    for (int a = 0x2000; a <= 0x2008; ++a) {
        if (a != 0x2007)
            QVERIFY(m_sim.set(a, 1));
    }
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();
    QVERIFY(wait_group_end(ended));
    QVERIFY(m_answer->boxes.isEmpty());

    const QMap<int, int> after = m_sim.dump();
    for (int a = 0x2000; a <= 0x210A; ++a)
        QCOMPARE(after.value(a), before.value(a));
    // P0-09 is read-only in the drive: its write is refused and logged.
    const QList<tagErrLog> logs = QSoftCore::get_core()->getErrlogs();
    QCOMPARE(logs.size(), 1);
    QVERIFY(logs.first().text.contains(QStringLiteral("8201")));
}

void tst_Parvex::downloadBadFiles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");   // text of the first box, empty for none
    QTest::addColumn<QStringList>("named"); // what that box's texts must mention
    QTest::addColumn<QList<int>>("written"); // address, value pairs after the download

    const QString header = QStringLiteral("代码,名称,值,单位,原始值\r\n");
    const QString refused = QStringLiteral("以下参数行有误，没有下载：");
    const QString nothing = QStringLiteral("没有可以下载的参数！");
    const QString bad = QStringLiteral("文件错误，无法加载！");

    QTest::newRow("unknown code")
        << header + s("X9-99,无此参数,1,,5\r\nP0-08,点动频率,42,Hz,42\r\n")
        << refused << QStringList{s("第 2 行"), s("X9-99")} << QList<int>{0x2008, 42};
    QTest::newRow("short row")
        << header + s("P0-08,点动频率\r\nP1-08,无符号整数,7,,7\r\n")
        << refused << QStringList{s("P0-08")} << QList<int>{0x2008, 5, 0x2108, 7};
    QTest::newRow("non-numeric raw")
        << header + s("P0-08,点动频率,,Hz,abc\r\nP0-09,限定值,,,1.5\r\nP1-08,,,,7\r\n")
        << refused << QStringList{s("abc"), s("1.5")} << QList<int>{0x2008, 5, 0x2108, 7};
    QTest::newRow("raw wider than the register")
        << header + s("P1-08,,,,70000\r\nP1-08,,,,-1\r\nP1-07,,,,-32769\r\nP0-08,,,,9\r\n")
        << refused << QStringList{s("70000"), s("-1"), s("-32769")} << QList<int>{0x2108, 0, 0x2107, 65535, 0x2008, 9};
    QTest::newRow("raw outside minimum and maximum")
        << header + s("P0-08,,,,101\r\nP0-01,,,,60001\r\nP0-02,,,,-2001\r\nP1-08,,,,7\r\n")
        << refused << QStringList{s("101"), s("60001"), s("-2001")}
        << QList<int>{0x2008, 5, 0x2001, 5000, 0x2002, 65486, 0x2108, 7};
    QTest::newRow("extra columns")
        << header + s("P0-08,点动频率,42,Hz,42,x,y\r\n")
        << QString() << QStringList() << QList<int>{0x2008, 42};
    QTest::newRow("header of four cells")
        << s("代码,名称,值,原始值\r\nP0-08,点动频率,42,42\r\n")
        << bad << QStringList() << QList<int>{0x2008, 5};
    QTest::newRow("header naming other columns")
        << s("a,b,c,d,e\r\nP0-08,点动频率,42,Hz,42\r\n")
        << bad << QStringList{s("代码")} << QList<int>{0x2008, 5};
    QTest::newRow("header alone without line end")
        << s("代码,名称,值,单位,原始值") << bad << QStringList() << QList<int>{0x2008, 5};
    QTest::newRow("empty raw cell only")
        << header + s("P0-08,点动频率,42,Hz,\r\n")
        << nothing << QStringList{s("P0-08")} << QList<int>{0x2008, 5};
    QTest::newRow("read-only rows only")
        << header + s("P0-07,额定功率,9.9,kW,99\r\n")
        << nothing << QStringList() << QList<int>{0x2007, 75};
}

void tst_Parvex::downloadBadFiles()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QStringList, named);
    QFETCH(QList<int>, written);

    QVERIFY(connect_drive());
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("bad.csv")), text);
    QSignalSpy started(QSoftCore::get_core()->get_communicate()->mission_manager(),
                       &QMissionManager::mission_group_start);
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();

    if (message.isEmpty()) {
        QVERIFY(m_answer->boxes.isEmpty());
    } else {
        QCOMPARE(m_answer->boxes.size(), 1);
        const ModalAnswerer::Box box = m_answer->boxes.first();
        QCOMPARE(box.title, QStringLiteral("警告"));
        QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
        QCOMPARE(box.icon, message.startsWith(QStringLiteral("以下")) ? QMessageBox::Warning
                                                                     : QMessageBox::Critical);
        for (const QString &n : qAsConst(named))
            QVERIFY2((box.text + box.details).contains(n), qPrintable(box.text + box.details));
    }

    const bool queued = written.size() > 0 && (message.isEmpty() || message.startsWith(QStringLiteral("以下")));
    if (queued) {
        QVERIFY(wait_group_end(ended));
    } else {
        QTest::qWait(200);
        QCOMPARE(started.count(), 0);
    }
    for (int i = 0; i + 1 < written.size(); i += 2)
        QCOMPARE(reg(written.at(i)), written.at(i + 1));
}

void tst_Parvex::downloadCancelledKeepsLogRequest()
{
    QVERIFY(connect_drive());
    QSoftCore *core = QSoftCore::get_core();
    core->m_show_err_log = false;
    m_download->trigger(); // the answerer cancels the dialog
    QCOMPARE(m_answer->file_dialogs.size(), 1);
    QVERIFY(core->m_show_err_log);
    QVERIFY(m_answer->boxes.isEmpty());
    core->m_show_err_log = false;
}

QTEST_MAIN(tst_Parvex)
#include "tst_parvex.moc"
