#include "parvexfixture.h"

#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmissionmanager.h>
#include <communicate/tagserialconfig.h>

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString kDriveDescription = QStringLiteral(TEST_DATA_DIR "/parvex-drive.xml");

} // namespace

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::poll()
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
    } else if (auto *preview = qobject_cast<QDialog *>(modal);
               preview && preview->objectName() == QLatin1String("downloadPreview")) {
        answer_preview(preview);
    } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        boxes.append({box->icon(), box->windowTitle(), box->text(),
                      box->informativeText() + QLatin1Char('\n') + box->detailedText()});
        box->done(QMessageBox::Ok);
    } else if (modal && other) {
        other(modal);
    }
}

void ModalAnswerer::answer_preview(QDialog *dialog)
{
    Preview seen;
    seen.title = dialog->windowTitle();
    seen.target = dialog->findChild<QLabel *>(QStringLiteral("compareTarget"))->text();
    seen.summary = dialog->findChild<QLabel *>(QStringLiteral("compareSummary"))->text();
    auto *table = dialog->findChild<QTreeWidget *>(QStringLiteral("compareTable"));
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = table->topLevelItem(i);
        const bool ticked = (item->flags() & Qt::ItemIsUserCheckable) && item->checkState(0) == Qt::Checked;
        seen.rows << (ticked ? QStringLiteral("+") : QString())
                + QStringList{item->text(0), item->text(2), item->text(3), item->text(4)}.join(QLatin1Char('|'));
        if (untick.contains(item->text(0)))
            item->setCheckState(0, Qt::Unchecked);
    }
    auto *refused = dialog->findChild<QListWidget *>(QStringLiteral("previewRefused"));
    for (int i = 0; i < refused->count(); ++i)
        seen.refused << refused->item(i)->text();
    const auto buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isDefault())
            seen.default_button = button->text();
    }
    previews.append(seen);
    auto *download = dialog->findChild<QPushButton *>(QStringLiteral("compareDownload"));
    if (cancel_preview || !download->isEnabled())
        dialog->reject();
    else
        download->click();
}

QString gbk_file(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(QLocalCodec::encode(text));
    return path;
}

QMachineValue *value_of(const QString &code)
{
    QMachine *machine = QSoftCore::get_core()->get_machine();
    return machine ? machine->get_value(code) : nullptr;
}

void ParvexFixture::load_page()
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

void ParvexFixture::reset_answers()
{
    m_answer->boxes.clear();
    m_answer->previews.clear();
    m_answer->untick.clear();
    m_answer->cancel_preview = false;
    m_answer->file_dialogs.clear();
    m_answer->file.clear();
    m_answer->other = nullptr;
    QSoftCore::get_core()->clearErrLog();
}

void ParvexFixture::close_drive()
{
    QSoftCore::get_core()->serial_disconnect();
    m_sim.stop();
    QSoftCore::get_core()->clear_machine();
    m_widget->hide();
}

bool ParvexFixture::connect_drive(const QStringList &extra)
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

QTreeWidgetItem *ParvexFixture::row(const QString &code) const
{
    return m_params->findItems(code, Qt::MatchExactly, 0).value(0);
}

void ParvexFixture::show_group(int index)
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

QWidget *ParvexFixture::open_editor(const QString &code)
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

int ParvexFixture::reg(int address)
{
    bool ok = false;
    const int v = m_sim.get_one(address, &ok);
    return ok ? v : -1;
}

qint32 ParvexFixture::reg32(int address)
{
    const QList<int> words = m_sim.get(address, 2);
    if (words.size() != 2)
        return 0x7fffffff;
    return qint32(quint32(words.at(0)) | (quint32(words.at(1)) << 16));
}

bool ParvexFixture::wait_line_idle(int timeout_ms)
{
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    return QTest::qWaitFor([manager] { return manager->pending_count() == 0 && manager->in_flight_count() == 0; },
                           timeout_ms);
}

bool ParvexFixture::wait_group_end(QSignalSpy &spy, int timeout_ms)
{
    return QTest::qWaitFor([&] { return spy.count() > 0; }, timeout_ms);
}
