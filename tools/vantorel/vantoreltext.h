#pragma once

#include <QCoreApplication>

// The tool's own texts: written in Chinese, shown in the language the run
// chose (VantorelTool's context of the program's translation).
struct VantorelText
{
    Q_DECLARE_TR_FUNCTIONS(VantorelTool)
};
