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

    QString file;
    QList<Box> boxes;
    // The questions before downloads, answered with their first button
    // (下载) and kept apart from the boxes that report what happened;
    // `confirm_defaults` holds each one's default button's text.
    QList<Box> confirms;
    QStringList confirm_defaults;
    QStringList file_dialogs; // "caption|filter"
    // Asked first about every message box: true when it answered the box
    // itself (the default answer is the first button).
    std::function<bool(QMessageBox *)> box_answer;
    // Any other modal widget (the page's own dialogs) is handed here, at
    // every poll while it is up.
    std::function<void(QWidget *)> other;

private:
    void poll();

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
