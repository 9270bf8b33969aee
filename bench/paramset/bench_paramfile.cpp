// Reading a parameter file: the memory a file of normal rows takes while it
// is read (the peak above what the process held before, against the file's
// size) and how long it takes, for a file of the largest size accepted; and
// how soon a file far beyond it is refused. The peak is the kernel's
// high-water mark of the resident set, reset right before the read.

#include <paramset/paramsetfile.h>

#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

qint64 status_kb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

bool reset_peak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

bool write_file(const QString &path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk = QLocalCodec::encode(QStringLiteral("代码,名称,值,单位,原始值\r\n"));
    for (int i = 0; chunk.size() < bytes; ++i) {
        chunk += QLocalCodec::encode(QStringLiteral("F%1-%2,键盘设定频率,50.00,Hz,5000\r\n")
                                         .arg(i / 100)
                                         .arg(i % 100, 2, 10, QLatin1Char('0')));
    }
    // Whole rows only: a cut GBK character would be refused, rightly.
    chunk.truncate(chunk.lastIndexOf("\r\n", bytes - 2) + 2);
    return file.write(chunk) == chunk.size();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (!QLocalCodec::install()) {
        std::fprintf(stderr, "bench_paramfile: no GBK codec\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString normal = dir.filePath(QStringLiteral("normal.csv"));
    if (!write_file(normal, ParamSetFile::kMaxFileBytes)) {
        std::fprintf(stderr, "bench_paramfile: cannot write %s\n", qPrintable(normal));
        return 1;
    }

    const qint64 before_kb = status_kb("VmRSS");
    if (!reset_peak())
        std::fprintf(stderr, "bench_paramfile: cannot reset the peak; it includes earlier work\n");
    QElapsedTimer clock;
    clock.start();
    QString error;
    int rows = 0;
    {
        QCSVFile table;
        if (!ParamSetFile::read_file(normal, &table, &error)) {
            std::fprintf(stderr, "bench_paramfile: %s\n", qPrintable(error));
            return 1;
        }
        rows = table.size();
    }
    const double read_ms = clock.nsecsElapsed() / 1e6;
    const qint64 peak_kb = status_kb("VmHWM") - before_kb;
    const qint64 size = QFileInfo(normal).size();

    // Far beyond the largest: refused before it is read.
    const QString huge = dir.filePath(QStringLiteral("huge.csv"));
    QFile file(huge);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(100LL * 1024 * 1024))
        return 1;
    file.close();
    clock.restart();
    QCSVFile table;
    const bool refused = !ParamSetFile::read_file(huge, &table, &error);
    const double refuse_ms = clock.nsecsElapsed() / 1e6;

    std::printf("parameter file of %.1f MB, %d rows\n", size / 1048576.0, rows);
    std::printf("  read            %.0f ms\n", read_ms);
    std::printf("  peak memory     %.1f MB (%.1f x the file)\n", peak_kb / 1024.0, peak_kb * 1024.0 / double(size));
    std::printf("100 MB file       %s after %.2f ms\n", refused ? "refused" : "NOT refused", refuse_ms);
    return refused ? 0 : 1;
}
