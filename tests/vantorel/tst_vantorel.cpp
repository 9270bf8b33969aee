// The command-line tool as a script runs it: the real program against the
// simulated drive, its exit codes, its JSON read back, and an independent
// Modbus master (mbpoll) reading what it wrote.

#include <paramset/qparamhistory.h>

#include "drivesim.h"
#include "vantorelrun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

namespace {

const int kF007 = 0xF007; // 键盘设定频率, scale 100, 0.00..600.00 Hz
const int kF001 = 0xF001; // 运行命令通道, choices 键盘/端子/通讯

QString s(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class tst_Vantorel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void infoGetSet();
    void setChecksEverythingBeforeWriting();
    void uploadThenDownload();
    void downloadRefusesAFileOfAnotherModel();
    void downloadOnlyWhatDiffers();
    void compareHistoryAndVerifiedDownload();
    void stationsGoOnPastAnAbsentOne();
    void monitorWritesCsv();
    void failuresHaveTheirExitCodes();
    void speaksTheLanguageChosen();
    void helpInTheLanguageChosen_data();
    void helpInTheLanguageChosen();

    void filesThatAreNotWhatTheySeemWriteNothing();
    void settingsThatDecideWhereAWriteGoes_data();
    void settingsThatDecideWhereAWriteGoes();
    void twoWordValueIsWrittenWholeOrNotAtAll_data();
    void twoWordValueIsWrittenWholeOrNotAtAll();
    void interruptedDownloadRecordsOnlyWhatIsKnown();
    void historyDamageAndTheMissingBackup();
    void inputsAreTakenAsMeantAndEchoedOnOneLine();

private:
    using Run = VantorelRun;
    // Runs vantorel on the drive (or with the arguments alone when
    // with_port is false) and waits for it.
    Run vantorel(const QStringList &arguments, bool with_port = true);
    // The locale the runs see (LANG); Chinese unless a test says otherwise.
    QString m_lang = QStringLiteral("zh_CN.UTF-8");
    int mbpoll_read(int address);
    qint32 reg32(int address);
    int requests();
    QString write_file(const QString &name, const QByteArray &bytes);

    QTemporaryDir m_dir;
    DriveSim *m_sim = nullptr;
};

void tst_Vantorel::init()
{
    m_lang = s("zh_CN.UTF-8");
    m_sim = new DriveSim;
    QVERIFY2(m_sim->start({s("--version"), s("321")}), qPrintable(m_sim->error_string()));
}

void tst_Vantorel::cleanup()
{
    delete m_sim;
    m_sim = nullptr;
}

tst_Vantorel::Run tst_Vantorel::vantorel(const QStringList &arguments, bool with_port)
{
    QProcess p;
    QStringList args = arguments;
    // An empty settings file: nothing on this machine's config.xml counts.
    args << s("--config") << m_dir.filePath(s("config.xml")) << s("--timeout") << s("200");
    if (with_port)
        args << s("--port") << m_sim->device();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(s("LC_ALL"));
    environment.remove(s("LC_MESSAGES"));
    environment.insert(s("LANG"), m_lang);
    p.setProcessEnvironment(environment);
    return run_vantorel(p, args);
}

int tst_Vantorel::mbpoll_read(int address)
{
    const QString program = QStandardPaths::findExecutable(s("mbpoll"));
    if (program.isEmpty())
        return -2;
    QProcess p;
    p.start(program, {s("-m"), s("rtu"), s("-a"), s("1"), s("-b"), s("19200"), s("-P"), s("none"), s("-t"),
                      s("4"), s("-0"), s("-1"), s("-o"), s("1"), s("-r"), QString::number(address),
                      m_sim->device()});
    if (!p.waitForFinished(10000))
        return -1;
    const QString out = QString::fromLocal8Bit(p.readAll());
    const int at = int(out.indexOf(s("[%1]:").arg(address)));
    if (at < 0)
        return -1;
    return out.mid(at).section(QLatin1Char(':'), 1, 1).trimmed().section(QLatin1Char(' '), 0, 0).toInt();
}

void tst_Vantorel::infoGetSet()
{
    const Run ports = vantorel({s("ports"), s("--json")}, false);
    QCOMPARE(ports.exit, 0);
    QVERIFY(ports.json().value(s("ports")).isArray());

    Run info = vantorel({s("info"), s("--json")});
    QCOMPARE(info.exit, 0);
    QCOMPARE(info.json().value(s("version")).toInt(), 321);
    QVERIFY(info.json().value(s("parameters")).toInt() > 100);

    // A value by number, a choice by its text: written, read back, and what
    // an independent master reads.
    Run set = vantorel({s("set"), s("F0-07=45.5"), s("F0-01=端子")});
    QCOMPARE(set.exit, 0);
    // Before writing, the target is named as the workbench names it.
    QVERIFY2(set.err.startsWith(s("将向 端口 %1，站号 1，").arg(m_sim->device())) && set.err.contains(s("版本 321"))
                 && set.err.contains(s("写入 2 个参数")),
             qPrintable(set.err));
    QVERIFY2(QString::fromLocal8Bit(set.out).contains(s("45.50")), set.out.constData());
    QCOMPARE(m_sim->get_one(kF007), 4550);
    QCOMPARE(m_sim->get_one(kF001), 1);
    const int peer = mbpoll_read(kF007);
    if (peer != -2)
        QCOMPARE(peer, 4550);

    // A choice by its number; the JSON gives numbers as numbers.
    QCOMPARE(vantorel({s("set"), s("F0-01=2")}).exit, 0);
    Run get = vantorel({s("get"), s("F0-07"), s("F0-01"), s("U0-02"), s("--json")});
    QCOMPARE(get.exit, 0);
    const QJsonArray values = get.json().value(s("values")).toArray();
    QCOMPARE(values.size(), 3);
    QCOMPARE(values.at(0).toObject().value(s("value")).toDouble(), 45.5);
    QCOMPARE(values.at(0).toObject().value(s("raw")).toInt(), 4550);
    QCOMPARE(values.at(0).toObject().value(s("unit")).toString(), s("Hz"));
    QCOMPARE(values.at(1).toObject().value(s("value")).toInt(), 2);
    QCOMPARE(values.at(1).toObject().value(s("text")).toString(), s("通讯"));
    QVERIFY(values.at(2).toObject().value(s("value")).isDouble());

    Run raw = vantorel({s("get"), s("F0-07"), s("--raw")});
    QCOMPARE(raw.exit, 0);
    QVERIFY(QString::fromLocal8Bit(raw.out).contains(s("4550")));
}

void tst_Vantorel::setChecksEverythingBeforeWriting()
{
    // The first value is fine; the second fails a check: nothing is written.
    const QList<QStringList> refused = {
        {s("F0-07=45"), s("F0-09=700")},     // above its maximum
        {s("F0-07=45"), s("F0-01=遥控")},    // no such choice
        {s("F0-07=45"), s("F0-01=7")},       // no choice with that number
        {s("F0-07=45"), s("F0-07=abc")},     // not a number
        {s("F0-07=45"), s("F0-07=99999")},   // beyond the register's width
        {s("F0-07=45"), s("F0-26=1")},       // read-only
        {s("F0-07=45"), s("X9-99=1")},       // no such parameter
        {s("F0-07=45"), s("F0-07")},         // no value
        {s("F0-07=45"), s("F0-07=46")},      // the same code twice
    };
    for (const QStringList &args : refused) {
        const Run run = vantorel(QStringList{s("set")} + args);
        QVERIFY2(run.exit == 1, qPrintable(args.join(QLatin1Char(' ')) + s(": ") + run.err));
        QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
        QCOMPARE(m_sim->get_one(kF007), 5000);
    }

    // Beyond both the maximum and the register: the limits are named, in
    // display units. Several faults are named together, in one line.
    const Run above = vantorel({s("set"), s("F0-07=700")});
    QVERIFY2(above.err.contains(s("0.00～600.00")), qPrintable(above.err));
    const Run several = vantorel({s("set"), s("F0-07=700"), s("F0-01=遥控"), s("X9-99=1"), s("--json")});
    QCOMPARE(several.exit, 1);
    QCOMPARE(several.err.count(QLatin1Char('\n')), 1);
    for (const char *named : {"F0-07", "F0-01", "X9-99"})
        QVERIFY2(several.err.contains(s(named)), qPrintable(several.err));
    QCOMPARE(several.json().value(s("problem_count")).toInt(), 3);
    // Many faults: the first ones listed, the rest counted.
    QStringList many{s("set"), s("--json")};
    for (int i = 0; i < 25; ++i)
        many.append(s("X%1-00=1").arg(i));
    const Run capped = vantorel(many);
    QCOMPARE(capped.exit, 1);
    QCOMPARE(capped.json().value(s("problem_count")).toInt(), 25);
    QCOMPARE(capped.json().value(s("problems")).toArray().size(), 20);
    QVERIFY2(capped.err.contains(s("X19-00")) && !capped.err.contains(s("X20-00")) && capped.err.contains(s("另有 5 处")),
             qPrintable(capped.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);
}

void tst_Vantorel::uploadThenDownload()
{
    QVERIFY(m_sim->set(kF007, 1234));
    const QString path = m_dir.filePath(s("up.csv"));
    Run up = vantorel({s("upload"), path, s("--json")});
    QCOMPARE(up.exit, 0);
    QCOMPARE(up.json().value(s("parameters")).toInt(), up.json().value(s("parameters")).toInt());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QTextCodec::codecForName("GBK")->toUnicode(file.readAll());
    QVERIFY(text.startsWith(s("代码,名称,值,单位,原始值\r\n")));
    QVERIFY(text.contains(s("F0-07,键盘设定频率,12.34,Hz,1234\r\n")));
    file.close();

    // The file back into a changed drive puts the value back.
    QVERIFY(m_sim->set(kF007, 777));
    Run down = vantorel({s("download"), path, s("--no-backup"), s("--no-verify")});
    QVERIFY2(down.exit == 0, qPrintable(down.err));
    QVERIFY2(down.err.contains(s("站号 1，")) && down.err.contains(s("个参数")), qPrintable(down.err));
    QCOMPARE(m_sim->get_one(kF007), 1234);
}

void tst_Vantorel::downloadRefusesAFileOfAnotherModel()
{
    // A valid row first, then a code this model does not have.
    const QString path = m_dir.filePath(s("other.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QTextCodec::codecForName("GBK")->fromUnicode(
        s("代码,名称,值,单位,原始值\r\nF0-07,键盘设定频率,1,Hz,100\r\nP9-01,别的机型,1,,1\r\n"
          "P9-02,别的机型,1,,1\r\n")));
    file.close();
    const Run run = vantorel({s("download"), path});
    QCOMPARE(run.exit, 5);
    // Every offending row is named, not only the first.
    QVERIFY2(run.err.contains(s("P9-01")) && run.err.contains(s("P9-02")), qPrintable(run.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);
}

void tst_Vantorel::downloadOnlyWhatDiffers()
{
    const QString path = m_dir.filePath(s("site.csv"));
    QCOMPARE(vantorel({s("upload"), path}).exit, 0);
    QVERIFY(m_sim->set(kF007, 777));
    QVERIFY(m_sim->set(0xF00B, 4000)); // F0-11
    const auto requests = [this] {
        QStringList reply;
        return m_sim->command(s("stats"), &reply) ? reply.last().section(s("requests="), 1).section(QLatin1Char(' '), 0, 0).toInt()
                                                  : -1;
    };

    // The difference is shown and nothing is written.
    int before = requests();
    const Run dry = vantorel({s("download"), path, s("--dry-run"), s("--json")});
    QCOMPARE(dry.exit, 4);
    const int reading = requests() - before;
    QStringList codes;
    for (const QJsonValue &row : dry.json().value(s("to_write")).toArray())
        codes << row.toObject().value(s("code")).toString();
    QCOMPARE(codes, (QStringList{s("F0-07"), s("F0-11")}));
    QCOMPARE(m_sim->get_one(kF007), 777);
    QCOMPARE(m_sim->get_one(0xF00B), 4000);

    // Only the two are written (and read back) after the same reading.
    before = requests();
    const Run changed = vantorel({s("download"), path, s("--changed-only"), s("--no-backup"), s("--json")});
    QVERIFY2(changed.exit == 0, qPrintable(changed.err));
    QCOMPARE(changed.json().value(s("parameters")).toInt() - changed.json().value(s("equal")).toInt(), 2);
    QVERIFY2(requests() - before <= reading + 4, qPrintable(QString::number(requests() - before - reading)));
    QCOMPARE(m_sim->get_one(kF007), 5000);
    QCOMPARE(m_sim->get_one(0xF00B), 5000);
    QCOMPARE(vantorel({s("download"), path, s("--dry-run")}).exit, 0);
}

void tst_Vantorel::compareHistoryAndVerifiedDownload()
{
    const QString path = m_dir.filePath(s("set.csv"));
    const QDateTime start = QDateTime::currentDateTimeUtc();
    QCOMPARE(vantorel({s("upload"), path}).exit, 0);
    QCOMPARE(vantorel({s("set"), s("F0-07=12.5")}).exit, 0);

    const auto snapshots_now = [this] {
        return vantorel({s("history"), s("--json")}, false).json().value(s("snapshots")).toArray().size();
    };
    const qsizetype before = snapshots_now();
    Run compare = vantorel({s("compare"), path, s("--json")});
    QCOMPARE(compare.exit, 4);
    // A comparison only looks, unless asked to record; its JSON is the same
    // in every language.
    QCOMPARE(snapshots_now(), before);
    QCOMPARE(compare.json().value(s("against")).toString(), s("file"));
    QCOMPARE(vantorel({s("compare"), s("--defaults"), s("--record")}).exit, 4);
    QCOMPARE(snapshots_now(), before + 1);
    const QJsonArray differences = compare.json().value(s("differences")).toArray();
    QCOMPARE(differences.size(), 1);
    QCOMPARE(differences.at(0).toObject().value(s("code")).toString(), s("F0-07"));
    QCOMPARE(differences.at(0).toObject().value(s("drive")).toInt(), 1250);
    QCOMPARE(differences.at(0).toObject().value(s("other")).toInt(), 5000);

    // A drive that answers the write of F0-07 but keeps its value: the
    // read-back tells, for a download and for a set.
    QVERIFY(m_sim->command(s("ignore 0xF007")));
    const Run down = vantorel({s("download"), path});
    QCOMPARE(down.exit, 4);
    QVERIFY2(down.err.contains(s("F0-07")), qPrintable(down.err));
    QCOMPARE(vantorel({s("set"), s("F0-07=30"), s("--note"), s("换电机后")}).exit, 4);

    // Each write is on record: asked, held before (known to the download),
    // read back, and what came of it, oldest last.
    QParamHistory history(m_dir.filePath(s("history.sqlite")));
    tagAuditFilter f0_07;
    f0_07.code = s("F0-07");
    f0_07.since = start;
    const QList<tagWriteRecord> writes = history.audit(f0_07);
    QCOMPARE(writes.size(), 3);
    QCOMPARE(writes.at(0).operation, ParamAudit::tool_set());
    QCOMPARE(writes.at(0).result, ParamAudit::different());
    QCOMPARE(writes.at(0).asked, 3000);
    QCOMPARE(writes.at(0).read_back, 1250);
    QCOMPARE(writes.at(0).note, s("换电机后"));
    QCOMPARE(writes.at(1).operation, ParamAudit::tool_download());
    QCOMPARE(writes.at(1).result, ParamAudit::different());
    QVERIFY(writes.at(1).has_before);
    QCOMPARE(writes.at(1).before, 1250);
    QCOMPARE(writes.at(1).asked, 5000);
    QCOMPARE(writes.at(2).operation, ParamAudit::tool_set());
    QCOMPARE(writes.at(2).result, ParamAudit::written());
    QCOMPARE(writes.at(2).read_back, 1250);
    QVERIFY(!writes.at(2).workstation.isEmpty());
    const Run audit = vantorel({s("history"), s("audit"), s("--code"), s("F0-07"), s("--since"),
                                start.toLocalTime().toString(Qt::ISODateWithMs), s("--json")}, false);
    QCOMPARE(audit.exit, 0);
    const QJsonArray listed = audit.json().value(s("writes")).toArray();
    QCOMPARE(listed.size(), 3);
    QCOMPARE(listed.at(1).toObject().value(s("before")).toInt(), 1250);
    QCOMPARE(listed.at(1).toObject().value(s("result")).toString(), s("different"));

    // The backup before the download holds the drive's value of before.
    Run list = vantorel({s("history"), s("--json")}, false);
    QCOMPARE(list.exit, 0);
    QString backup;
    const QJsonArray snapshots = list.json().value(s("snapshots")).toArray();
    for (const QJsonValue &snapshot : snapshots) {
        if (snapshot.toObject().value(s("operation")).toString() == s("backup"))
            backup = QString::number(snapshot.toObject().value(s("id")).toInt());
    }
    QVERIFY(!backup.isEmpty());
    const QString exported = m_dir.filePath(s("backup.csv"));
    QCOMPARE(vantorel({s("history"), s("export"), backup, exported}, false).exit, 0);
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QTextCodec::codecForName("GBK")->toUnicode(file.readAll()).contains(s("F0-07,键盘设定频率,12.5,Hz,1250")));

    // The commissioning report of a new upload, as a PDF whose text holds
    // the changed parameter, the writes since the first upload and the
    // signature lines.
    QCOMPARE(vantorel({s("upload"), m_dir.filePath(s("after.csv")), s("--note"), s("三号线 17 号驱动器")}).exit, 0);
    list = vantorel({s("history"), s("--json")}, false);
    const QString newest = QString::number(list.json().value(s("snapshots")).toArray().first().toObject().value(s("id")).toInt());
    const QString pdf = m_dir.filePath(s("report.pdf"));
    const Run report = vantorel({s("report"), newest, pdf}, false);
    QVERIFY2(report.exit == 0, qPrintable(report.err));
    QProcess pdftotext;
    // In drawing order, so a cell's text stays together even where the
    // table wraps it.
    pdftotext.start(s("pdftotext"), {s("-raw"), pdf, s("-")});
    QVERIFY2(pdftotext.waitForFinished(30000), "pdftotext (poppler-utils) did not run");
    QCOMPARE(pdftotext.exitCode(), 0);
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput()).remove(QRegularExpression(s("\\s")));
    for (const QString &expected : {s("调试报告"), s("三号线17号驱动器"), s("F0-07"), s("键盘设定频率"), s("12.50"),
                                    s("命令行修改"), s("命令行下载"), s("读回不同"), s("签字"), s("附录")}) {
        QVERIFY2(text.contains(expected), qPrintable(expected + s(" not in:\n") + text.left(3000)));
    }
    // A report that cannot be written says so.
    const Run unwritable = vantorel({s("report"), newest, m_dir.filePath(s("no/such/dir/report.pdf"))}, false);
    QCOMPARE(unwritable.exit, 5);
}

void tst_Vantorel::stationsGoOnPastAnAbsentOne()
{
    // Stations 1 and 3 on one line; 2 is absent.
    m_sim->stop();
    QVERIFY2(m_sim->start({s("--station"), s("1,3")}), qPrintable(m_sim->error_string()));

    const Run scan = vantorel({s("scan"), s("--ports"), m_sim->device(), s("--bauds"), s("19200"), s("--parities"),
                               s("n"), s("--stations"), s("1-4"), s("--json")}, false);
    QCOMPARE(scan.exit, 0);
    const QJsonArray drives = scan.json().value(s("drives")).toArray();
    QCOMPARE(drives.size(), 2);
    QCOMPARE(drives.at(1).toObject().value(s("station")).toInt(), 3);

    // Without --ports: the configured port first, then the system's; a port
    // that cannot be opened is named once, not once per setting.
    const Run configured = vantorel({s("scan"), s("--bauds"), s("19200,9600"), s("--parities"), s("n"),
                                     s("--stations"), s("1-1"), s("--json")});
    QCOMPARE(configured.exit, 0);
    QCOMPARE(configured.json().value(s("ports")).toArray().first().toString(), m_sim->device());
    QCOMPARE(configured.json().value(s("drives")).toArray().size(), 1);
    const QStringList complaints = configured.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : complaints)
        QCOMPARE(complaints.count(line), 1);

    // The set goes on past station 2 to station 3; the summary names all
    // three, and the exit code says that one failed.
    const Run run = vantorel({s("set"), s("F0-07=12"), s("--stations"), s("1-3"), s("--json")});
    QCOMPARE(run.exit, 2);
    const QJsonArray stations = run.json().value(s("stations")).toArray();
    QCOMPARE(stations.size(), 3);
    QCOMPARE(stations.at(0).toObject().value(s("ok")).toBool(), true);
    QCOMPARE(stations.at(1).toObject().value(s("exit")).toInt(), 2);
    QCOMPARE(stations.at(2).toObject().value(s("ok")).toBool(), true);
    QVERIFY(m_sim->command(s("station 3")));
    QCOMPARE(m_sim->get_one(kF007), 1200);

    const Run people = vantorel({s("get"), s("F0-07"), s("--stations"), s("2,3")});
    QCOMPARE(people.exit, 2);
    QVERIFY2(QString::fromLocal8Bit(people.out).contains(s("12.00")), people.out.constData());
    QCOMPARE(people.err.count(QLatin1Char('\n')), 1);
}

void tst_Vantorel::monitorWritesCsv()
{
    const QString path = m_dir.filePath(s("run.csv"));
    const Run run = vantorel({s("monitor"), s("U0-00"), s("U0-02"), s("--period"), s("50"), s("--count"),
                              s("3"), s("--csv"), path});
    QCOMPARE(run.exit, 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QTextCodec::codecForName("GBK")->toUnicode(file.readAll())
                                  .split(s("\r\n"), Qt::SkipEmptyParts);
    // The monitoring page's recording layout: codes, names, units, then
    // time of day, milliseconds and the values.
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(0), s("时间,毫秒,U0-00,U0-02"));
    QCOMPARE(lines.at(1), s("名称,,运行频率,母线电压"));
    QCOMPARE(lines.at(2), s("单位,ms,Hz,V"));
    QCOMPARE(lines.at(5).split(QLatin1Char(',')).size(), 4);

    // --json: one object per reading, on its line, while the command runs.
    QProcess p;
    p.start(s(TEST_APP_DIR "/vantorel"),
            {s("monitor"), s("U0-00"), s("--period"), s("50"), s("--json"), s("--config"),
             m_dir.filePath(s("config.xml")), s("--timeout"), s("200"), s("--port"), m_sim->device()});
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += p.readAllStandardOutput()).count('\n') >= 2, 20000);
    QCOMPARE(p.state(), QProcess::Running);
    const QJsonObject first = QJsonDocument::fromJson(out.left(out.indexOf('\n'))).object();
    QCOMPARE(first.value(s("station")).toInt(), 1);
    QVERIFY(first.value(s("values")).toObject().value(s("U0-00")).isDouble());
    p.terminate();
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
    out += p.readAllStandardOutput();
    const QList<QByteArray> all = out.trimmed().split('\n');
    const QJsonObject summary = QJsonDocument::fromJson(all.last()).object();
    QCOMPARE(summary.value(s("command")).toString(), s("monitor"));
    QCOMPARE(summary.value(s("samples")).toInt(), all.size() - 1);
}

void tst_Vantorel::failuresHaveTheirExitCodes()
{
    // 1: usage.
    QCOMPARE(vantorel({s("get"), s("F0-07"), s("--bogus")}).exit, 1);
    QCOMPARE(vantorel({s("frobnicate")}).exit, 1);
    // 2: a port that is not there.
    const Run missing = vantorel({s("info"), s("--port"), m_dir.filePath(s("no-such-tty"))}, false);
    QCOMPARE(missing.exit, 2);
    QVERIFY(missing.err.contains(s("no-such-tty")));
    // 3: the drive refuses (another drive's description on this side): a
    // write to its read-only register, a read where it has none.
    const QString other = s(TEST_DATA_DIR "/desc-other-drive.xml");
    const Run refused = vantorel({s("set"), s("F0-26=1"), s("--machine"), other});
    QCOMPARE(refused.exit, 3);
    QVERIFY2(refused.err.contains(s("F01a"), Qt::CaseInsensitive), qPrintable(refused.err));
    // In the words of the link's one table of error texts.
    QVERIFY2(refused.err.contains(s("设备拒绝（异常码 4：从站设备故障）")), qPrintable(refused.err));
    QCOMPARE(vantorel({s("get"), s("F9-90"), s("--machine"), other}).exit, 3);
    // 5: a file that cannot be written, a description that does not load.
    QCOMPARE(vantorel({s("upload"), m_dir.filePath(s("no/such/dir/up.csv"))}).exit, 5);
    const Run broken = vantorel({s("info"), s("--machine"), s(TEST_DATA_DIR "/broken-desc-malformed.xml")});
    QCOMPARE(broken.exit, 5);
    QVERIFY(broken.err.contains(s("broken-desc-malformed.xml")));
}

void tst_Vantorel::speaksTheLanguageChosen()
{
    const QStringList refused{s("set"), s("F0-07=700")};
    const QStringList compare{s("compare"), s("--defaults"), s("--json")};

    const Run chinese = vantorel(refused);
    QVERIFY2(chinese.err.contains(s("超出范围 0.00～600.00，没有写入任何参数")), qPrintable(chinese.err));
    const Run chinese_json = vantorel(compare);
    const QJsonObject chinese_get_json = vantorel({s("get"), s("F0-07"), s("--json")}).json();
    QVERIFY(!chinese_get_json.isEmpty());

    // LANG chooses English over the setting; C names no language, and then
    // the workbench's setting counts.
    m_lang = s("en_US.UTF-8");
    const Run english = vantorel(refused);
    QCOMPARE(english.exit, 1);
    QVERIFY2(english.err.contains(s("is outside the range 0.00 to 600.00; nothing was written")), qPrintable(english.err));
    const Run english_table = vantorel({s("get"), s("F0-07")});
    QVERIFY2(english_table.out.startsWith("Code"), english_table.out.constData());
    // The description's English name in the table; the JSON keeps its own.
    QVERIFY2(english_table.out.contains("Keypad frequency"), english_table.out.constData());
    QCOMPARE(vantorel({s("get"), s("F0-07"), s("--json")}).json(), chinese_get_json);
    const Run english_json = vantorel(compare);

    // The JSON holds the same keys and values whatever the language (only
    // the reason for people, "error", is in the language chosen).
    QCOMPARE(english_json.exit, chinese_json.exit);
    QJsonObject english_values = english_json.json();
    QJsonObject chinese_values = chinese_json.json();
    QVERIFY(english_values.contains(s("differences")));
    english_values.remove(s("error"));
    chinese_values.remove(s("error"));
    QCOMPARE(english_values, chinese_values);
    QCOMPARE(english_json.json().value(s("against")).toString(), s("defaults"));

    m_lang = s("C");
    QFile config(m_dir.filePath(s("config.xml")));
    const bool had_config = config.exists();
    QCOMPARE(QProcess::execute(s(TEST_APP_DIR "/config-set"),
                               {config.fileName(), s("UI.Language"), s("en")}), 0);
    const Run from_setting = vantorel(refused);
    QVERIFY2(from_setting.err.contains(s("nothing was written")), qPrintable(from_setting.err));
    if (!had_config)
        config.remove();
    else
        QCOMPARE(QProcess::execute(s(TEST_APP_DIR "/config-set"), {config.fileName(), s("UI.Language"), s("zh_CN")}), 0);
}

void tst_Vantorel::helpInTheLanguageChosen_data()
{
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QStringList>("general"); // in the general help: every exit code, a summary
    QTest::addColumn<QString>("command");     // the first line of `get --help`
    QTest::addColumn<QString>("foreign");     // what the other language says, never here

    QTest::newRow("zh_CN") << s("zh_CN.UTF-8")
                           << QStringList{s("0  完成"), s("1  用法错误"), s("2  没有连接"), s("3  设备拒绝"),
                                          s("4  核对发现不同"), s("5  文件无法读取"), s("读取数值（显示单位")}
                           << s("用法: vantorel get CODE... [--raw] [连接选项] [--json]\n") << s("Exit codes");
    QTest::newRow("en_US") << s("en_US.UTF-8")
                           << QStringList{s("0  done"), s("1  usage"), s("2  no link"), s("3  the drive refused"),
                                          s("4  verification"), s("5  a file"), s("read values (display units")}
                           << s("Usage: vantorel get CODE... [--raw] [link options] [--json]\n") << s("退出码");
}

void tst_Vantorel::helpInTheLanguageChosen()
{
    QFETCH(QString, lang);
    QFETCH(QStringList, general);
    QFETCH(QString, command);
    QFETCH(QString, foreign);
    m_lang = lang;

    const Run help = vantorel({s("--help")}, false);
    QCOMPARE(help.exit, 0);
    const QString text = QString::fromUtf8(help.out);
    for (const QString &line : general)
        QVERIFY2(text.contains(line), qPrintable(line));
    QVERIFY2(!text.contains(foreign), qPrintable(text));

    const Run get = vantorel({s("get"), s("--help")}, false);
    QCOMPARE(get.exit, 0);
    QVERIFY2(QString::fromUtf8(get.out).startsWith(command), get.out.constData());
}

qint32 tst_Vantorel::reg32(int address)
{
    const QList<int> words = m_sim->get(address, 2);
    return words.size() == 2 ? qint32(quint32(words.at(0)) | (quint32(words.at(1)) << 16)) : 0x7FFFFFFF;
}

int tst_Vantorel::requests()
{
    QStringList reply;
    if (!m_sim->command(s("stats"), &reply) || reply.isEmpty())
        return -1;
    return reply.last().section(s("requests="), 1).section(QLatin1Char(' '), 0, 0).toInt();
}

QString tst_Vantorel::write_file(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void tst_Vantorel::filesThatAreNotWhatTheySeemWriteNothing()
{
    // A NUL in F0-07's raw value once made 45 (0.45 Hz)
    // of "45\000" and dropped the rest of the file, with exit 0.
    const Run nul = vantorel({s("download"), s(TEST_DATA_DIR "/paramfile-nul.csv")});
    QCOMPARE(nul.exit, 5);
    QVERIFY2(nul.err.contains(s("第 2 行有 NUL 字节")), qPrintable(nul.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);

    // A code given twice is a conflict, listed, and nothing is written.
    const Run twice = vantorel({s("download"), s(TEST_DATA_DIR "/paramfile-duplicate.csv")});
    QCOMPARE(twice.exit, 5);
    QVERIFY2(twice.err.contains(s("同一个参数")), qPrintable(twice.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);

    // 值 edited in a spreadsheet, 原始值 left: which was meant nobody knows.
    const QString edited = write_file(s("edited.csv"), QTextCodec::codecForName("GBK")->fromUnicode(
        s("代码,名称,值,单位,原始值\r\nF0-07,键盘设定频率,35,Hz,5000\r\n")));
    const Run conflict = vantorel({s("download"), edited, s("--no-backup")});
    QCOMPARE(conflict.exit, 5);
    QVERIFY2(conflict.err.contains(s("值“35”与原始值 5000")), qPrintable(conflict.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);

    // A file larger than any description needs is refused before it is read.
    const QString big = m_dir.filePath(s("big.csv"));
    QFile file(big);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(64LL * 1024 * 1024));
    file.close();
    const Run huge = vantorel({s("download"), big});
    QCOMPARE(huge.exit, 5);
    QVERIFY2(huge.err.contains(s("字节")), qPrintable(huge.err));
    QFile::remove(big);

    // Written by another program with LF alone: read as it is.
    const Run lf = vantorel({s("download"), s(TEST_DATA_DIR "/paramfile-lf.csv"), s("--no-backup")});
    QVERIFY2(lf.exit == 0, qPrintable(lf.err));
    QCOMPARE(m_sim->get_one(kF007), 4500);
}

void tst_Vantorel::settingsThatDecideWhereAWriteGoes_data()
{
    QTest::addColumn<QByteArray>("config");    // the settings file's bytes (GBK)
    QTest::addColumn<bool>("with_port");       // --port given
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("reason");        // what standard error names

    const auto settings = [](const char *items) {
        return QByteArray("<?xml version=\"1.0\"?>\n<Settings>\n<Group name=\"Communicate\">\n") + items
            + QByteArray("</Group>\n</Settings>\n");
    };
    const QStringList set{s("set"), s("F0-07=12.34")};
    QTest::newRow("station 999") << settings("<Item name=\"Station\" value=\"999\"/>\n") << true << set << 1
                                 << s("Communicate.Station “999”");
    QTest::newRow("station 3abc") << settings("<Item name=\"Station\" value=\"3abc\"/>\n") << true << set << 1
                                  << s("Communicate.Station “3abc”");
    QTest::newRow("station -3, a read goes on") << settings("<Item name=\"Station\" value=\"-3\"/>\n") << true
                                                << QStringList{s("get"), s("F0-07")} << 0
                                                << s("Communicate.Station “-3”");
    QTest::newRow("unreadable settings") << QByteArray("<Settings><Group") << true << set << 1 << s("config.xml");
    QTest::newRow("no port named") << settings("<Item name=\"PortName\" value=\"\"/>\n") << false << set << 1
                                   << s("Communicate.PortName");
    QTest::newRow("baud fast") << settings("<Item name=\"BaudRate\" value=\"fast\"/>\n") << true << set << 1
                               << s("Communicate.BaudRate “fast”");
    QTest::newRow("baud 0") << settings("<Item name=\"BaudRate\" value=\"0\"/>\n") << true << set << 1
                            << s("Communicate.BaudRate “0”");
    QTest::newRow("baud too large") << settings("<Item name=\"BaudRate\" value=\"99999999999\"/>\n") << true
                                    << set << 1 << s("Communicate.BaudRate “99999999999”");
    QTest::newRow("parity x") << settings("<Item name=\"Parity\" value=\"x\"/>\n") << true << set << 1
                              << s("Communicate.Parity “x”");
}

// The tool never writes to a drive a fallback chose.
void tst_Vantorel::settingsThatDecideWhereAWriteGoes()
{
    QFETCH(QByteArray, config);
    QFETCH(bool, with_port);
    QFETCH(QStringList, command);
    QFETCH(int, exit);
    QFETCH(QString, reason);
    QVERIFY(!write_file(s("config.xml"), config).isEmpty());
    const Run run = vantorel(command, with_port);
    QFile::remove(m_dir.filePath(s("config.xml")));
    QVERIFY2(run.exit == exit, qPrintable(QString::number(run.exit) + s(" ") + run.err));
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    QCOMPARE(m_sim->get_one(kF007), 5000);
}

void tst_Vantorel::twoWordValueIsWrittenWholeOrNotAtAll_data()
{
    QTest::addColumn<int>("answered"); // requests the drive answers before it hangs up
    QTest::addColumn<qint32>("held");
    // Hung up at the write: nothing of it. At the read-back: all of it.
    QTest::newRow("at the write") << 1 << qint32(0);
    QTest::newRow("at the read-back") << 2 << qint32(-70000);
}

void tst_Vantorel::twoWordValueIsWrittenWholeOrNotAtAll()
{
    QFETCH(int, answered);
    QFETCH(qint32, held);
    QVERIFY(m_sim->command(s("fault hangup-after %1").arg(answered)));
    const Run run = vantorel({s("set"), s("FD-08=-70000")});
    QCOMPARE(run.exit, 2);
    // Named by its code, not only by a register.
    QVERIFY2(run.err.contains(s("FD-08")), qPrintable(run.err));
    QCOMPARE(reg32(0xFD08), held);
}

// Hung up in the middle of the read-back: what was written but not read
// back is unknown, never the value of before.
void tst_Vantorel::interruptedDownloadRecordsOnlyWhatIsKnown()
{
    // How many reads a full read of the drive takes (the backup's).
    const int before = requests();
    QCOMPARE(vantorel({s("compare"), s("--defaults")}).exit, 0);
    const int full_read = requests() - before - 1;
    QVERIFY(full_read > 10);

    // F0-00..F0-15: 16 writes, read back in two runs of 8 registers. F0-07
    // is in the first, F0-10 in the second.
    QString text = s("代码,名称,值,单位,原始值\r\n");
    const QList<int> raws{0, 0, 0, 0, 0, 0, 0, 1234, 0, 0, 2, 0, 0, 0, 0, 0};
    for (int i = 0; i < raws.size(); ++i) {
        const QList<int> now = m_sim->get(0xF000 + i);
        text += s("F0-%1,,,,%2\r\n").arg(i, 2, 10, QLatin1Char('0')).arg(i == 7 || i == 10 ? raws.at(i) : now.value(0));
    }
    const QString path = write_file(s("cut.csv"), QTextCodec::codecForName("GBK")->fromUnicode(text));
    QVERIFY(m_sim->command(s("fault hangup-after %1").arg(1 + full_read + 16 + 1)));
    const Run down = vantorel({s("download"), path});
    QCOMPARE(down.exit, 2);
    QCOMPARE(m_sim->get_one(kF007), 1234);
    QCOMPARE(m_sim->get_one(0xF00A), 2);

    const Run list = vantorel({s("history"), s("--json")}, false);
    QCOMPARE(list.exit, 0);
    const QJsonObject newest = list.json().value(s("snapshots")).toArray().first().toObject();
    QCOMPARE(newest.value(s("operation")).toString(), s("download"));
    QCOMPARE(newest.value(s("complete")).toBool(), false);
    const Run show = vantorel({s("history"), s("show"), QString::number(newest.value(s("id")).toInt()), s("--json")},
                              false);
    QCOMPARE(show.exit, 0);
    QStringList unknown;
    for (const QJsonValue &v : show.json().value(s("unknown")).toArray())
        unknown.append(v.toString());
    QVERIFY2(unknown.contains(s("F0-10")), qPrintable(unknown.join(QLatin1Char(' '))));
    QVERIFY(!unknown.contains(s("F0-07")));
    // Every value the snapshot holds is what the drive holds.
    int checked = 0;
    for (const QJsonValue &v : show.json().value(s("values")).toArray()) {
        const QString code = v.toObject().value(s("code")).toString();
        if (!code.startsWith(s("F0-")))
            continue;
        const int address = 0xF000 + code.mid(3).toInt(); // F0-nn sits at 0xF000 + nn
        QVERIFY(!unknown.contains(code));
        QCOMPARE(v.toObject().value(s("raw")).toInt(), m_sim->get_one(address));
        ++checked;
    }
    QVERIFY(checked >= 8);
}

void tst_Vantorel::historyDamageAndTheMissingBackup()
{
    const QString path = m_dir.filePath(s("back.csv"));
    QCOMPARE(vantorel({s("upload"), path}).exit, 0);
    QVERIFY(m_sim->set(kF007, 777));
    // Not a database where the history should be: the download stops before
    // its first write, because its undo point cannot be stored.
    QFile::remove(m_dir.filePath(s("history.sqlite")));
    const QString history = write_file(s("history.sqlite"), QByteArray("not a database\n").repeated(300));
    const Run stopped = vantorel({s("download"), path});
    QCOMPARE(stopped.exit, 5);
    QVERIFY2(stopped.err.contains(s("--no-backup")), qPrintable(stopped.err));
    QCOMPARE(m_sim->get_one(kF007), 777);
    const Run listed = vantorel({s("history")}, false);
    QCOMPARE(listed.exit, 5);
    QVERIFY(QFile::remove(history));

    // A history of real snapshots whose second page is overwritten lists as
    // damage, not as empty.
    for (int i = 0; i < 6; ++i)
        QCOMPARE(vantorel({s("compare"), s("--defaults"), s("--record")}).exit, 4);
    QFile file(history);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() > 2 * 4096);
    QVERIFY(file.seek(4096));
    file.write(QByteArray(4096, char(0x5A)));
    file.close();
    const Run damaged = vantorel({s("history")}, false);
    QCOMPARE(damaged.exit, 5);
    QVERIFY2(damaged.err.contains(s("已损坏")), qPrintable(damaged.err));
}

void tst_Vantorel::inputsAreTakenAsMeantAndEchoedOnOneLine()
{
    // nan and inf are no numbers, not numbers out of range.
    for (const char *text : {"nan", "inf", "-inf"}) {
        const Run run = vantorel({s("set"), s("F0-07=%1").arg(QString::fromLatin1(text))});
        QCOMPARE(run.exit, 1);
        QVERIFY2(run.err.contains(s("不是有效的数值")), qPrintable(run.err));
    }
    // get trims a code as set does.
    const Run get = vantorel({s("get"), s("F0-07 ")});
    QVERIFY2(get.exit == 0, qPrintable(get.err));
    // A sign is not part of a station list.
    QCOMPARE(vantorel({s("get"), s("F0-07"), s("--stations"), s("+1")}).exit, 1);
    // A 100 KB argument and a port name with a line break: one short line.
    const Run longer = vantorel({s("set"), s("F0-07=") + QString(100000, QLatin1Char('9'))});
    QCOMPARE(longer.exit, 1);
    QCOMPARE(longer.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(longer.err.size() < 1000, qPrintable(QString::number(longer.err.size())));
    const Run port = vantorel({s("info"), s("--port"), s("/dev/no\nsuch")}, false);
    QCOMPARE(port.exit, 2);
    QCOMPARE(port.err.count(QLatin1Char('\n')), 1);
}

QTEST_GUILESS_MAIN(tst_Vantorel)
#include "tst_vantorel.moc"
