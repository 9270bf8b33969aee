#include "qdrivestate.h"

#include <machine/qmachinevalue.h>
#include <machine/valuepropertyextra.h>

#include <QStringList>

namespace {

struct Bit
{
    int bit;
    QString meaning;
    QString name;
};

QList<Bit> bits_of(const QMachineValue *value)
{
    const QString text = value->get_value_property(extra_property(QMachineValue::english() ? VALUE_BITS_EN : VALUE_BITS))
                             .toString();
    QList<Bit> bits;
    for (const QString &entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int first = entry.indexOf(QLatin1Char(':'));
        const int second = entry.indexOf(QLatin1Char(':'), first + 1);
        if (first < 0 || second < 0)
            continue;
        bits.append({entry.left(first).toInt(), entry.mid(first + 1, second - first - 1), entry.mid(second + 1)});
    }
    return bits;
}

QString fault_name(const QMachineValue *value, qint64 code)
{
    const QString text = value->get_value_property(extra_property(QMachineValue::english() ? VALUE_FAULTS_EN : VALUE_FAULTS))
                             .toString();
    const QString key = QString::number(code) + QLatin1Char(':');
    for (const QString &entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (entry.startsWith(key))
            return entry.mid(key.size());
    }
    return QString();
}

bool usable(const QDriveState::Reading &reading)
{
    return reading.value && reading.read;
}

} // namespace

QDriveState::Kind QDriveState::kind(const Reading &state, const Reading &fault)
{
    if (usable(fault) && fault.value->number_of_raw(fault.raw) != 0)
        return Faulted;
    if (!usable(state))
        return Unknown;
    const qint64 word = state.value->number_of_raw(state.raw);
    bool has_run = false;
    bool running = false;
    for (const Bit &bit : bits_of(state.value)) {
        const bool set = (word >> bit.bit) & 1;
        if (bit.meaning == QLatin1String("fault") && set)
            return Faulted;
        if (bit.meaning == QLatin1String("run")) {
            has_run = true;
            running = set;
        }
    }
    if (!has_run)
        return Unknown;
    return running ? Running : Stopped;
}

QString QDriveState::text(const Reading &state, const Reading &fault)
{
    QStringList words;
    switch (kind(state, fault)) {
    case Running: words << tr("运行"); break;
    case Stopped: words << tr("停止"); break;
    case Faulted: {
        const qint64 code = usable(fault) ? fault.value->number_of_raw(fault.raw) : 0;
        if (code == 0) {
            words << tr("故障");
        } else {
            const QString name = fault_name(fault.value, code);
            words << (name.isEmpty() ? tr("故障：代码 %1").arg(code) : tr("故障：%1").arg(name));
        }
        break;
    }
    case Unknown: break;
    }
    if (usable(state)) {
        const qint64 word = state.value->number_of_raw(state.raw);
        for (const Bit &bit : bits_of(state.value)) {
            if (bit.meaning.isEmpty() && ((word >> bit.bit) & 1))
                words << bit.name;
        }
    }
    return words.join(QStringLiteral(" · "));
}
