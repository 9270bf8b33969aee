#pragma once

#include "answerwatch.h"

#include <communicate/tagserialconfig.h>
#include <coredata/quilanguage.h>

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <functional>

class FancyTabWidget;
class QDiagnosticsDialog;
class QLabel;
class QAbstractPage;
class QGroupMissionProgressDialog;
class QMdiSubWindow;
class QMenuBar;
class QMessageBox;

// The program's one window: menus from the core's menu action map, the
// navigation widget with the pages of the loaded page plug-ins, and the link
// state. Publishes itself to the core through the application's "MainWindow"
// property. Owns the progress dialog while the link is online; the pages'
// plug-ins belong to the plug-in loader, their widgets to the navigation
// widget.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // How long the probe after 连接设备 may go unanswered before the
    // operator is told, once per attempt.
    static constexpr int NoAnswerNoticeMs = 3000;

    FancyTabWidget *tab_widget() const { return m_tab_widget; }
    QGroupMissionProgressDialog *progress_dialog() const { return m_progress_dialog; }
    tagSerialConfig serial_config() const { return m_serial_config; }
    QDiagnosticsDialog *diagnostics_dialog() const { return m_diagnostics; }

    // How often the status bar's line of link counters is brought up to date.
    static constexpr int LinkSummaryMs = 500;
    // How often the no-answer state is looked at between the link's reports.
    static constexpr int AnswerTickMs = 250;

    // The steady clock (milliseconds) the no-answer state is judged on;
    // tests hand in a virtual one (null: the real one again).
    void set_clock(std::function<qint64()> now);
    // Judges the no-answer state now (the tick timer calls it too).
    void check_answers();

    // What the status bar says after the interface language was changed,
    // in the language chosen (Chinese where its translation below
    // program_dir is missing).
    static QString restart_notice(QUiLanguage::Language language, const QString &program_dir);

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

protected slots:
    void add_sub_window(QMdiSubWindow *sub_window);
    void serial_connect_fast();
    void serial_connect();
    void serial_disconnect();
    void offline();
    void online();
    void search_devices();
    void show_diagnostics();

private:
    void register_menus();
    QAction *language_action();
    void build_menu_bar();
    void add_pages();
    void read_serial_config();
    void write_serial_config();
    void stop_waiting_for_answer();
    void no_answer();
    // Stores the settings of a drive found by the search and connects to it.
    void connect_found(const tagSerialConfig &config);
    void update_link_summary();
    void update_title();
    // True when every page may lose what it edits (asked as needed).
    bool pages_released();
    // What a page edits without a drive, for the title; empty when nothing.
    QString document_title() const;
    void link_unanswered(int code);
    void link_answered();
    void show_answer_state();

    QMenuBar *m_menu_bar;
    tagSerialConfig m_serial_config;
    QGroupMissionProgressDialog *m_progress_dialog;
    FancyTabWidget *m_tab_widget;
    QList<QAbstractPage *> m_pages;
    // Runs from a successful 连接设备 until the drive answers or the link
    // closes; the notice it shows is not modal and deletes itself on close.
    QTimer m_no_answer_timer;
    QPointer<QMessageBox> m_no_answer_box;
    // Said once when the link went away by itself; the next connection
    // closes it.
    QPointer<QMessageBox> m_link_lost_box;
    // The stored station when it is not a whole number in 1..247 (it is
    // used as 1 then, and the settings dialog says so); empty otherwise.
    QString m_bad_station;
    QDiagnosticsDialog *m_diagnostics = nullptr; // made when first asked for
    QLabel *m_link_summary = nullptr;            // in the status bar
    QTimer m_link_summary_timer;
    AnswerWatch m_answer_watch;
    QElapsedTimer m_steady;
    std::function<qint64()> m_now;
    QTimer m_answer_tick;
    // Set while the operator's own 断开连接 closes the link.
    bool m_closing = false;
};
