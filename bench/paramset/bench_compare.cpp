// Comparing the drive's parameters with the description's defaults, for
// generated descriptions of 1,000 and 10,000 parameters (built as
// bench_machine builds them), the reads not counted. Target: at most 50 ms
// for 10,000; the cost should grow linearly, so the ratio of the two times
// should stay near 10.

#include "benchmachine.h"

#include <paramset/paramcompare.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPerGroup = 100;

QByteArray description(int parameters)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Machine name=\"bench\">\n";
    for (int g = 0; g * kPerGroup < parameters; ++g) {
        xml += "  <Group name=\"G" + QByteArray::number(g) + " 参数组\">\n";
        for (int i = 0; i < kPerGroup && g * kPerGroup + i < parameters; ++i) {
            const int address = 0x1000 + (g * kPerGroup + i) * 2;
            const QByteArray code = "P" + QByteArray::number(g) + "-" + QByteArray::number(i);
            if (i % 10 == 3) {
                xml += "    <Param code=\"" + code + "\" name=\"选择参数\" address=\"" + QByteArray::number(address)
                    + "\" default=\"1\" min=\"0\" max=\"2\" access=\"rw\" editor=\"选择\">"
                      "<Choice value=\"0\" text=\"关\"/><Choice value=\"1\" text=\"开\"/>"
                      "<Choice value=\"2\" text=\"自动\"/></Param>\n";
            } else {
                const bool two = i % 20 == 7;
                xml += "    <Param code=\"" + code + "\" name=\"十进制参数\" address=\"" + QByteArray::number(address)
                    + "\" length=\"" + (two ? "2" : "1") + "\" scale=\"" + (i % 2 ? "-10" : "100")
                    + "\" default=\"1.0\" min=\"0\" max=\"100\" unit=\"Hz\" access=\"stop\" editor=\"十进制\""
                      " start=\"" + (i == 0 ? "1" : "0") + "\" help=\"说明文字\"/>\n";
            }
        }
        xml += "  </Group>\n";
    }
    xml += "  <Runtime>\n    <Param code=\"U0-00\" name=\"运行频率\" address=\"0x0F00\" scale=\"100\"/>\n"
           "  </Runtime>\n</Machine>\n";
    return xml;
}

// Best of several runs, in milliseconds; -1 on failure.
double measure(const QString &dir, int parameters, int *differences)
{
    const QString path = dir + QStringLiteral("/bench-%1.xml").arg(parameters);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(description(parameters)) < 0)
        return -1;
    file.close();
    QString error;
    std::unique_ptr<QMachine> machine = BenchMachine::load(path, &error);
    if (!machine) {
        std::fprintf(stderr, "bench_compare: %s\n", qPrintable(error));
        return -1;
    }
    // The drive as read: every tenth parameter changed from its default.
    QList<tagParamRaw> defaults = ParamCompare::defaults_of(machine.get());
    QList<tagParamRaw> drive = defaults;
    for (int i = 0; i < drive.size(); i += 10)
        drive[i].raw += 1;
    double best = 1e9;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QList<tagParamDifference> result = ParamCompare::compare(drive, defaults, machine.get());
        // The texts the result dialog shows for every row.
        for (const tagParamDifference &d : result) {
            ParamCompare::text_of(d, true);
            ParamCompare::text_of(d, false);
        }
        best = std::min(best, clock.nsecsElapsed() / 1e6);
        *differences = int(result.size());
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    int small_differences = 0;
    int large_differences = 0;
    const double small = measure(dir.path(), 1000, &small_differences);
    const double large = measure(dir.path(), 10000, &large_differences);
    if (small < 0 || large < 0)
        return 1;
    std::printf("compare with the defaults (best of 7, display texts of every row included)\n");
    std::printf("  1,000 parameters   %7.2f ms  (%d differ)\n", small, small_differences);
    std::printf("  10,000 parameters  %7.2f ms  (%d differ; target <= 50 ms)\n", large, large_differences);
    std::printf("  ratio 10,000/1,000 %7.2f  (linear: about 10)\n", large / small);
    return 0;
}
