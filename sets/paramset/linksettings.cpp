#include "linksettings.h"

#include <QCoreApplication>

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

// The parity as stored: its character's code ("110"), or the letter itself.
char parity_of(const QVariant &stored, bool *ok)
{
    const QString text = stored.toString().trimmed();
    bool number = false;
    const int code = text.toInt(&number);
    const char c = number ? (code > 0 && code < 128 ? char(code) : 0)
                          : (text.size() == 1 ? text.at(0).toLower().toLatin1() : 0);
    *ok = c == 'n' || c == 'o' || c == 'e';
    return *ok ? c : 'n';
}

bool whole_in(const QString &text, qint64 lowest, qint64 highest)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok && n >= lowest && n <= highest;
}

QString shown(const QVariant &stored)
{
    QString text = stored.toString();
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0xFFFD);
    }
    return text.size() > 60 ? text.left(60) + QStringLiteral("…") : text;
}



} // namespace

tagSerialConfig read(const Getter &get, QString *bad_station)
{
    const tagSerialConfig defaults;
    tagSerialConfig config;
    config.baud_rate = number(get, KeyBaudRate, defaults.baud_rate);
    config.data_length = number(get, KeyDataLength, defaults.data_length);
    // The parity is stored as its character's code ('n' = 110).
    bool parity_ok = false;
    const QVariant parity = get(KeyParity);
    config.parity = parity.toString().isEmpty() ? defaults.parity : parity_of(parity, &parity_ok);
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

QString Problem::text() const
{
    return QCoreApplication::translate("LinkSettings", "%1 “%2”：%3").arg(key, value, reason);
}

QList<Problem> problems(const Getter &get, bool *port_named)
{
    QList<Problem> out;
    const auto check = [&](Problem::Kind kind, const QString &key, const std::function<bool(const QString &)> &good,
                           const QString &reason) {
        const QVariant stored = get(key);
        const QString text = stored.toString();
        if (!stored.isValid() || text.isEmpty() || good(text))
            return;
        out.append({kind, key, shown(stored), reason});
    };
    check(Problem::How, KeyBaudRate, [](const QString &t) { return whole_in(t, 50, 4000000); },
          QCoreApplication::translate("LinkSettings", "波特率应为 50..4000000 的整数"));
    check(Problem::How, KeyDataLength, [](const QString &t) { return whole_in(t, 5, 8); },
          QCoreApplication::translate("LinkSettings", "数据位应为 5..8"));
    check(Problem::How, KeyParity, [](const QString &t) {
        bool ok = false;
        parity_of(QVariant(t), &ok);
        return ok;
    }, QCoreApplication::translate("LinkSettings", "校验应为 n、o 或 e（无、奇、偶）"));
    check(Problem::How, KeyStop, [](const QString &t) { return whole_in(t, 1, 2); }, QCoreApplication::translate("LinkSettings", "停止位应为 1 或 2"));
    check(Problem::Where, KeySerialNumber, [](const QString &t) { return whole_in(t, 1, 255); },
          QCoreApplication::translate("LinkSettings", "端口号应为 1..255 的整数"));
    check(Problem::Where, KeyStation, [](const QString &t) { return whole_in(t, 1, MaxStation); },
          QCoreApplication::translate("LinkSettings", "站号应为 1..247 的整数"));
    check(Problem::Where, KeyPortName, [](const QString &t) {
        for (const QChar c : t) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return false;
        }
        return true;
    }, QCoreApplication::translate("LinkSettings", "端口名中有控制字符（换行等）"));
    if (port_named) {
        const QVariant number = get(KeySerialNumber);
        *port_named = !get(KeyPortName).toString().trimmed().isEmpty()
            || (number.isValid() && !number.toString().trimmed().isEmpty());
    }
    return out;
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
