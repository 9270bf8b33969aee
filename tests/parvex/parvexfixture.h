#pragma once

// What every test of the parameter page plug-in stands on: the plug-in loaded
// as the workbench loads it (through plugins.xml), the simulated drive on a
// pseudo-terminal, and an answerer for the modal dialogs the page opens. The
// workbench's progress dialog is not here; the fixture reports the end of
// unnamed mission groups to the core the way that dialog does.

#include "drivesim.h"
#include <machine/tagvaluegroup.h>

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

class QAbstractPage;
class QAction;
class QDialog;
class QMachineValue;
class QSignalSpy;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

Q_DECLARE_METATYPE(tagValueGroup *)

inline QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// Answers the modal dialogs the page opens: a file dialog gets the file the
// test set (or is cancelled when none is set), a message box is recorded and
// closed with its first button.
class ModalAnswerer : public QObject
{
public:
    struct Box
    {
        QMessageBox::Icon icon;
        QString title;
        QString text;
        QString details; // informative and detailed text
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    // What a preview before a download showed.
    struct Preview
    {
        QString title;
        QString target;
        QString summary;
        QStringList rows;    // "code|drive|file|unit", a ticked one led by "+"
        QStringList refused; // the file's rows that cannot be written
        QString default_button;
    };

    QString file;
    QList<Box> boxes;
    // The previews before downloads, kept apart from the boxes that report
    // what happened. Each is answered with 下载所选 after unticking the rows
    // of `untick`, or cancelled when `cancel_preview` is set.
    QList<Preview> previews;
    QStringList untick;
    bool cancel_preview = false;
    QStringList file_dialogs; // "caption|filter"
    // Any other modal widget (the page's own dialogs) is handed here, at
    // every poll while it is up.
    std::function<void(QWidget *)> other;

private:
    void poll();
    void answer_preview(QDialog *dialog);

    QTimer m_timer;
};

// Writes `text` to `path` in GBK; returns the path, or an empty string when
// the file could not be written.
QString gbk_file(const QString &path, const QString &text);

// The machine value behind a code, for the expected texts.
QMachineValue *value_of(const QString &code);

// Base of the page's test classes. Each calls load_page() from its
// initTestCase(), reset_answers() from init() and close_drive() from
// cleanup(). The page and its widgets belong to the plug-in registry and live
// until the program ends.
class ParvexFixture : public QObject
{
protected:
    void load_page();
    void reset_answers();
    void close_drive();

    bool connect_drive(const QStringList &extra = QStringList());
    QTreeWidgetItem *row(const QString &code) const;
    QWidget *open_editor(const QString &code);
    void show_group(int index);
    int reg(int address);
    qint32 reg32(int address);
    bool wait_group_end(QSignalSpy &spy, int timeout_ms = 10000);
    // Waits until nothing is queued or on the line: what was going to be
    // sent has been sent and answered.
    bool wait_line_idle(int timeout_ms = 10000);

    QTemporaryDir m_dir;
    DriveSim m_sim;
    QAbstractPage *m_page = nullptr;
    QWidget *m_widget = nullptr;
    QTreeWidget *m_groups = nullptr;
    QTreeWidget *m_params = nullptr;
    QAction *m_upload = nullptr;
    QAction *m_download = nullptr;
    ModalAnswerer *m_answer = nullptr;
};
