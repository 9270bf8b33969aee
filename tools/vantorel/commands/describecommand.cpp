#include "describecommand.h"

#include "vantorelexit.h"
#include "vantoreloptions.h"
#include "vantoreloutput.h"
#include "vantorelsession.h"
#include "vantoreltr.h"

#include <coredata/qsafefile.h>
#include <paramset/descriptiontable.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A table is a spreadsheet's export; anything far larger is not one.
constexpr qint64 kMaxTableBytes = 16 * 1024 * 1024;

} // namespace

VantorelCommandSpec DescribeCommand::spec()
{
    VantorelCommandSpec spec;
    spec.name = QStringLiteral("describe");
    spec.synopsis = QStringLiteral("describe TABLE.csv -o FILE");
    spec.summary = QT_TRANSLATE_NOOP("VantorelTool", "由参数表生成机器描述");
    spec.help = QT_TRANSLATE_NOOP("VantorelTool",
        "用法: vantorel describe TABLE.csv -o DRIVE.xml [--json]\n"
        "把参数表（CSV，GBK 或 UTF-8，每个参数一行）转成机器描述。标题行给出\n"
        "各列的名字，顺序不限：code、name、name-en、address（十进制或 0x 十六进制）、\n"
        "width（1、2、int16、uint16、int32、uint32、float）、scale 或 decimals、default、\n"
        "min、max、unit、unit-en、choices（\"0=V/F控制;1=矢量控制\"）、choices-en、access\n"
        "（rw、ro、stop）、help、group、start；中文标题（代码、名称、地址、默认值……）\n"
        "也可以。只有 code 和 address 是必需的。没有 group 列时，参数按代码中 '-'\n"
        "之前的部分分组；组 \"Runtime\" 是运行值页。描述按 `vantorel check` 的方式\n"
        "检查，只有加载程序接受时才写出。驱动器的 Modbus 习惯不同时，加一个\n"
        "<Protocol> 元素（见 README）。\n"
        "示例: vantorel describe manual-table.csv -o machines/ACME/100.xml\n");
    spec.make = make_vantorel_command<DescribeCommand>;
    return spec;
}

int DescribeCommand::run()
{
    VantorelSession &s = session();
    const VantorelOptions &o = s.options();
    if (o.arguments.size() != 1 || o.output.isEmpty())
        return s.fail(VantorelExit::Usage, VantorelText::tr("用法: vantorel describe TABLE.csv -o FILE.xml"));
    const QString table_path = o.arguments.first();
    QFile table(table_path);
    if (!table.open(QIODevice::ReadOnly)) {
        return s.fail(VantorelExit::FileError, VantorelText::tr("%1: 无法读取 (%2)")
                                                   .arg(QDir::toNativeSeparators(table_path), table.errorString()));
    }
    if (table.size() > kMaxTableBytes) {
        return s.fail(VantorelExit::FileError, VantorelText::tr("%1: 文件太大，不是参数表")
                                                   .arg(QDir::toNativeSeparators(table_path)));
    }
    QByteArray xml;
    DescriptionTable::Problem problem;
    if (!DescriptionTable::describe(table.readAll(), QFileInfo(table_path).completeBaseName(), &xml,
                                    &problem)) {
        return s.fail(VantorelExit::FileError,
                      QStringLiteral("%1:%2: %3")
                          .arg(QDir::toNativeSeparators(table_path))
                          .arg(problem.line)
                          .arg(problem.reason));
    }
    QString reason;
    if (!QSafeFile::write(o.output, xml, &reason))
        return s.fail(VantorelExit::FileError, reason);
    // A table can hold what no description may (a default outside its
    // limits): the file is kept for mending, and the problems are listed.
    const QList<DescriptionTable::Problem> problems = DescriptionTable::check(o.output);
    const QString shown = QDir::toNativeSeparators(o.output);
    for (const DescriptionTable::Problem &p : problems)
        s.out().error(QStringLiteral("%1:%2: %3").arg(shown).arg(p.line).arg(p.reason));
    if (!problems.isEmpty()) {
        return s.fail(VantorelExit::FileError,
                      VantorelText::tr("%1: 描述已写出，但有 %2 个问题").arg(shown).arg(problems.size()));
    }
    if (s.out().json()) {
        QJsonObject doc;
        doc.insert(QStringLiteral("command"), QStringLiteral("describe"));
        doc.insert(QStringLiteral("ok"), true);
        doc.insert(QStringLiteral("exit"), 0);
        doc.insert(QStringLiteral("file"), QFileInfo(o.output).absoluteFilePath());
        s.out().document(QJsonDocument(doc));
    } else {
        s.out().line(VantorelText::tr("已写出 %1").arg(shown));
    }
    return VantorelExit::Done;
}
