// Upload of every parameter of machines/default.xml the way the operator
// does it: the main window with the page plug-in loaded from a plug-in list,
// connected through the menu, the page's upload command, the progress
// dialog, the core's group-done signal. drive-sim times the line at 19200
// baud 8N1 and answers after 2 ms. The figure is the time from the command
// to the group-done signal against the protocol's limit for the same
// missions: per mission the 3.5-character silence, the 8-byte request, the
// turnaround and the 5 + 2N byte answer.
//
// With --tcp (or --rtu-tcp) drive-sim serves Modbus TCP (RTU frames over TCP)
// on loopback instead, untimed and without turnaround, as a drive on the
// plant network answers; the figure is then the time alone.

#include "drivesim.h"

#include <workbench/mainwindow.h>

#include <core/plugin/pluginloader.h>
#include <core/plugin/qabstractpage.h>
#include <coredata/qlocalcodec.h>
#include <core/plugin/qmenuactionmap.h>
#include <coredata/qsettingmanager.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmission.h>
#include <communicate/missions/qmissionmanager.h>
#include <machine/tagvaluegroup.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kBaud = 19200;
constexpr double kBitsPerChar = 10; // 8N1
constexpr double kTurnaroundMs = 2;
constexpr int kRounds = 5;
constexpr int kTimeoutMs = 60000;

int fail(const QString &reason)
{
    std::fprintf(stderr, "bench_upload: %s\n", qPrintable(reason));
    return 1;
}

bool wait_for(const std::function<bool()> &condition, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

double char_ms(double chars)
{
    return chars * kBitsPerChar * 1000.0 / kBaud;
}

} // namespace

int main(int argc, char *argv[])
{
    // Widgets without a screen unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QLocalCodec::install())
        return fail(QStringLiteral("no GBK codec"));

    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("no temporary directory"));
    QSettingManager::set_default_file(dir.filePath(QStringLiteral("config.xml")));
    const QString machine_file = QStringLiteral(SOURCE_DIR "/machines/default.xml");
    QMachineConfig::set_machines_directory(QStringLiteral(SOURCE_DIR "/machines"));

    // The plug-in list names the page's directory relative to this program.
    const QString list = dir.filePath(QStringLiteral("plugins.xml"));
    {
        QFile file(list);
        const QString relative = QDir(QCoreApplication::applicationDirPath())
                                     .relativeFilePath(QStringLiteral(APP_DIR "/plugins"));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(QStringLiteral("<Plugin><Item path=\"%1\"/></Plugin>\n").arg(relative).toUtf8()) < 0)
            return fail(QStringLiteral("cannot write %1").arg(list));
    }
    PluginLoader::load_plugin(list);
    auto *page = qobject_cast<QAbstractPage *>(
        PluginLoader::get_plugin(QStringLiteral("Plugin.Page"), QStringLiteral("Plugin.Page.Parvex")));
    if (!page)
        return fail(QStringLiteral("the parameter page plug-in did not load from %1").arg(QStringLiteral(APP_DIR "/plugins")));

    const bool tcp = app.arguments().contains(QStringLiteral("--tcp"));
    const bool rtu_tcp = app.arguments().contains(QStringLiteral("--rtu-tcp"));
    const bool network = tcp || rtu_tcp;

    // The same description with a profile of 32-register reads, served and
    // used from a machines directory of its own.
    const QString profiled_dir = dir.filePath(QStringLiteral("machines32"));
    const QString profiled_file = profiled_dir + QStringLiteral("/default.xml");
    {
        QFile original(machine_file);
        if (!original.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1").arg(machine_file));
        QByteArray xml = original.readAll();
        const int root = int(xml.indexOf("<Machine"));
        const int end = root < 0 ? -1 : int(xml.indexOf('>', root));
        if (end < 0)
            return fail(QStringLiteral("no <Machine> element in %1").arg(machine_file));
        xml.insert(end + 1, "\n  <Protocol max-read=\"32\"/>");
        QDir().mkpath(profiled_dir);
        QFile copy(profiled_file);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(xml) != xml.size())
            return fail(QStringLiteral("cannot write %1").arg(profiled_file));
    }

    MainWindow window;
    window.resize(1100, 700);
    window.show();
    QSoftCore *core = QSoftCore::get_core();
    QMissionManager *manager = core->get_communicate()->mission_manager();
    QWidget *widget = page->get_widget();
    auto *upload = widget ? widget->findChild<QAction *>(QStringLiteral("actionUpload")) : nullptr;
    tagActionInfo *connect_info =
        core->get_menu_action_map()->get_action(QStringLiteral("Menu.Communation.ConnectFast"));
    if (!upload || !connect_info)
        return fail(QStringLiteral("the upload command or the connect menu entry is missing"));

    // Whatever the program asks after a group: no file is saved, nothing blocks.
    QStringList boxes;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, &app, [&boxes] {
        const QWidgetList widgets = QApplication::topLevelWidgets();
        for (QWidget *w : widgets) {
            if (!w->isVisible())
                continue;
            if (auto *file = qobject_cast<QFileDialog *>(w)) {
                file->reject();
            } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
                boxes << box->text();
                box->done(QMessageBox::Ok);
            }
        }
    });
    answer.start();

    bool outcome = false;
    qint64 done_ns = -1;
    QElapsedTimer clock;
    QObject::connect(core, &QSoftCore::mission_group_done, &app, [&](bool success) {
        if (done_ns < 0) {
            done_ns = clock.nsecsElapsed();
            outcome = success;
        }
    });

    struct Figures
    {
        qint64 parameters = 0;
        int missions = 0;
        int registers = 0;
        double limit_ms = 0;
        double best = 0;
        double median = 0;
        QString device;
    };
    // One description served by drive-sim and used by the program: kRounds
    // uploads through the page.
    auto measure = [&](const QString &file, const QString &machines_dir, Figures *figures) -> QString {
        QMachineConfig::set_machines_directory(machines_dir);
        DriveSim sim;
        const QStringList sim_args = network
            ? QStringList{QStringLiteral("--machine"), file, tcp ? QStringLiteral("--tcp") : QStringLiteral("--rtu-tcp"),
                          QStringLiteral("0")}
            : QStringList{QStringLiteral("--machine"), file, QStringLiteral("--baud"), QString::number(kBaud),
                          QStringLiteral("--turnaround"), QString::number(kTurnaroundMs)};
        if (!sim.start(sim_args))
            return sim.error_string();
        figures->device = sim.device();

        core->set_setting_value(QStringLiteral("Communicate.PortName"), sim.device());
        connect_info->action->trigger();
        const bool connected = wait_for([&] {
            QMachine *machine = core->get_machine();
            return core->get_communicate()->commu_status() == 0 && machine && manager->pending_count() == 0
                   && !machine->get_start_list().isEmpty() && machine->get_start_list().first()->has_value();
        }, kTimeoutMs);
        if (!connected)
            return QStringLiteral("the drive did not answer on %1").arg(sim.device());

        // The missions the page hands over, for the limit.
        QMachine *machine = core->get_machine();
        figures->parameters = machine->get_parameters().size();
        for (tagValueGroup *group : machine->get_groups()) {
            const QList<QMission *> list = core->make_mission(group->m_values);
            for (QMission *mission : list) {
                const int count = mission->get_attribute(QStringLiteral("Data.Length")).toInt();
                ++figures->missions;
                figures->registers += count;
                figures->limit_ms += char_ms(3.5) + char_ms(8) + kTurnaroundMs + char_ms(5 + 2 * count);
            }
            qDeleteAll(list);
        }

        QList<double> measured;
        for (int round = 0; round < kRounds; ++round) {
            done_ns = -1;
            clock.start();
            upload->trigger();
            if (!wait_for([&] { return done_ns >= 0; }, kTimeoutMs))
                return QStringLiteral("the upload did not end");
            if (!outcome)
                return QStringLiteral("the upload failed: %1 entries in the error log")
                    .arg(core->getErrlogs().size());
            measured << done_ns / 1e6;
            std::printf("  round %d: %.1f ms\n", round + 1, done_ns / 1e6);
            // Let the page finish with its file dialog before the next round.
            wait_for([] { return !QApplication::activeModalWidget(); }, kTimeoutMs);
        }
        core->serial_disconnect();
        wait_for([&] { return core->get_communicate()->serial_status() != 0; }, kTimeoutMs);
        std::sort(measured.begin(), measured.end());
        figures->best = measured.first();
        figures->median = measured.at(measured.size() / 2);
        return QString();
    };

    Figures plain;
    QString error = measure(machine_file, QStringLiteral(SOURCE_DIR "/machines"), &plain);
    if (!error.isEmpty())
        return fail(error);
    Figures wide;
    std::printf("The same with <Protocol max-read=\"32\"/>:\n");
    error = measure(profiled_file, profiled_dir, &wide);
    if (!error.isEmpty())
        return fail(error);
    if (!boxes.isEmpty())
        return fail(QStringLiteral("the program reported: %1").arg(boxes.join(QStringLiteral("; "))));

    if (network) {
        std::printf("Upload through the page over %s (drive-sim on loopback): %lld parameters, %d missions "
                    "(%d registers)\n",
                    qPrintable(plain.device), static_cast<long long>(plain.parameters), plain.missions,
                    plain.registers);
        std::printf("  measured        %.1f ms best, %.1f ms median of %d\n", plain.best, plain.median, kRounds);
        std::printf("  32-register reads: %d missions, %.1f ms best, %.1f ms median (%.3f of 8-register reads)\n",
                    wide.missions, wide.best, wide.median, wide.median / plain.median);
        return 0;
    }
    std::printf("Upload through the page: %lld parameters, %d missions (%d registers), %d baud 8N1, "
                "turnaround %.0f ms\n",
                static_cast<long long>(plain.parameters), plain.missions, plain.registers, kBaud, kTurnaroundMs);
    std::printf("  measured        %.1f ms best, %.1f ms median of %d\n", plain.best, plain.median, kRounds);
    std::printf("  protocol limit  %.1f ms (silences + requests + turnarounds + answers)\n", plain.limit_ms);
    std::printf("  measured/limit  %.3f best, %.3f median (target <= 1.05)\n", plain.best / plain.limit_ms,
                plain.median / plain.limit_ms);
    std::printf("With a profile of 32-register reads: %d missions (%d registers)\n", wide.missions, wide.registers);
    std::printf("  measured        %.1f ms best, %.1f ms median of %d\n", wide.best, wide.median, kRounds);
    std::printf("  protocol limit  %.1f ms\n", wide.limit_ms);
    std::printf("  measured/limit  %.3f best, %.3f median (target <= 1.03)\n", wide.best / wide.limit_ms,
                wide.median / wide.limit_ms);
    std::printf("  saved against 8-register reads: %.1f ms of %.1f ms median (%.1f %%)\n",
                plain.median - wide.median, plain.median, 100.0 * (plain.median - wide.median) / plain.median);
    return 0;
}
