#pragma once

#include <core/plugin/qabstractpagewidget.h>
#include <paramset/qmonitorrecorder.h>
#include "qdrivestate.h"
#include "qtrendhistory.h"
#include "tagmonitorsample.h"

#include <QHash>
#include <QList>
#include <QTimer>

class MiniSplitter;
class QAction;
class QComboBox;
class QLabel;
class QMachineValue;
class QMonitorPoller;
class QParamDialog;
class QTrendChart;
class QTreeWidget;

// The monitoring page: the monitored runtime values in a table (code, name,
// value, unit, lowest and highest seen) above their trend, with the commands
// to choose the values, the poll period, the axis mode, pause and recording.
// Built once when the plug-in is loaded; the main window's tab widget owns it.
//
// The rows and the poller point into the core's machine model and are
// emptied before it goes (clear_machine_signal). The history and a running
// recording outlive a model: they are keyed by code, so a reconnect (which
// rebuilds the model) continues them, with a gap.
class QMonitorWidget : public QAbstractPageWidget
{
    Q_OBJECT
public:
    explicit QMonitorWidget(QWidget *parent = nullptr);

    // The settings key that holds the selection of the current model.
    static QString selection_key();
    // False, the period unchanged, for one the operator cannot choose.
    bool set_period(int ms);

    QMonitorPoller *poller() const { return m_poller; }
    QTrendChart *chart() const { return m_chart; }
    const QTrendHistory &history() const { return m_history; }

    // The line beside the buttons while a recording runs, and after it stopped.
    static QString recording_text(const QString &file_name, qint64 elapsed_ms, qint64 rows);
    static QString saved_text(const QString &path, qint64 rows);

public slots:
    void choose_values();
    void toggle_recording();
    void set_paused(bool paused);

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum Column { CODE, NAME, VALUE, UNIT, LOWEST, HIGHEST, COLUMN_COUNT };
    struct Row
    {
        QMachineValue *value;
        int channel;
        bool seen = false;
        int low_raw = 0;
        int high_raw = 0;
    };

    void machine_built();
    void machine_gone();
    void went_offline();
    void show_values(const QList<QMachineValue *> &values);
    void take_sample(const tagMonitorSample &sample);
    void recording_failed(const QString &path, const QString &reason);
    void update_record_action();
    void update_record_status();
    void show_drive_state(const QDriveState::Reading &state, const QDriveState::Reading &fault);
    void period_chosen(int index);

    QMonitorPoller *m_poller;
    QTrendHistory m_history;
    QMonitorRecorder m_recorder;
    QTrendChart *m_chart;
    QTreeWidget *m_table;
    MiniSplitter *m_splitter;
    bool m_splitter_placed = false;
    QComboBox *m_period_box;
    QComboBox *m_axis_box;
    QAction *m_select_action;
    QAction *m_record_action;
    QAction *m_pause_action;
    QLabel *m_record_status;
    QLabel *m_drive_state;
    bool m_recording_failed = false;
    QParamDialog *m_pick_dialog = nullptr;
    QList<Row> m_rows;
    QTimer m_redraw_timer;
    // Trend times are wall-clock milliseconds taken from a steady clock:
    // the poller's clock plus this.
    qint64 m_epoch_offset;
};
