#include "qcommunicatedialog.h"
#include "ui_qcommunicatedialog.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace {

// Device names of the serial ports the system lists, in the order the link
// maps port numbers to them.
QStringList available_port_names()
{
    QStringList names;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
#ifdef Q_OS_WIN
        names.append(info.portName());
#else
        names.append(info.systemLocation());
#endif
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

QCommunicateDialog::QCommunicateDialog(const tagSerialConfig &config, QWidget *parent)
    : QBaseDialog(parent, Qt::WindowTitleHint)
    , ui(new Ui::QCommunicateDialog)
    , m_config(config)
    , m_ret(0)
{
    ui->setupUi(this);
    setProperty("no-ManhattanStyle", true);

    auto select_text = [](QComboBox *box, int value) {
        box->setCurrentIndex(box->findText(QString::number(value), Qt::MatchExactly | Qt::MatchCaseSensitive));
    };
    select_text(ui->rate, m_config.baud_rate);
    select_text(ui->data_length, m_config.data_length);
    select_text(ui->stop, m_config.stop);
    switch (m_config.parity) {
    case 'o':
        ui->parity->setCurrentIndex(1);
        break;
    case 'e':
        ui->parity->setCurrentIndex(2);
        break;
    default:
        ui->parity->setCurrentIndex(0);
        break;
    }
    ui->serial_nummber->setValue(m_config.serial_number);
    if (m_config.station < 1 || m_config.station > 247)
        note_invalid_station(QString::number(m_config.station));
    else
        ui->station->setValue(m_config.station);

    // The empty entry means "choose by port number"; a typed path (a
    // pseudo-terminal, an adapter the system does not list) is kept as typed.
    ui->local_echo->setChecked(m_config.local_echo);
    ui->port_name->addItem(QString());
    ui->port_name->addItems(available_port_names());
    const int listed = ui->port_name->findText(m_config.port_name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0)
        ui->port_name->setCurrentIndex(listed);
    else
        ui->port_name->setEditText(m_config.port_name);
}

QCommunicateDialog::~QCommunicateDialog()
{
    delete ui;
}

int QCommunicateDialog::get_ret()
{
    return m_ret;
}

tagSerialConfig QCommunicateDialog::get_config()
{
    return m_config;
}

void QCommunicateDialog::note_invalid_station(const QString &stored)
{
    ui->station->setValue(1);
    ui->stationNote->setText(tr("存储的站号“%1”无效（应为 1 至 247 的整数），已改用 1。").arg(stored));
    ui->stationNote->setVisible(true);
}

void QCommunicateDialog::on_okBtn_clicked()
{
    m_config.serial_number = ui->serial_nummber->value();
    m_config.baud_rate = ui->rate->currentText().toInt(nullptr, 10);
    m_config.data_length = ui->data_length->currentText().toInt(nullptr, 10);
    m_config.stop = ui->stop->currentText().toInt(nullptr, 10);
    switch (ui->parity->currentIndex()) {
    case 1:
        m_config.parity = 'o';
        break;
    case 2:
        m_config.parity = 'e';
        break;
    default:
        m_config.parity = 'n';
        break;
    }
    m_config.port_name = ui->port_name->currentText().trimmed();
    m_config.station = ui->station->value();
    m_config.local_echo = ui->local_echo->isChecked();
    m_ret = 1;
    close();
}

void QCommunicateDialog::on_cancelBtn_clicked()
{
    close();
}
