#pragma once

#include <QString>

#include <functional>
#include <memory>

class VantorelSession;

// One command of the tool. A command lives for one run of the program; it
// shares the run's options, output, model and history through the session,
// which outlives it.
class VantorelCommand
{
public:
    explicit VantorelCommand(VantorelSession &session)
        : m_session(session)
    {
    }
    virtual ~VantorelCommand() = default;

    VantorelCommand(const VantorelCommand &) = delete;
    VantorelCommand &operator=(const VantorelCommand &) = delete;

    // The exit code (VantorelExit).
    virtual int run() = 0;

protected:
    VantorelSession &session() const { return m_session; }

private:
    VantorelSession &m_session;
};

// What the table knows of a command: its name, how the general help lists
// it, its own help text with its options, how many arguments it takes,
// whether it may serve several stations in one run, and how to make it.
struct VantorelCommandSpec
{
    QString name;
    // The command's line in the general help: synopsis and one-line summary.
    // The summary and the help are source texts (Chinese, marked for the
    // translation update), translated when printed: the table is made
    // before the run knows its language.
    QString synopsis;
    const char *summary = "";
    const char *help = "";
    // The arguments a command that talks to stations takes (most: -1 for
    // any number); the others check their own.
    int fewest_arguments = 0;
    int most_arguments = 0;
    bool several_stations = false;
    std::function<std::unique_ptr<VantorelCommand>(VantorelSession &)> make;
};

// The table's maker for a command class.
template<typename Command>
std::unique_ptr<VantorelCommand> make_vantorel_command(VantorelSession &session)
{
    return std::make_unique<Command>(session);
}
