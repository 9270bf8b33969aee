#include "paramverify.h"

#include <communicate/services/qlinkerrortext.h>
#include <machine/qmachinevalue.h>

#include <QCoreApplication>
#include <QSet>

namespace ParamVerify {

namespace {

QString code_of(QMachineValue *value)
{
    return value->get_value_property(VALUE_CODE).toString();
}

QString with_unit(QMachineValue *value, int raw)
{
    const QString unit = value->display_unit();
    const QString text = value->text_of_raw(raw);
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

} // namespace

tagVerifyReport verify(const QList<Write> &writes, const QHash<QMachineValue *, int> &read_back,
                       const QHash<QMachineValue *, int> &write_errors,
                       const QSet<QMachineValue *> &partly_written)
{
    // The last write of each parameter is what the drive should hold.
    QList<QMachineValue *> order;
    QHash<QMachineValue *, int> wanted;
    for (const Write &write : writes) {
        if (!write.value)
            continue;
        if (!wanted.contains(write.value))
            order.append(write.value);
        wanted.insert(write.value, write.raw);
    }

    tagVerifyReport report;
    for (QMachineValue *value : std::as_const(order)) {
        tagVerifyReport::Row row;
        row.value = value;
        row.wanted = wanted.value(value);
        const auto error = write_errors.constFind(value);
        if (error != write_errors.constEnd()) {
            row.error = error.value();
            row.partly = partly_written.contains(value);
            const auto read = read_back.constFind(value);
            if (row.partly && read != read_back.constEnd()) {
                row.read_back = true;
                row.drive = read.value();
            }
            report.refused.append(row);
            continue;
        }
        ++report.written;
        const auto read = read_back.constFind(value);
        if (read == read_back.constEnd()) {
            report.unread.append(row);
            continue;
        }
        row.drive = read.value();
        if (value->number_of_raw(row.drive) == value->number_of_raw(row.wanted)) {
            ++report.verified;
        } else {
            report.different.append(row);
        }
    }
    return report;
}

QStringList lines(const tagVerifyReport &report)
{
    QStringList out;
    for (const tagVerifyReport::Row &row : report.different) {
        out.append(QCoreApplication::translate("ParamVerify", "%1 %2：写入 %3，设备为 %4")
                       .arg(code_of(row.value), row.value->display_name(),
                            with_unit(row.value, row.wanted), with_unit(row.value, row.drive)));
    }
    for (const tagVerifyReport::Row &row : report.unread) {
        out.append(QCoreApplication::translate("ParamVerify", "%1 %2：写入 %3，读回失败")
                       .arg(code_of(row.value), row.value->display_name(),
                            with_unit(row.value, row.wanted)));
    }
    for (const tagVerifyReport::Row &row : report.refused) {
        if (row.partly) {
            const QString now = row.read_back
                ? QCoreApplication::translate("ParamVerify", "设备现为 %1").arg(with_unit(row.value, row.drive))
                : QCoreApplication::translate("ParamVerify", "读回失败，请检查设备中的值");
            out.append(QCoreApplication::translate("ParamVerify", "%1 %2：写入 %3 中断（%4），可能只写入了一半，%5")
                           .arg(code_of(row.value), row.value->display_name(),
                                with_unit(row.value, row.wanted), QLinkErrorText::reason(row.error), now));
            continue;
        }
        out.append(QCoreApplication::translate("ParamVerify", "%1 %2：写入 %3 被拒绝，%4")
                       .arg(code_of(row.value), row.value->display_name(),
                            with_unit(row.value, row.wanted), QLinkErrorText::reason(row.error)));
    }
    return out;
}

} // namespace ParamVerify
