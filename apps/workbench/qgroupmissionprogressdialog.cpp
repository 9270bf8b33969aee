#include "qgroupmissionprogressdialog.h"
#include "qlogdialog.h"
#include "ui_qgroupmissionprogressdialog.h"

#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <communicate/missions/qmissionmanager.h>

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

QGroupMissionProgressDialog::QGroupMissionProgressDialog(QWidget *parent)
    : QBaseDialog(parent, Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , ui(new Ui::QGroupMissionProgressDialog)
    , m_total(0)
{
    ui->setupUi(this);
    // The form's 30 pixels hold "42.9%" only in a small Latin font; with the
    // Chinese interface font the percent sign was cut off. Wide enough for
    // the widest text it shows, never narrower than the form's width.
    const int widest = ui->label->fontMetrics().horizontalAdvance(QStringLiteral("100.0%"));
    ui->label->setFixedWidth(qMax(ui->label->minimumWidth(), widest + 2));
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    // Queued: the manager's signals must never run these slots inside the
    // call that emitted them.
    connect(manager, &QMissionManager::mission_group_start, this,
            &QGroupMissionProgressDialog::start, Qt::QueuedConnection);
    connect(manager, &QMissionManager::mission_group_end, this,
            &QGroupMissionProgressDialog::end, Qt::QueuedConnection);
    connect(manager, &QMissionManager::mission_group_progress, this,
            &QGroupMissionProgressDialog::progress, Qt::QueuedConnection);
    setWindowTitle(QStringLiteral("0.0%"));
}

QGroupMissionProgressDialog::~QGroupMissionProgressDialog()
{
    // The warning below runs an event loop: no queued start, progress or end
    // may reach this half-destroyed dialog from it.
    QMissionManager *manager = QSoftCore::get_core()->get_communicate()->mission_manager();
    disconnect(manager, nullptr, this, nullptr);
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);

    if (m_total > 0) {
        // Only the first report counts: nothing may report this group again.
        m_total = 0;
        const QString name = manager->group_mission_name();
        if (name.isEmpty()) {
            QSoftCore::get_core()->emit_mission_group_done(false);
        } else {
            QMessageBox::warning(parentWidget(), tr("警告"),
                                 name + tr("失败！"), QMessageBox::Ok);
        }
    }
    delete ui;
}

void QGroupMissionProgressDialog::set_percent_text(const QString &text)
{
    ui->label->setText(text);
    setWindowTitle(text);
}

void QGroupMissionProgressDialog::start(int size)
{
    m_total = size;
    ui->progressBar->setValue(0);
    set_percent_text(QStringLiteral("0.0%"));
    raise();
    // The window may delete this dialog while exec() runs (the link went
    // down); after that nothing here may be touched.
    QPointer<QGroupMissionProgressDialog> self(this);
    exec();
    if (!self)
        return;
}

void QGroupMissionProgressDialog::progress(int value)
{
    // Nothing to measure against while no group runs.
    if (m_total <= 0)
        return;
    const int done = m_total - value;
    ui->progressBar->setValue(done * 100 / m_total);
    set_percent_text(QString::asprintf("%0.1f%%", done * 100.0 / m_total));
}

void QGroupMissionProgressDialog::end(bool success)
{
    m_total = 0;
    QSoftCore *core = QSoftCore::get_core();
    const QString name = core->get_communicate()->mission_manager()->group_mission_name();
    QWidget *parent = parentWidget();
    close();

    if (name.isEmpty()) {
        core->emit_mission_group_done(success);
        return;
    }

    if (success) {
        if (core->m_show_err_log && !core->getErrlogs().isEmpty()) {
            QLogDialog log(nullptr);
            log.exec();
            core->m_show_err_log = false;
            return;
        }
        // A success: the information icon, so it does not read as an error.
        QMessageBox::information(parent, tr("提示"), name + tr("成功"),
                                 QMessageBox::Ok, QMessageBox::NoButton);
        core->sendUpdateAllPara();
        return;
    }

    if (core->m_show_err_log) {
        QLogDialog log(nullptr);
        log.exec();
        core->m_show_err_log = false;
    }
}
