#pragma once

#include <paramset/paramset_export.h>

#include <QByteArray>
#include <QList>
#include <QString>

// Machine descriptions from a vendor's parameter table, and the checks of a
// description that list every problem instead of stopping at the first.
//
// The table is CSV (GBK or UTF-8, quotes allowed around cells) with one
// header row naming its columns, in any order: code, name, name-en,
// address (decimal or 0x hex), width (1, 2, 16, 32, int16, uint16, int32,
// uint32, float), scale or decimals, default, min, max, unit, unit-en,
// choices ("0=V/F控制;1=矢量控制"), choices-en, access (rw, ro, stop),
// help, group, start. The Chinese headings the manuals use (代码, 名称, 地址,
// ...) are taken too. Only code and address are required. Without a group
// column, parameters are grouped by the part of the code before its '-'
// ("F0-03" in group "F0"); a group named "Runtime" is the runtime page.
namespace DescriptionTable {

struct Problem
{
    qint64 line = 0; // line of the file, from 1; 0 for the file as a whole
    QString reason;
};

// The description's XML made from the bytes of a table; false with the
// line and reason of the first row that cannot be used. `name` becomes the
// <Machine name>.
PARAMSET_EXPORT bool describe(const QByteArray &table, const QString &name, QByteArray *xml,
                              Problem *problem);

// Every problem of the description file at `path`: duplicate codes or
// addresses, overlapping registers, defaults outside the limits, choices
// that do not cover the default, limits the scale and width cannot hold,
// and whatever else the loader refuses. Empty when the loader takes it.
PARAMSET_EXPORT QList<Problem> check(const QString &path);

} // namespace DescriptionTable
