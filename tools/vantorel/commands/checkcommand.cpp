#include "checkcommand.h"

#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <paramset/descriptiontable.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

} // namespace

VantorelCommandSpec CheckCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("check");
    spec.synopsis = QStringLiteral("check FILE.xml");
    spec.summary = QStringLiteral("every problem of a machine description");
    spec.help = QStringLiteral(
        "Usage: vantorel check DRIVE.xml [--json]\n"
        "Checks a machine description and prints every problem with its line: duplicate\n"
        "codes or addresses, overlapping registers, defaults outside the limits, choices\n"
        "that do not cover the default, limits the scale and width cannot hold, and\n"
        "whatever else the program would refuse (a protocol profile that contradicts\n"
        "itself). Exit 0 when the program takes the description, 5 otherwise.\n"
        "Example: vantorel check machines/ACME/100.xml\n");
    spec.make = make_vantorel_command<CheckCommand>;
    return spec;
}

int CheckCommand::run()
{
    VantorelSession &s = session();
    const VantorelOptions &o = s.options();
    if (o.arguments.size() != 1)
        return s.fail(VantorelExit::Usage, VantorelText::tr("用法: vantorel check FILE.xml"));
    const QString path = o.arguments.first();
    const QString shown = QDir::toNativeSeparators(path);
    const QList<DescriptionTable::Problem> problems = DescriptionTable::check(path);
    QJsonArray list;
    for (const DescriptionTable::Problem &p : problems) {
        const QString text = QStringLiteral("%1:%2: %3").arg(shown).arg(p.line).arg(p.reason);
        if (s.out().json()) {
            QJsonObject item;
            item.insert(QStringLiteral("line"), p.line);
            item.insert(QStringLiteral("reason"), p.reason);
            list.append(item);
        } else {
            s.out().line(text);
        }
    }
    if (s.out().json()) {
        QJsonObject doc;
        doc.insert(QStringLiteral("command"), QStringLiteral("check"));
        doc.insert(QStringLiteral("ok"), problems.isEmpty());
        doc.insert(QStringLiteral("exit"), problems.isEmpty() ? VantorelExit::Done : VantorelExit::FileError);
        doc.insert(QStringLiteral("problems"), list);
        s.out().document(QJsonDocument(doc));
        return problems.isEmpty() ? VantorelExit::Done : VantorelExit::FileError;
    }
    if (!problems.isEmpty()) {
        s.out().error(VantorelText::tr("%1: %2 个问题").arg(shown).arg(problems.size()));
        return VantorelExit::FileError;
    }
    s.out().line(VantorelText::tr("%1: 没有问题").arg(shown));
    return VantorelExit::Done;
}
