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
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "机器描述的所有问题");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel check DRIVE.xml [--json]\n"
        "检查机器描述，列出每个问题及其所在行：重复的代码或地址、重叠的寄存器、\n"
        "超出限值的默认值、不包含默认值的选项、比例和宽度容纳不下的限值，以及\n"
        "程序会拒绝的其他一切（自相矛盾的协议配置）。程序接受该描述时退出码为 0，\n"
        "否则为 5。\n"
        "示例: vantorel check machines/ACME/100.xml\n");
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
