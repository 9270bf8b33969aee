#pragma once

class VantorelOutput;
struct VantorelOptions;

// One run of the tool: finds the command in the table and runs it with a
// session that holds what the commands share (options, output, model,
// history) for the run.
class VantorelTool
{
public:
    VantorelTool(const VantorelOptions &options, VantorelOutput &output);

    // The exit code (VantorelExit).
    int run();

private:
    const VantorelOptions &m_options;
    VantorelOutput &m_out;
};
