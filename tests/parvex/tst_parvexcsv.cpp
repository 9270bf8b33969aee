// Parameter files: the table an upload saves, the registers a download
// writes, and the files and rows a download refuses.

#include "parvexfixture.h"

#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>
#include <core/qsoftcore.h>

#include <communicate/qcommunicate.h>
#include <machine/qmachinevalue.h>
#include <communicate/missions/qmissionmanager.h>

#include <QTextCodec>
#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class tst_ParvexCsv : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void uploadSavesEveryParameter();
    void downloadWritesRegisters_data();
    void downloadWritesRegisters();
    void downloadBadFiles_data();
    void downloadBadFiles();
    void downloadAsksWhenTheBackupCannotBeStored();
};

void tst_ParvexCsv::uploadSavesEveryParameter()
{
    QVERIFY(connect_drive());
    // Values with every twist a backup must keep: a negative one-word, a
    // 32-bit unsigned above 2^31, negative two-word values, a non-decimal scale.
    QVERIFY(m_sim.set(0x2000, 2));
    QVERIFY(m_sim.set(0x2001, 1234));
    QVERIFY(m_sim.set(0x2002, 65526));
    QVERIFY(m_sim.set(0x2003, 24064));  // 3000000000
    QVERIFY(m_sim.set(0x2004, 45776));
    QVERIFY(m_sim.set(0x2005, 7616));   // -123456
    QVERIFY(m_sim.set(0x2006, 65534));
    QVERIFY(m_sim.set(0x2008, 100));
    QVERIFY(m_sim.set(0x2104, 7));
    QVERIFY(m_sim.set(0x2109, 10617));  // -1234567
    QVERIFY(m_sim.set(0x210A, 65517));

    const QString path = m_dir.filePath(QStringLiteral("upload.csv"));
    QFile::remove(path);
    m_answer->file = path;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 15000);
    QCOMPARE(m_answer->file_dialogs, QStringList{QStringLiteral("保存|数据文件(*.csv)")});
    QVERIFY(m_answer->boxes.isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(QLocalCodec::encode(QStringLiteral("代码,名称,值,单位,原始值\r\n"))));
    QCSVFile csv;
    csv.load(QLocalCodec::codec()->toUnicode(bytes));

    const QList<QList<const char *>> expected = {
        {"代码", "名称", "值", "单位", "原始值"},
        {"P0-00", "控制方式", "2", "", "2"},
        {"P0-01", "频率;设定", "12.34", "Hz", "1234"},
        {"P0-02", "转矩偏置", "-1", "%", "65526"},
        {"P0-03", "累计电量", "3000000000", "kWh", "-1294967296"},
        {"P0-05", "位置偏移", "-12345.6", "mm", "-123456"},
        {"P0-07", "额定功率", "7.5", "kW", "75"},
        {"P0-08", "点动频率", "100", "Hz", "100"},
        {"P0-09", "限定值", "10", "", "10"},
        {"P1-00", "有符号一位小数", "0", "", "0"},
        {"P1-01", "两位小数", "1", "", "100"},
        {"P1-02", "双字整数", "0", "", "0"},
        {"P1-04", "缩放五", "1.4", "", "7"},
        {"P1-05", "缩放二十", "1", "", "20"},
        {"P1-06", "选择", "0", "", "0"},
        {"P1-07", "有符号整数", "-1", "", "65535"},
        {"P1-08", "无符号整数", "0", "", "0"},
        {"P1-09", "双字三位小数", "-1234.567", "", "-1234567"},
    };
    // The file ends with a line break: one more row holding one empty cell.
    QCOMPARE(csv.size(), expected.size() + 1);
    QCOMPARE(csv.size(csv.size() - 1), 1);
    for (int r = 0; r < expected.size(); ++r) {
        QCOMPARE(csv.size(r), 5);
        for (int c = 0; c < 5; ++c)
            QCOMPARE(csv.get_text(c, r), s(expected.at(r).at(c)));
    }

    // Every raw cell is what the drive holds, word for word.
    for (int r = 1; r < expected.size(); ++r) {
        QMachineValue *value = value_of(csv.get_text(0, r));
        QVERIFY(value);
        const int address = value->get_value_property(VALUE_ADDRESS).toInt();
        const qint64 drive = value->get_value_property(VALUE_LENGTH).toInt() == 2
            ? qint64(reg32(address)) : qint64(reg(address));
        QCOMPARE(csv.get_text(4, r).toLongLong(), drive);
    }

    // A picture of the page with the uploaded values and an editor open.
    QVERIFY(open_editor(QStringLiteral("P0-01")));
    QTest::qWait(50);
    const QString png = QStringLiteral(TEST_APP_DIR "/../parvex-page.png");
    QVERIFY(m_widget->grab().save(png));
}

void tst_ParvexCsv::downloadWritesRegisters_data()
{
    QTest::addColumn<QString>("encoding");
    QTest::newRow("GBK") << s("GBK");
    // Saved from a spreadsheet: the same file, another encoding.
    QTest::newRow("UTF-8 with BOM") << s("UTF-8 BOM");
}

void tst_ParvexCsv::downloadWritesRegisters()
{
    QFETCH(QString, encoding);
    QVERIFY(connect_drive());
    const QString text(QStringLiteral("代码,名称,值,单位,原始值\r\n"
                       "P0-00,控制方式,0,,0\r\n"
                       "P0-01,频率;设定,50,Hz,5000\r\n"
                       "P0-02,转矩偏置,-5,%,-50\r\n"
                       "P0-03,累计电量,12345678,kWh,12345678\r\n"
                       "P0-05,位置偏移,-0.2,mm,-2\r\n"
                       "P0-07,额定功率,9.9,kW,99\r\n"
                       "P1-07,有符号整数,-2,,65534\r\n"
                       "P1-09,双字三位小数,99999.999,,99999999\r\n"));
    const QString path = m_dir.filePath(QStringLiteral("download.csv"));
    if (encoding == QLatin1String("GBK")) {
        QVERIFY(!gbk_file(path, text).isEmpty());
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("\xEF\xBB\xBF") + text.toUtf8());
    }
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();
    // The read-only row is skipped quietly. The preview names the target
    // (Cancel is its default) and lists, ticked, only the rows that differ
    // from the drive; the last box is the end of a download whose every
    // value was read back as written.
    QTRY_COMPARE_WITH_TIMEOUT(m_answer->boxes.size(), 1, 15000);
    QCOMPARE(m_answer->previews.size(), 1);
    const ModalAnswerer::Preview preview = m_answer->previews.first();
    QCOMPARE(preview.default_button, QStringLiteral("取消"));
    QVERIFY2(preview.title.startsWith(QStringLiteral("下载预览")), qPrintable(preview.title));
    QVERIFY2(preview.target.contains(m_sim.device()) && preview.target.contains(QStringLiteral("站号 1"))
                 && preview.target.contains(QStringLiteral("页面测试机")),
             qPrintable(preview.target));
    QCOMPARE(preview.rows, (QStringList{QStringLiteral("+P0-00|矢量控制|V/F 控制|"),
                                        QStringLiteral("+P0-03|100000|12345678|kWh"),
                                        QStringLiteral("+P0-05|-12345.6|-0.2|mm"),
                                        QStringLiteral("+P1-07|-1|-2|"),
                                        QStringLiteral("+P1-09|0.000|99999.999|")}));
    QVERIFY(preview.refused.isEmpty());
    QVERIFY2(m_answer->boxes.last().details.contains(QStringLiteral("写入 5 个参数"))
                 && m_answer->boxes.last().details.contains(QStringLiteral("与设备相同 2 个")),
             qPrintable(m_answer->boxes.last().details));
    QCOMPARE(m_answer->boxes.last().icon, QMessageBox::Information);
    QCOMPARE(m_answer->boxes.last().text, QStringLiteral("下载功能参数成功"));
    QVERIFY(!ended.isEmpty());
    for (const QList<QVariant> &end : qAsConst(ended))
        QCOMPARE(end.first().toBool(), true);
    QCOMPARE(m_answer->file_dialogs, QStringList{QStringLiteral("打开|数据文件(*.csv)")});

    QCOMPARE(reg(0x2000), 0);
    QCOMPARE(reg(0x2001), 5000);
    QCOMPARE(reg(0x2002), 65486);
    QCOMPARE(reg(0x2003), 0x614E); // 12345678: low word first, both written
    QCOMPARE(reg(0x2004), 0x00BC);
    QCOMPARE(reg(0x2005), 65534);
    QCOMPARE(reg(0x2006), 65535);
    QCOMPARE(reg(0x2007), 75);
    QCOMPARE(reg(0x2107), 65534);
    QCOMPARE(reg32(0x2109), 99999999);
    QVERIFY(QSoftCore::get_core()->getErrlogs().isEmpty());

    // The model holds the full values at once.
    QCOMPARE(value_of(QStringLiteral("P0-03"))->get_base_value(), 12345678);
    QCOMPARE(row(QStringLiteral("P0-03"))->text(2), QStringLiteral("12345678"));
    QCOMPARE(row(QStringLiteral("P0-02"))->text(2), QStringLiteral("-5.0"));
}

void tst_ParvexCsv::downloadBadFiles_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");   // text of the first box, empty for none
    QTest::addColumn<QStringList>("named"); // what that box's texts must mention
    QTest::addColumn<QList<int>>("written"); // address, value pairs after the download

    const QString header = QStringLiteral("代码,名称,值,单位,原始值\r\n");
    const QString refused = QStringLiteral("以下参数行有误，不会写入：");
    const QString nothing = QStringLiteral("没有可以下载的参数！");
    const QString bad = QStringLiteral("文件错误，无法加载！");

    QTest::newRow("unknown code")
        << header + s("X9-99,无此参数,1,,5\r\nP0-08,点动频率,42,Hz,42\r\n")
        << refused << QStringList{s("第 2 行"), s("X9-99")} << QList<int>{0x2008, 42};
    QTest::newRow("short row")
        << header + s("P0-08,点动频率\r\nP1-08,无符号整数,7,,7\r\n")
        << refused << QStringList{s("P0-08")} << QList<int>{0x2008, 5, 0x2108, 7};
    QTest::newRow("non-numeric raw")
        << header + s("P0-08,点动频率,,Hz,abc\r\nP0-09,限定值,,,1.5\r\nP1-08,,,,7\r\n")
        << refused << QStringList{s("abc"), s("1.5")} << QList<int>{0x2008, 5, 0x2108, 7};
    QTest::newRow("raw wider than the register")
        << header + s("P1-08,,,,70000\r\nP1-06,,,,-1\r\nP1-07,,,,-32769\r\nP0-08,,,,9\r\n")
        << refused << QStringList{s("70000"), s("-1"), s("-32769")} << QList<int>{0x2108, 0, 0x2107, 65535, 0x2008, 9};
    QTest::newRow("raw outside minimum and maximum")
        << header + s("P0-08,,,,101\r\nP0-01,,,,60001\r\nP0-02,,,,-2001\r\nP1-08,,,,7\r\n")
        << refused << QStringList{s("101"), s("60001"), s("-2001")}
        << QList<int>{0x2008, 5, 0x2001, 5000, 0x2002, 65486, 0x2108, 7};
    // 值 edited in a spreadsheet, 原始值 left: neither is meant for sure.
    QTest::newRow("value and raw value disagree")
        << header + s("P0-01,频率;设定,35,Hz,4000\r\nP1-08,,,,7\r\n")
        << refused << QStringList{s("第 2 行"), s("35"), s("4000"), s("40.00")}
        << QList<int>{0x2001, 5000, 0x2108, 7};
    QTest::newRow("extra columns")
        << header + s("P0-08,点动频率,42,Hz,42,x,y\r\n")
        << QString() << QStringList() << QList<int>{0x2008, 42};
    QTest::newRow("header of four cells")
        << s("代码,名称,值,原始值\r\nP0-08,点动频率,42,42\r\n")
        << bad << QStringList() << QList<int>{0x2008, 5};
    QTest::newRow("header naming other columns")
        << s("a,b,c,d,e\r\nP0-08,点动频率,42,Hz,42\r\n")
        << bad << QStringList{s("代码")} << QList<int>{0x2008, 5};
    QTest::newRow("header alone without line end")
        << s("代码,名称,值,单位,原始值") << bad << QStringList() << QList<int>{0x2008, 5};
    QTest::newRow("empty raw cell only")
        << header + s("P0-08,点动频率,42,Hz,\r\n")
        << nothing << QStringList{s("P0-08")} << QList<int>{0x2008, 5};
    QTest::newRow("read-only rows only")
        << header + s("P0-07,额定功率,9.9,kW,99\r\n")
        << nothing << QStringList() << QList<int>{0x2007, 75};
}

void tst_ParvexCsv::downloadBadFiles()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(QStringList, named);
    QFETCH(QList<int>, written);
    const QString refused = QStringLiteral("以下参数行有误，不会写入：");

    QVERIFY(connect_drive());
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("bad.csv")), text);
    QSignalSpy started(QSoftCore::get_core()->get_communicate()->mission_manager(),
                       &QMissionManager::mission_group_start);
    QSignalSpy ended(QSoftCore::get_core()->get_communicate()->mission_manager(),
                     &QMissionManager::mission_group_end);
    m_answer->file = path;
    m_download->trigger();

    // The file's faults come before anything is written: listed apart in
    // the preview of the rest, or alone when nothing can be written.
    QTRY_VERIFY(!m_answer->boxes.isEmpty() || !m_answer->previews.isEmpty());
    ModalAnswerer::Box box;
    if (!m_answer->previews.isEmpty()) {
        const ModalAnswerer::Preview preview = m_answer->previews.first();
        QVERIFY2(preview.title.startsWith(QStringLiteral("下载预览")), qPrintable(preview.title));
        QCOMPARE(preview.refused.isEmpty(), message.isEmpty());
        box.text = preview.target;
        box.details = preview.refused.join(QLatin1Char('\n'));
    } else {
        box = m_answer->boxes.first();
    }
    if (message.isEmpty() || message == refused) {
        QCOMPARE(m_answer->previews.size(), 1);
    } else {
        QCOMPARE(m_answer->boxes.size(), 1);
        QVERIFY(m_answer->previews.isEmpty());
        QCOMPARE(box.title, QStringLiteral("警告"));
        QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
        QCOMPARE(box.icon, QMessageBox::Critical);
    }
    for (const QString &n : qAsConst(named))
        QVERIFY2((box.text + box.details).contains(n), qPrintable(box.text + box.details));

    const bool queued = written.size() > 0 && (message.isEmpty() || message == refused);
    if (queued) {
        // A download ends with its own box, after the backup and the writes.
        QTRY_COMPARE_WITH_TIMEOUT(m_answer->boxes.size(), 1, 15000);
        QCOMPARE(m_answer->boxes.last().text, QStringLiteral("下载功能参数成功"));
        QVERIFY(!ended.isEmpty());
    } else {
        QTest::qWait(200);
        QCOMPARE(started.count(), 0);
    }
    for (int i = 0; i + 1 < written.size(); i += 2)
        QCOMPARE(reg(written.at(i)), written.at(i + 1));
}

// The backup is the download's undo point: when the history cannot take it,
// the operator is asked, and the default (否, what closing the box gives)
// writes nothing.
void tst_ParvexCsv::downloadAsksWhenTheBackupCannotBeStored()
{
    QVERIFY(connect_drive());
    const QString history = m_dir.filePath(QStringLiteral("history.sqlite"));
    {
        QFile garbage(history);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray("not a database\n").repeated(300));
    }
    const QString path = gbk_file(m_dir.filePath(QStringLiteral("asks.csv")),
                                  QStringLiteral("代码,名称,值,单位,原始值\r\nP0-08,点动频率,42,Hz,42\r\n"));
    m_answer->file = path;
    m_download->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!m_answer->boxes.isEmpty()
                                 && m_answer->boxes.last().text == QStringLiteral("下载前备份没有存入历史记录。"),
                             15000);
    QVERIFY2(m_answer->boxes.last().details.contains(QStringLiteral("仍然下载吗")),
             qPrintable(m_answer->boxes.last().details));
    const int boxes = int(m_answer->boxes.size());
    QTest::qWait(300);
    QCOMPARE(m_answer->boxes.size(), boxes);
    QCOMPARE(reg(0x2008), 5);
    QVERIFY(QFile::remove(history));
}

QTEST_MAIN(tst_ParvexCsv)
#include "tst_parvexcsv.moc"
