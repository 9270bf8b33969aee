#include "linksettings.h"

namespace LinkSettings {

namespace {

const QString KeyBaudRate = QStringLiteral("Communicate.BaudRate");
const QString KeyDataLength = QStringLiteral("Communicate.DataLength");
const QString KeyParity = QStringLiteral("Communicate.Parity");
const QString KeySerialNumber = QStringLiteral("Communicate.SerialNumber");
const QString KeyStop = QStringLiteral("Communicate.Stop");
const QString KeyPortName = QStringLiteral("Communicate.PortName");
const QString KeyStation = QStringLiteral("Communicate.Station");
const QString KeyLocalEcho = QStringLiteral("Communicate.LocalEcho");
constexpr int MaxStation = 247;

int number(const Getter &get, const QString &key, int fallback)
{
    const int n = get(key).toInt();
    return n == 0 ? fallback : n;
}

} // namespace

tagSerialConfig read(const Getter &get, QString *bad_station)
{
    const tagSerialConfig defaults;
    tagSerialConfig config;
    config.baud_rate = number(get, KeyBaudRate, defaults.baud_rate);
    config.data_length = number(get, KeyDataLength, defaults.data_length);
    // The parity is stored as its character's code ('n' = 110).
    config.parity = char(number(get, KeyParity, defaults.parity));
    config.serial_number = number(get, KeySerialNumber, defaults.serial_number);
    config.stop = number(get, KeyStop, defaults.stop);
    config.port_name = get(KeyPortName).toString();
    config.local_echo = get(KeyLocalEcho).toInt() != 0;

    const QString station = get(KeyStation).toString().trimmed();
    bool whole = false;
    const int number = station.toInt(&whole);
    if (bad_station)
        bad_station->clear();
    config.station = defaults.station;
    if (whole && number >= 1 && number <= MaxStation)
        config.station = number;
    else if (!station.isEmpty() && bad_station)
        *bad_station = station;
    return config;
}

void write(const Setter &set, const tagSerialConfig &config)
{
    set(KeyBaudRate, QVariant(config.baud_rate));
    set(KeyDataLength, QVariant(config.data_length));
    set(KeyParity, QVariant(int(config.parity)));
    set(KeySerialNumber, QVariant(config.serial_number));
    set(KeyStop, QVariant(config.stop));
    set(KeyPortName, QVariant(config.port_name));
    set(KeyStation, QVariant(config.station));
    set(KeyLocalEcho, QVariant(config.local_echo ? 1 : 0));
}

} // namespace LinkSettings
