// Loads generated descriptions of 1,000 and 10,000 parameters and builds a
// model from each, the way the core does. Cost must grow linearly: the time
// per 1,000 parameters should stay about the same, so the ratio of the two
// totals should stay near 10.

#include <machine/qmachine.h>
#include <database/qmachineconfig.h>
#include <machine/qmachinevalue.h>

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
    QByteArray xml;
    xml.reserve(parameters * 260);
    xml += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Machine name=\"bench\">\n";
    for (int g = 0; g * kPerGroup < parameters; ++g) {
        xml += "  <Group name=\"G" + QByteArray::number(g) + " 参数组\">\n";
        for (int i = 0; i < kPerGroup && g * kPerGroup + i < parameters; ++i) {
            // Two registers per parameter leave room for two-word values.
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

struct Timing
{
    double load_ms;
    double build_ms;
};

// Best of several runs: the least disturbed one on a shared machine.
bool measure(const QString &path, int parameters, int runs, Timing *best)
{
    best->load_ms = best->build_ms = 1e300;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer timer;
        timer.start();
        QMachineConfig config;
        if (!config.load_file(path)) {
            std::fprintf(stderr, "bench_machine: %s\n", qPrintable(config.error_string()));
            return false;
        }
        const double load = double(timer.nsecsElapsed()) / 1e6;

        timer.restart();
        auto *machine = new QMachine;
        int taken = 0;
        for (const tagDataPage &page : config.get_parvex_config()->get_pages()) {
            machine->add_group(page.name);
            for (const QStringList &row : page.rows) {
                auto *value = new QMachineValue;
                for (int i = 0; i < row.size(); ++i)
                    value->set_value_property(enValuePropertyIndex(i), row.at(i));
                if (machine->add_value(page.name, value))
                    ++taken;
                else
                    delete value;
            }
        }
        for (const QStringList &row : config.get_runtime_config()->get_page(0).rows) {
            auto *value = new QMachineValue;
            for (int i = 0; i < row.size(); ++i)
                value->set_value_property(enValuePropertyIndex(i), row.at(i));
            machine->add_all_runtime_value(value);
            machine->add_runtime_value(value);
        }
        const int started = int(machine->get_start_list().size());
        delete machine;
        const double build = double(timer.nsecsElapsed()) / 1e6;
        if (taken != parameters || started == 0) {
            std::fprintf(stderr, "bench_machine: model took %d of %d parameters\n", taken, parameters);
            return false;
        }
        best->load_ms = std::min(best->load_ms, load);
        best->build_ms = std::min(best->build_ms, build);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_machine: cannot create a temporary directory\n");
        return 1;
    }
    const int sizes[2] = {1000, 10000};
    const int runs[2] = {9, 5};
    Timing t[2];
    // "bench_machine <n>" measures one size once, for a profiler or for
    // counting instructions, which a busy machine does not disturb.
    if (argc > 1) {
        const int n = QByteArray(argv[1]).toInt();
        if (n < 1 || n > 30000) {
            std::fprintf(stderr, "bench_machine: size must be 1 to 30000\n");
            return 2;
        }
        const QString path = dir.filePath(QStringLiteral("desc.xml"));
        QFile f(path);
        const QByteArray bytes = description(n);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "bench_machine: cannot write %s\n", qPrintable(path));
            return 1;
        }
        f.close();
        if (!measure(path, n, 1, &t[0]))
            return 1;
        std::printf("%d parameters: load %.2f ms, build %.2f ms\n", n, t[0].load_ms, t[0].build_ms);
        return 0;
    }
    for (int k = 0; k < 2; ++k) {
        const QString path = dir.filePath(QStringLiteral("desc-%1.xml").arg(sizes[k]));
        QFile f(path);
        const QByteArray bytes = description(sizes[k]);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "bench_machine: cannot write %s\n", qPrintable(path));
            return 1;
        }
        f.close();
        if (!measure(path, sizes[k], runs[k], &t[k]))
            return 1;
    }
    std::printf("%-8s %12s %12s %12s %14s\n", "params", "load ms", "build ms", "total ms", "ms per 1000");
    for (int k = 0; k < 2; ++k) {
        const double total = t[k].load_ms + t[k].build_ms;
        std::printf("%-8d %12.2f %12.2f %12.2f %14.3f\n", sizes[k], t[k].load_ms, t[k].build_ms, total,
                    total * 1000.0 / sizes[k]);
    }
    const double small = t[0].load_ms + t[0].build_ms;
    const double large = t[1].load_ms + t[1].build_ms;
    std::printf("ratio 10000/1000: total %.2f (linear = 10), per 1000 parameters %.2f (linear = 1)\n",
                large / small, (large / 10.0) / small);
    return 0;
}
