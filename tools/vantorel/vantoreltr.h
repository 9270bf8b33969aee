#pragma once

#include <QCoreApplication>
#include <QString>

// The tool's own texts, all in one translation context.
inline QString tr_tool(const char *text)
{
    return QCoreApplication::translate("VantorelTool", text);
}
