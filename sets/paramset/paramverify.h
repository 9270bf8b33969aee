#pragma once

#include <paramset/paramset_export.h>

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

class QMachineValue;

// What a download put into the drive, checked against what the drive holds
// afterwards. A drive may answer a write and keep another value (it clamps it
// at a limit, or ignores it); only reading it back tells.
struct tagVerifyReport
{
    struct Row
    {
        QMachineValue *value = nullptr;
        int wanted = 0;
        int drive = 0; // valid for `different` rows, and `refused` rows with read_back
        int error = 0; // the exchange's error code for `refused` rows
        // A refused row written in several requests, some taken: the drive
        // may hold half the value. read_back tells whether `drive` says
        // what it holds now.
        bool partly = false;
        bool read_back = false;
    };
    int written = 0;       // parameters whose writes the drive took
    int verified = 0;      // of those, read back with the wanted value
    QList<Row> different;  // read back with another value
    QList<Row> unread;     // taken, but the read-back got no answer
    QList<Row> refused;    // a write the drive refused or never answered

    bool all_verified() const
    {
        return different.isEmpty() && unread.isEmpty() && refused.isEmpty();
    }
};

namespace ParamVerify {

struct Write
{
    QMachineValue *value = nullptr;
    int raw = 0;
};

// Checks each written parameter (the last write of a parameter given twice)
// against the raw values read back afterwards. `write_errors` holds the
// parameters one of whose writes failed, with the error code (1..255 the
// drive's exception, 256 and above the link's); their read-back is not
// looked at, except for those in `partly_written` (some of their requests
// were taken): their read-back shows what the drive holds now. Rows keep the
// order of the writes.
PARAMSET_EXPORT tagVerifyReport verify(const QList<Write> &writes,
                                       const QHash<QMachineValue *, int> &read_back,
                                       const QHash<QMachineValue *, int> &write_errors,
                                       const QSet<QMachineValue *> &partly_written = {});

// One line per row that is not verified, for the operator: code, name,
// wanted value and the drive's value (or why there is none).
PARAMSET_EXPORT QStringList lines(const tagVerifyReport &report);

} // namespace ParamVerify
