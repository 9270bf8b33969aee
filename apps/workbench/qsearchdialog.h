#pragma once

#include <communicate/services/qdevicesearch.h>

#include <QDialog>
#include <QList>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// The device search as the operator runs it: what to try (ports, baud
// rates, parity and stop bits, stations, the wait of each probe), the drives
// found as they come, progress with the time left, and Stop. Choosing a
// drive (double-click, or 连接) closes the dialog with it in chosen(); the
// caller stores its settings and connects. Owns its search, which is stopped
// when the dialog closes.
class QSearchDialog : public QDialog
{
    Q_OBJECT
public:
    // port_name: the configured port, offered beside the system's ports.
    explicit QSearchDialog(const QString &port_name, QWidget *parent = nullptr);
    ~QSearchDialog() override;

    tagSearchPlan plan() const;
    // Fills the editors from a plan (ports not listed yet are added).
    void set_plan(const tagSearchPlan &plan);
    // A slow drive's pause kept before each probe (its description's); it
    // has no editor.
    void set_pause_ms(int pause_ms) { m_pause_ms = pause_ms; }
    QDeviceSearch *search() const { return m_search; }
    std::optional<tagFoundDrive> chosen() const { return m_chosen; }
    // Chooses the found drive in row; false when there is none.
    bool choose(int row);

public slots:
    void start_search();
    void stop_search();

protected:
    void done(int result) override;

private:
    void add_port(const QString &name, bool checked);
    void on_found(const tagFoundDrive &drive);
    void on_progress(int done, int total, qint64 ms_left);
    void on_setting_failed(const tagSerialConfig &config, const QString &reason);
    void on_finished(bool stopped);
    void set_running(bool running);

    QDeviceSearch *m_search;
    QListWidget *m_ports;
    QLineEdit *m_port_edit;
    QList<QCheckBox *> m_bauds;    // in the order they are tried
    QList<QCheckBox *> m_framings; // likewise
    QSpinBox *m_first;
    QSpinBox *m_last;
    QSpinBox *m_wait;
    int m_pause_ms = 0;
    QTreeWidget *m_found;
    QProgressBar *m_progress;
    QLabel *m_time_left;
    QLabel *m_message;
    QPushButton *m_start;
    QPushButton *m_stop;
    QPushButton *m_connect;
    QList<tagFoundDrive> m_drives; // by row
    QStringList m_problems;
    std::optional<tagFoundDrive> m_chosen;
};
