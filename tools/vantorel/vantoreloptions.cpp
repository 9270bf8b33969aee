#include "vantoreloptions.h"

#include "vantorelcommands.h"
#include "vantoreltr.h"

#include <QCoreApplication>
#include <QHash>

#include <functional>

namespace {

bool to_int(const QString &text, int lowest, int highest, int *out)
{
    // Digits only: "+1", " 1" inside a list or "1e1" are not what a script
    // meant to write, and are refused rather than guessed.
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 9)
        return false;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const int n = digits.toInt(&ok, 10);
    if (!ok || n < lowest || n > highest)
        return false;
    *out = n;
    return true;
}

} // namespace

bool VantorelOptions::parse_list(const QString &text, int lowest, int highest, QList<int> *list)
{
    list->clear();
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString &part : parts) {
        const int dash = int(part.indexOf(QLatin1Char('-')));
        int first = 0;
        int last = 0;
        if (dash < 0) {
            if (!to_int(part, lowest, highest, &first))
                return false;
            last = first;
        } else if (!to_int(part.left(dash), lowest, highest, &first)
                   || !to_int(part.mid(dash + 1), lowest, highest, &last) || last < first) {
            return false;
        }
        for (int n = first; n <= last; ++n) {
            if (!list->contains(n))
                list->append(n);
        }
    }
    return true;
}

bool VantorelOptions::parse(const QStringList &arguments, VantorelOptions *o, QString *error)
{
    using Take = std::function<bool(const QString &)>;
    const auto number = [](int *field, int lowest, int highest) -> Take {
        return [=](const QString &v) { return to_int(v, lowest, highest, field); };
    };
    const auto text = [](QString *field) -> Take {
        return [=](const QString &v) {
            *field = v;
            return !v.isEmpty();
        };
    };
    const QHash<QString, Take> valued{
        {QStringLiteral("port"), text(&o->port)},
        {QStringLiteral("baud"), number(&o->baud, 1, 4000000)},
        {QStringLiteral("parity"),
         [o](const QString &v) {
             const QString p = v.trimmed().toLower();
             if (p != QLatin1String("n") && p != QLatin1String("e") && p != QLatin1String("o"))
                 return false;
             o->parity = p.at(0).toLatin1();
             return true;
         }},
        {QStringLiteral("stop"), number(&o->stop, 1, 2)},
        {QStringLiteral("station"),
         [o](const QString &v) {
             int n = 0;
             if (!to_int(v, 1, 247, &n))
                 return false;
             o->stations = {n};
             o->several_stations = false;
             return true;
         }},
        {QStringLiteral("stations"),
         [o](const QString &v) {
             o->several_stations = true;
             return parse_list(v, 1, 247, &o->stations);
         }},
        {QStringLiteral("config"), text(&o->config)},
        {QStringLiteral("machine"), text(&o->machine)},
        {QStringLiteral("history"), text(&o->history)},
        {QStringLiteral("note"), text(&o->note)},
        {QStringLiteral("timeout"), number(&o->timeout, 1, 60000)},
        {QStringLiteral("retries"), number(&o->retries, 0, 10)},
        {QStringLiteral("period"), number(&o->period, 10, 3600000)},
        {QStringLiteral("count"), number(&o->count, 1, 100000000)},
        {QStringLiteral("csv"), text(&o->csv)},
        {QStringLiteral("snapshot"), text(&o->snapshot)},
        {QStringLiteral("code"), text(&o->code)},
        {QStringLiteral("since"), text(&o->since)},
        {QStringLiteral("ports"),
         [o](const QString &v) {
             o->scan_ports = v.split(QLatin1Char(','), Qt::SkipEmptyParts);
             return !o->scan_ports.isEmpty();
         }},
        {QStringLiteral("bauds"),
         [o](const QString &v) {
             o->scan_bauds.clear();
             for (const QString &b : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                 int n = 0;
                 if (!to_int(b, 1, 4000000, &n))
                     return false;
                 o->scan_bauds.append(n);
             }
             return !o->scan_bauds.isEmpty();
         }},
        {QStringLiteral("parities"),
         [o](const QString &v) {
             o->scan_parities = v.toLower().remove(QLatin1Char(','));
             for (const QChar c : std::as_const(o->scan_parities)) {
                 if (c != QLatin1Char('n') && c != QLatin1Char('e') && c != QLatin1Char('o'))
                     return false;
             }
             return !o->scan_parities.isEmpty();
         }},
        {QStringLiteral("wait"), number(&o->wait, 1, 60000)},
        {QStringLiteral("output"), text(&o->output)},
    };
    const QHash<QString, bool *> flags{
        {QStringLiteral("help"), &o->help},       {QStringLiteral("json"), &o->json},
        {QStringLiteral("verbose"), &o->verbose}, {QStringLiteral("raw"), &o->raw},
        {QStringLiteral("no-backup"), &o->no_backup}, {QStringLiteral("no-verify"), &o->no_verify},
        {QStringLiteral("defaults"), &o->defaults}, {QStringLiteral("echo"), &o->echo},
        {QStringLiteral("record"), &o->record},
        {QStringLiteral("changed-only"), &o->changed_only}, {QStringLiteral("dry-run"), &o->dry_run},
    };

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("-h")) {
            o->help = true;
            continue;
        }
        if (arg == QLatin1String("-o")) {
            if (i + 1 >= arguments.size()) {
                *error = VantorelText::tr("选项 -o 缺少文件名");
                return false;
            }
            o->output = arguments.at(++i);
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            if (o->command.isEmpty())
                o->command = arg;
            else
                o->arguments.append(arg);
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const int eq = int(name.indexOf(QLatin1Char('=')));
        const bool inline_value = eq >= 0;
        if (inline_value) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        if (bool *flag = flags.value(name, nullptr)) {
            if (inline_value) {
                *error = VantorelText::tr("选项 --%1 不带参数").arg(name);
                return false;
            }
            *flag = true;
            continue;
        }
        const auto take = valued.constFind(name);
        if (take == valued.constEnd()) {
            *error = VantorelText::tr("未知选项 --%1").arg(name);
            return false;
        }
        if (!inline_value) {
            if (i + 1 >= arguments.size()) {
                *error = VantorelText::tr("选项 --%1 缺少参数").arg(name);
                return false;
            }
            value = arguments.at(++i);
        }
        if (!(*take)(value)) {
            *error = VantorelText::tr("选项 --%1 的参数“%2”无效").arg(name, value);
            return false;
        }
    }
    if (!o->command.isEmpty() && !VantorelHelp::is_command(o->command)) {
        *error = VantorelText::tr("未知命令 %1").arg(o->command);
        return false;
    }
    return true;
}
