#pragma once

#include <QCoreApplication>
#include <QString>

// The tool's own texts, all in one translation context (VantorelTool):
// written in Chinese, shown in the language the run chose. Calls are
// written VantorelText::tr("...") so that the translation update finds them.
struct VantorelText
{
    Q_DECLARE_TR_FUNCTIONS(VantorelTool)
};
