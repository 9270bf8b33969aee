#pragma once

#include <coredata/qlocalcodec.h>
#include <database/qmachineconfig.h>
#include <core/plugin/qmenuactionmap.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Shared set-up of the workbench tests: the core keeps its settings in a
// temporary directory, and modal boxes are answered from a timer.
namespace TestEnv {

inline QTemporaryDir &temp_dir()
{
    static QTemporaryDir dir;
    return dir;
}

// Before the core is first used.
inline bool prepare(const QString &machines_dir = QStringLiteral(TEST_SOURCE_DIR "/machines"))
{
    if (!QLocalCodec::install() || !temp_dir().isValid())
        return false;
    QSettingManager::set_default_file(temp_dir().filePath(QStringLiteral("config.xml")));
    QMachineConfig::set_machines_directory(machines_dir);
    return true;
}

// Adds an entry to the core's error log the way a failed mission does.
class CoreAccess : public QSoftCore
{
public:
    using QSoftCore::mission_failed;
};

inline void add_error_log(int address, int code)
{
    QMission mission(MISSION_READ);
    mission.set_attribute(QStringLiteral("Data.Address"), QVariant(address));
    mission.set_attribute(QStringLiteral("Data.Length"), QVariant(1));
    void (QSoftCore::*failed)(QMission *, int) = &CoreAccess::mission_failed;
    (QSoftCore::get_core()->*failed)(&mission, code);
}

// Lets the mission manager run a group with the link closed, so that
// group_mission_name() answers `name` afterwards.
// The action the window registered under a menu key, or null.
inline QAction *menu_action(const QString &key)
{
    tagActionInfo *info = QSoftCore::get_core()->get_menu_action_map()->get_action(key);
    return info ? info->action : nullptr;
}

inline bool set_group_name(const QString &name)
{
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    QSignalSpy ended(manager, &QMissionManager::mission_group_end);
    auto *mission = new QMission(MISSION_READ);
    mission->set_attribute(QStringLiteral("Machine.Address"), QVariant(1));
    mission->set_attribute(QStringLiteral("Data.Address"), QVariant(0));
    mission->set_attribute(QStringLiteral("Data.Length"), QVariant(1));
    mission->update_send_buffer();
    manager->add_mission_group({mission}, name);
    delete mission;
    return ended.wait(5000) && manager->group_mission_name() == name;
}

// Runs `fn` once, as soon as `widget` is visible (inside its modal loop
// when it is a dialog being executed).
template<typename Fn>
void when_visible(QWidget *widget, Fn fn)
{
    auto *timer = new QTimer(widget);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, widget, [timer, widget, fn] {
        if (!widget->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        fn();
    });
    timer->start();
}

// Answers every message box (and the other dialogs named in `close_classes`)
// that shows up while it lives, and remembers what it saw.
class ModalCatcher : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
    };

    explicit ModalCatcher(const QStringList &close_classes = {}, QObject *parent = nullptr)
        : QObject(parent)
        , m_close_classes(close_classes)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &ModalCatcher::poll);
        m_timer.start();
    }

    QList<Box> boxes;
    QStringList dialogs;

private:
    void poll()
    {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            if (!widget->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                boxes.append({box->icon(), box->windowTitle(), box->text()});
                if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                    ok->click();
                else
                    box->reject();
                continue;
            }
            for (const QString &cls : std::as_const(m_close_classes)) {
                if (widget->inherits(cls.toLatin1().constData())) {
                    dialogs.append(cls);
                    widget->close();
                }
            }
        }
    }

    QStringList m_close_classes;
    QTimer m_timer;
};

} // namespace TestEnv
