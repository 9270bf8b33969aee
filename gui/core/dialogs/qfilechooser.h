#pragma once

#include <core/core_export.h>

#include <QString>

#include <functional>

class QWidget;

// Where the program asks the operator for a file (parameter backups, the
// error log). Normally the platform's file dialog; a test puts itself in the
// operator's place with set_answerer(), so nothing modal blocks it.
class CORE_EXPORT QFileChooser
{
public:
    enum Mode { Save, Open };

    // An empty directory starts in the folder of the last file chosen in this
    // run, or in the program's document folder (QFileLocations) before that.
    // Gets the dialog's parent, mode, caption and filter; returns the chosen
    // path, or an empty string for a cancelled dialog.
    using Answerer = std::function<QString(QWidget *parent, Mode mode, const QString &caption,
                                           const QString &filter)>;

    static QString get_save_file_name(QWidget *parent, const QString &caption,
                                      const QString &directory, const QString &filter);
    static QString get_open_file_name(QWidget *parent, const QString &caption,
                                      const QString &directory, const QString &filter);

    // An empty answerer returns to the file dialog.
    static void set_answerer(Answerer answerer);

    // The folder an empty directory stands for now.
    static QString start_directory(const QString &directory);
};
