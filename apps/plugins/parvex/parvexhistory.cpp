#include "parvexhistory.h"

#include <paramset/qparamhistory.h>

#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

#include <memory>

namespace ParvexHistory {

namespace {

// Owned by the application object, so the database connection closes while
// the SQL driver is still there (a static would outlive it).
class Holder : public QObject
{
public:
    using QObject::QObject;
    std::unique_ptr<QParamHistory> history;
};

QPointer<Holder> g_holder;
bool g_warned = false;

} // namespace

void warn_once(const QString &reason, QWidget *parent)
{
    if (g_warned)
        return;
    g_warned = true;
    QMessageBox box(QMessageBox::Warning, QCoreApplication::translate("ParvexHistory", "警告"),
                    QCoreApplication::translate("ParvexHistory", "历史记录不可用，本次运行不再提示。"),
                    QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    box.exec();
}

QParamHistory *database(QWidget *parent)
{
    // The file follows the settings: beside config.xml, wherever that lives.
    const QString path = QParamHistory::path_beside(QSettingManager::default_file());
    if (!g_holder)
        g_holder = new Holder(QCoreApplication::instance());
    std::unique_ptr<QParamHistory> &history = g_holder->history;
    if (!history || history->path() != path) {
        history = std::make_unique<QParamHistory>(path);
        if (!history->open() || !history->is_writable())
            warn_once(history->error_string(), parent);
    } else if (!history->is_open()) {
        // A lock may have gone since; a broken file stays broken, quietly.
        history->open();
    }
    return history->is_open() ? history.get() : nullptr;
}

tagParamSnapshot snapshot_now(QMachine *machine, const QString &operation)
{
    QSoftCore *core = QSoftCore::get_core();
    tagParamSnapshot snapshot = ParamSnapshot::of_machine(machine, operation);
    snapshot.port = core->get_port_name();
    snapshot.station = core->get_machine_address();
    snapshot.drive_version = core->get_machine_version();
    return snapshot;
}

qint64 record(const tagParamSnapshot &snapshot, QWidget *parent)
{
    QParamHistory *history = database(parent);
    if (!history || !history->is_writable())
        return 0;
    const qint64 id = history->record(snapshot);
    if (id == 0)
        warn_once(history->error_string(), parent);
    return id;
}

} // namespace ParvexHistory
