#include "qfilechooser.h"

#include <coredata/qfilelocations.h>

#include <QFileDialog>
#include <QFileInfo>

namespace {

QFileChooser::Answerer &answerer()
{
    static QFileChooser::Answerer instance;
    return instance;
}

QString &last_directory()
{
    static QString dir;
    return dir;
}

QString remember(const QString &chosen)
{
    if (!chosen.isEmpty())
        last_directory() = QFileInfo(chosen).absolutePath();
    return chosen;
}

} // namespace

QString QFileChooser::start_directory(const QString &directory)
{
    if (!directory.isEmpty())
        return directory;
    if (!last_directory().isEmpty())
        return last_directory();
    return QFileLocations::current().document_dir;
}

QString QFileChooser::get_save_file_name(QWidget *parent, const QString &caption,
                                         const QString &directory, const QString &filter)
{
    if (answerer())
        return remember(answerer()(parent, Save, caption, filter));
    return remember(QFileDialog::getSaveFileName(parent, caption, start_directory(directory), filter));
}

QString QFileChooser::get_open_file_name(QWidget *parent, const QString &caption,
                                         const QString &directory, const QString &filter)
{
    if (answerer())
        return remember(answerer()(parent, Open, caption, filter));
    return remember(QFileDialog::getOpenFileName(parent, caption, start_directory(directory), filter));
}

void QFileChooser::set_answerer(Answerer answer)
{
    answerer() = std::move(answer);
}
