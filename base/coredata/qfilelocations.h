#pragma once

#include <coredata/coredata_export.h>

#include <QString>

// Where the program keeps what it writes. A program directory that may be
// written (the build tree, a portable copy) keeps everything beside the
// program, as it always did. An installed program (its directory read-only,
// or marked as installed) keeps settings, history and the folders of its file
// dialogs in the user's own locations (QStandardPaths, config and data), and
// reads a config.xml shipped beside it as the defaults of a first start.
//
// Needs no screen: the program and the command-line tool decide alike.
class COREDATA_EXPORT QFileLocations
{
public:
    struct Places
    {
        bool per_user = false;
        QString settings_file;  // config.xml that is read and written
        QString defaults_file;  // shipped config.xml read on a first start; empty beside the program
        QString data_dir;       // the program's data (beside the program, or per user)
        QString document_dir;   // where the file dialogs start (error logs, parameter files)
        QString problem;        // why the per-user location cannot be written; empty when it can
    };

    // Decides for a program directory and creates the per-user folders when
    // they are needed. Never fails: a problem is reported in Places::problem.
    static Places resolve(const QString &program_dir);

    // The places of this process, decided once for the program's own
    // directory; an unusable per-user location is reported once, as a warning.
    static const Places &current();

    // A file of this name beside the program marks an installed copy: its
    // settings live per user even for a user who may write there (root).
    static QString installed_marker();
    // The folder name under the per-user config and data locations.
    static QString folder_name();
};
