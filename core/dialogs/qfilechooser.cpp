#include "qfilechooser.h"

#include <QFileDialog>

namespace {

QFileChooser::Answerer &answerer()
{
    static QFileChooser::Answerer instance;
    return instance;
}

} // namespace

QString QFileChooser::get_save_file_name(QWidget *parent, const QString &caption,
                                         const QString &directory, const QString &filter)
{
    if (answerer())
        return answerer()(parent, Save, caption, filter);
    return QFileDialog::getSaveFileName(parent, caption, directory, filter);
}

QString QFileChooser::get_open_file_name(QWidget *parent, const QString &caption,
                                         const QString &directory, const QString &filter)
{
    if (answerer())
        return answerer()(parent, Open, caption, filter);
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

void QFileChooser::set_answerer(Answerer answer)
{
    answerer() = std::move(answer);
}
