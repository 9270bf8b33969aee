#include <database/qmachineconfig.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A description around the given body; the body starts on line 3.
QByteArray wrap(const QByteArray &body)
{
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Machine>\n") + body
        + QByteArrayLiteral("\n</Machine>\n");
}

bool write_file(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

const QByteArray kGroup = QByteArrayLiteral("<Group name=\"F0 基本功能组\">\n");

} // namespace

class tst_QMachineConfig : public QObject
{
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void profile();
    void broken_files_data();
    void broken_files();
    void missing_file();
    void small_description();
    void load_from_machines_directory();
    void type_cannot_leave_directory();
    void failed_load_leaves_nothing();
    void state_word_and_faults();
    void default_description_is_complete();

private:
    QTemporaryDir m_dir;
};

void tst_QMachineConfig::refused_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    QTest::newRow("malformed xml") << kGroup + "<Param code=\"F0-00\" address=\"1\">\n</Group>"
                                   << 5 << QString();
    QTest::newRow("unknown element") << QByteArray("<Grup name=\"x\"/>") << 3 << QStringLiteral("<Grup>");
    QTest::newRow("group without name") << QByteArray("<Group>\n</Group>") << 3
                                        << QStringLiteral("参数组缺少名称");
    QTest::newRow("duplicate group") << kGroup + "</Group>\n" + kGroup + "</Group>" << 5
                                     << QStringLiteral("参数组名称 \"F0 基本功能组\" 重复");
    QTest::newRow("two runtime pages") << QByteArray("<Runtime/>\n<Runtime/>") << 4
                                       << QStringLiteral("只能有一个 <Runtime>");
    QTest::newRow("no code") << kGroup + "<Param name=\"a\" address=\"1\"/>\n</Group>" << 4
                             << QStringLiteral("参数缺少代码");
    QTest::newRow("no address") << kGroup + "<Param code=\"F0-00\"/>\n</Group>" << 4
                                << QStringLiteral("参数 F0-00 缺少地址");
    QTest::newRow("address not a number") << kGroup + "<Param code=\"F0-00\" address=\"0xG1\"/>\n</Group>" << 4
                                          << QStringLiteral("地址 \"0xG1\" 不是");
    QTest::newRow("address too large") << kGroup + "<Param code=\"F0-00\" address=\"65536\"/>\n</Group>" << 4
                                       << QStringLiteral("地址 \"65536\" 不是");
    QTest::newRow("duplicate code") << kGroup + "<Param code=\"F0-00\" address=\"1\"/>\n</Group>\n"
                                           "<Runtime>\n<Param code=\"F0-00\" address=\"2\"/>\n</Runtime>"
                                    << 7 << QStringLiteral("代码 F0-00 重复 (第 4 行已使用)");
    QTest::newRow("duplicate address") << kGroup + "<Param code=\"F0-00\" address=\"0x10\"/>\n"
                                                   "<Param code=\"F0-01\" address=\"16\"/>\n</Group>"
                                       << 5 << QStringLiteral("地址 16 (0x0010) 已被 F0-00 占用");
    QTest::newRow("overlaps high word") << kGroup + "<Param code=\"F0-00\" address=\"16\" length=\"2\"/>\n"
                                                    "<Param code=\"F0-01\" address=\"17\"/>\n</Group>"
                                        << 5 << QStringLiteral("地址 17 (0x0011) 已被 F0-00 占用");
    QTest::newRow("high word onto next") << kGroup + "<Param code=\"F0-01\" address=\"17\"/>\n"
                                                     "<Param code=\"F0-00\" address=\"16\" length=\"2\"/>\n</Group>"
                                         << 5 << QStringLiteral("已被 F0-01 占用");
    QTest::newRow("length 3") << kGroup + "<Param code=\"F0-00\" address=\"1\" length=\"3\"/>\n</Group>" << 4
                              << QStringLiteral("长度 \"3\" 不是 1 或 2");
    QTest::newRow("length 0") << kGroup + "<Param code=\"F0-00\" address=\"1\" length=\"0\"/>\n</Group>" << 4
                              << QStringLiteral("长度 \"0\" 不是 1 或 2");
    QTest::newRow("two words past the end") << kGroup + "<Param code=\"F0-00\" address=\"65535\" length=\"2\"/>\n</Group>"
                                            << 4 << QStringLiteral("高位寄存器超出地址范围");
    QTest::newRow("scale 0") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"0\"/>\n</Group>" << 4
                             << QStringLiteral("十进制参数 F0-00 的缩放为 0");
    QTest::newRow("scale not integer") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"0.1\"/>\n</Group>"
                                       << 4 << QStringLiteral("缩放 \"0.1\" 不是整数");
    QTest::newRow("scale most negative") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"-2147483648\"/>\n</Group>"
                                         << 4 << QStringLiteral("缩放 -2147483648 的绝对值大于 1000000000");
    QTest::newRow("scale too large") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"1000000001\"/>\n</Group>"
                                     << 4 << QStringLiteral("缩放 1000000001 的绝对值大于 1000000000");
    QTest::newRow("line breaks in code") << kGroup + "<Param code=\"F0&#13;00&#10;&#x2028;\"/>\n</Group>" << 4
                                         << QStringLiteral("参数 F0 00 缺少地址");
    QTest::newRow("default above max") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"10\" default=\"10.1\""
                                                   " min=\"0\" max=\"10.0\"/>\n</Group>"
                                       << 4 << QStringLiteral("默认值 10.1 超出范围 [0, 10.0]");
    QTest::newRow("default below min") << kGroup + "<Param code=\"F0-00\" address=\"1\" scale=\"-1\" default=\"-6\""
                                                   " min=\"-5\" max=\"5\"/>\n</Group>"
                                       << 4 << QStringLiteral("默认值 -6 超出范围");
    QTest::newRow("min above max") << kGroup + "<Param code=\"F0-00\" address=\"1\" min=\"5\" max=\"4\"/>\n</Group>"
                                   << 4 << QStringLiteral("最小值 5 大于最大值 4");
    QTest::newRow("default not a number") << kGroup + "<Param code=\"F0-00\" address=\"1\" default=\"abc\"/>\n</Group>"
                                          << 4 << QStringLiteral("默认值 \"abc\" 不是数");
    QTest::newRow("max wider than one word") << kGroup + "<Param code=\"F0-00\" address=\"1\" max=\"70000\"/>\n</Group>"
                                             << 4 << QStringLiteral("最大值 70000 超出 16 位无符号数的范围");
    QTest::newRow("negative on unsigned") << kGroup + "<Param code=\"F0-00\" address=\"1\" min=\"-1\"/>\n</Group>"
                                          << 4 << QStringLiteral("最小值 -1 超出 16 位无符号数");
    QTest::newRow("unknown editor") << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"滑块\"/>\n</Group>"
                                    << 4 << QStringLiteral("编辑方式 \"滑块\" 未知");
    QTest::newRow("unknown access") << kGroup + "<Param code=\"F0-00\" address=\"1\" access=\"w\"/>\n</Group>"
                                    << 4 << QStringLiteral("访问方式 \"w\" 未知");
    QTest::newRow("bad start flag") << kGroup + "<Param code=\"F0-00\" address=\"1\" start=\"yes\"/>\n</Group>"
                                    << 4 << QStringLiteral("启动标志 \"yes\"");
    QTest::newRow("choice value not a number")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\">\n<Choice value=\"a\" text=\"甲\"/>\n</Param>\n</Group>"
        << 5 << QStringLiteral("选择值 \"a\" 不是整数");
    QTest::newRow("choice without text")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\">\n<Choice value=\"0\"/>\n</Param>\n</Group>"
        << 5 << QStringLiteral("缺少文字");
    QTest::newRow("choice text with separator")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\">\n<Choice value=\"0\" text=\"a;b\"/>\n</Param>\n</Group>"
        << 5 << QStringLiteral("含有 ';'");
    QTest::newRow("duplicate choice")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\">\n<Choice value=\"0\" text=\"a\"/>\n"
                    "<Choice value=\"0\" text=\"b\"/>\n</Param>\n</Group>"
        << 6 << QStringLiteral("选择值 0 重复");
    QTest::newRow("choice editor without choices")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\"/>\n</Group>"
        << 4 << QStringLiteral("没有选择值");
    QTest::newRow("choice default not a choice")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\" default=\"2\">\n<Choice value=\"0\" text=\"a\"/>\n"
                    "<Choice value=\"1\" text=\"b\"/>\n</Param>\n</Group>"
        << 4 << QStringLiteral("默认值 2 不是它的选择值之一");
    QTest::newRow("scaled choice")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" editor=\"选择\" scale=\"10\">\n<Choice value=\"0\" text=\"a\"/>\n</Param>\n</Group>"
        << 4 << QStringLiteral("缩放 10 不是 1 或 -1");
    QTest::newRow("element after root") << QByteArray("</Machine>\n<Machine>") << 4 << QString();
    const QByteArray state = "<Runtime>\n<Param code=\"U0-23\" address=\"1\" role=\"state\">\n";
    QTest::newRow("monitor flag") << QByteArray("<Runtime>\n<Param code=\"U0-00\" address=\"1\" monitor=\"yes\"/>\n</Runtime>")
                                  << 4 << QStringLiteral("监视标志 \"yes\"");
    QTest::newRow("unknown role") << QByteArray("<Runtime>\n<Param code=\"U0-00\" address=\"1\" role=\"speed\"/>\n</Runtime>")
                                  << 4 << QStringLiteral("用途 \"speed\" 未知");
    QTest::newRow("bit beyond the word") << state + "<Bit bit=\"16\" name=\"a\"/>\n</Param>\n</Runtime>"
                                         << 5 << QStringLiteral("位号 \"16\"");
    QTest::newRow("bit twice") << state + "<Bit bit=\"0\" name=\"a\"/>\n<Bit bit=\"0\" name=\"b\"/>\n</Param>\n</Runtime>"
                               << 6 << QStringLiteral("位 0 重复");
    QTest::newRow("bit meaning") << state + "<Bit bit=\"0\" means=\"stop\" name=\"a\"/>\n</Param>\n</Runtime>"
                                 << 5 << QStringLiteral("含义 \"stop\" 未知");
    QTest::newRow("bit without name") << state + "<Bit bit=\"0\"/>\n</Param>\n</Runtime>"
                                      << 5 << QStringLiteral("位 0 缺少名称");
    QTest::newRow("bit of a value without role")
        << QByteArray("<Runtime>\n<Param code=\"U0-00\" address=\"1\">\n<Bit bit=\"0\" name=\"a\"/>\n</Param>\n</Runtime>")
        << 5 << QStringLiteral("<Bit>");
    QTest::newRow("fault code zero")
        << QByteArray("<Runtime>\n<Param code=\"U0-22\" address=\"1\" role=\"fault\">\n<Fault code=\"0\" name=\"a\"/>\n</Param>\n</Runtime>")
        << 5 << QStringLiteral("故障代码 \"0\"");
    QTest::newRow("fault twice")
        << QByteArray("<Runtime>\n<Param code=\"U0-22\" address=\"1\" role=\"fault\">\n<Fault code=\"2\" name=\"a\"/>\n"
                      "<Fault code=\"2\" name=\"b\"/>\n</Param>\n</Runtime>")
        << 6 << QStringLiteral("故障代码 2 重复");
    // A profile that contradicts itself or the parameters.
    QTest::newRow("read above the protocol's") << QByteArray("<Protocol max-read=\"126\"/>") << 3
                                               << QStringLiteral("max-read \"126\" 不是 1 到 125");
    QTest::newRow("write function unknown") << QByteArray("<Protocol write-single=\"0x05\"/>") << 3
                                            << QStringLiteral("不是 0x06 或 0x10");
    QTest::newRow("word order unknown") << QByteArray("<Protocol word-order=\"middle\"/>") << 3
                                        << QStringLiteral("word-order");
    QTest::newRow("unknown profile attribute") << QByteArray("<Protocol max-reads=\"8\"/>") << 3
                                               << QStringLiteral("不认识属性 max-reads");
    QTest::newRow("profile after a group") << kGroup + "</Group>\n<Protocol/>" << 5
                                           << QStringLiteral("<Protocol> 必须写在所有参数组之前");
    QTest::newRow("serial without its length") << QByteArray("<Protocol serial=\"0x0100\"/>") << 3
                                               << QStringLiteral("serial 要有 serial-length");
    QTest::newRow("serial longer than a read") << QByteArray("<Protocol serial=\"0x0100\" serial-length=\"9\"/>") << 3
                                               << QStringLiteral("serial-length 9 大于一次读取的寄存器数 max-read 8");
    QTest::newRow("serial in register 0") << QByteArray("<Protocol serial=\"0\" serial-length=\"2\"/>") << 3
                                          << QStringLiteral("serial \"0\" 不是 1 到 65535 之间的寄存器地址");
    QTest::newRow("serial over a parameter")
        << QByteArray("<Protocol serial=\"1\" serial-length=\"2\"/>\n") + kGroup
            + "<Param code=\"F0-00\" address=\"2\"/>\n</Group>"
        << 5 << QStringLiteral("已被 设备序列号 占用");
    QTest::newRow("float of one register")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" type=\"float\" length=\"1\"/>\n</Group>" << 4
        << QStringLiteral("浮点参数 F0-00 的长度是 1");
    QTest::newRow("scaled float")
        << kGroup + "<Param code=\"F0-00\" address=\"1\" type=\"float\" scale=\"10\"/>\n</Group>" << 4
        << QStringLiteral("浮点参数 F0-00 不能有缩放");
    QTest::newRow("two words in one-register reads")
        << QByteArray("<Protocol max-read=\"1\"/>\n") + kGroup
            + "<Param code=\"F0-00\" address=\"1\" length=\"2\"/>\n</Group>"
        << 5 << QStringLiteral("两字参数 F0-00 不能用最多 1 个寄存器的读取读出");
}

void tst_QMachineConfig::profile()
{
    // Absent: today's rules; present: every attribute taken, the word order
    // and the float type written into the rows of two-word values.
    QVERIFY(m_dir.isValid());
    const QString plain = m_dir.filePath(QStringLiteral("plain.xml"));
    QVERIFY(write_file(plain, wrap(kGroup + "<Param code=\"F0-00\" address=\"1\"/>\n</Group>")));
    QMachineConfig config;
    QVERIFY2(config.load_file(plain), qPrintable(config.error_string()));
    QVERIFY(config.profile().is_default());
    QVERIFY(!config.has_protocol());

    const QString path = m_dir.filePath(QStringLiteral("profile.xml"));
    QVERIFY(write_file(path, wrap("<Protocol max-read=\"32\" max-gap=\"2\" write-single=\"0x10\" "
                                  "write-double=\"0x06\" word-order=\"high-first\" address-base=\"40001\" "
                                  "pause-ms=\"5\" timeout-ms=\"300\" retries=\"1\"/>\n"
                                  + kGroup
                                  + "<Param code=\"F0-00\" address=\"1\" length=\"2\"/>\n"
                                    "<Param code=\"F0-01\" address=\"3\" type=\"float\" default=\"1.5\" "
                                    "min=\"-1e6\" max=\"1e6\"/>\n"
                                    "<Param code=\"F0-02\" address=\"5\"/>\n</Group>")));
    QVERIFY2(config.load_file(path), qPrintable(config.error_string()));
    QVERIFY(config.has_protocol());
    const DriveProfile p = config.profile();
    QCOMPARE(p.max_read, 32);
    QCOMPARE(p.max_gap, 2);
    QCOMPARE(p.single_write, 0x10);
    QCOMPARE(p.double_write, 0x06);
    QVERIFY(p.high_word_first);
    QCOMPARE(p.shown_address(0x10), QStringLiteral("40017"));
    QCOMPARE(p.pause_ms, 5);
    QCOMPARE(p.timeout_ms, 300);
    QCOMPARE(p.retries, 1);
    const QList<QStringList> rows = config.get_parvex_config()->get_page(0).rows;
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).at(17), QStringLiteral("high"));
    QCOMPARE(rows.at(1).at(3), QStringLiteral("2")); // a float is two registers
    QCOMPARE(rows.at(1).at(18), QStringLiteral("float"));
    QCOMPARE(rows.at(2).at(17), QString()); // one word has no order

    // The serial number's registers: text two characters a register, high
    // byte first, padding dropped; a number in the drive's word order.
    DriveProfile serial;
    serial.serial_address = 0x100;
    serial.serial_length = 3;
    QCOMPARE(serial.serial_text({0x4142, 0x2D31, 0x0000}), QStringLiteral("AB-1"));
    QCOMPARE(serial.serial_registers(QStringLiteral("AB-1")), (QList<quint16>{0x4142, 0x2D31, 0}));
    QCOMPARE(serial.serial_text({0, 0, 0}), QString());
    QCOMPARE(serial.serial_text({0x41FF, 0, 0}), QString()); // not text: nothing rather than garbage
    QVERIFY(serial.serial_registers(QStringLiteral("ABCDEFG")).isEmpty());
    serial.serial_form = DriveProfile::SerialForm::Number;
    serial.serial_length = 2;
    QCOMPARE(serial.serial_text({0xE240, 0x0001}), QStringLiteral("123456"));
    serial.high_word_first = true;
    QCOMPARE(serial.serial_text({0x0001, 0xE240}), QStringLiteral("123456"));
    QCOMPARE(serial.serial_registers(QStringLiteral("123456")), (QList<quint16>{0x0001, 0xE240}));
    QVERIFY(serial.serial_registers(QStringLiteral("4294967296")).isEmpty()); // beyond two registers
}

void tst_QMachineConfig::refused()
{
    QFETCH(QByteArray, body);
    QFETCH(int, line);
    QFETCH(QString, reason);
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'))
                                        + QStringLiteral(".xml"));
    QVERIFY(write_file(path, wrap(body)));
    QMachineConfig config;
    QVERIFY(!config.load_file(path));
    const QString error = config.error_string();
    const QString where = QDir::toNativeSeparators(path) + QLatin1Char(':') + QString::number(line) + QStringLiteral(": ");
    QVERIFY2(error.startsWith(where), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(error.size() > where.size());
    QVERIFY(!error.contains(QLatin1Char('\n')));
    QVERIFY(!error.contains(QLatin1Char('\r')));
    QVERIFY(!error.contains(QChar::LineSeparator));
    QCOMPARE(config.get_parvex_config()->page_count(), 0);
    QCOMPARE(config.get_runtime_config()->page_count(), 0);
}

void tst_QMachineConfig::broken_files_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("malformed") << QStringLiteral("broken-desc-malformed.xml") << 5 << QString();
    QTest::newRow("duplicate address") << QStringLiteral("broken-desc-duplicate-address.xml") << 7
                                       << QStringLiteral("已被 F0-00 占用");
    QTest::newRow("default out of range") << QStringLiteral("broken-desc-default-range.xml") << 5
                                          << QStringLiteral("默认值 700.00 超出范围 [0.00, 600.00]");
    // Bytes that are no text: the line they are on, not the reader's guess.
    QTest::newRow("NUL") << QStringLiteral("broken-desc-nul.xml") << 4 << QStringLiteral("有 NUL 字节");
    QTest::newRow("not UTF-8") << QStringLiteral("broken-desc-not-utf8.xml") << 5
                               << QStringLiteral("有不是 UTF-8 编码的字节 \\xFF");
}

void tst_QMachineConfig::broken_files()
{
    QFETCH(QString, file);
    QFETCH(int, line);
    QFETCH(QString, reason);
    const QString path = QStringLiteral(TEST_DATA_DIR "/") + file;
    QMachineConfig config;
    QVERIFY(!config.load_file(path));
    QVERIFY2(config.error_string().startsWith(QDir::toNativeSeparators(path) + QLatin1Char(':')
                                              + QString::number(line) + QStringLiteral(": ")),
             qPrintable(config.error_string()));
    QVERIFY2(config.error_string().contains(reason), qPrintable(config.error_string()));
    QCOMPARE(config.get_parvex_config()->page_count(), 0);
}

void tst_QMachineConfig::missing_file()
{
    QMachineConfig config;
    const QString path = m_dir.filePath(QStringLiteral("nowhere.xml"));
    QVERIFY(!config.load_file(path));
    QVERIFY(config.error_string().startsWith(QDir::toNativeSeparators(path) + QStringLiteral(": ")));
    QVERIFY(config.error_string().contains(QStringLiteral("无法打开")));
}

void tst_QMachineConfig::small_description()
{
    QMachineConfig config;
    QVERIFY2(config.load_file(QStringLiteral(TEST_DATA_DIR "/desc-small.xml")), qPrintable(config.error_string()));
    const QDataBaseLoader *parvex = config.get_parvex_config();
    QCOMPARE(parvex->page_count(), 2);
    QCOMPARE(parvex->get_page(0).name, QStringLiteral("F0 基本功能组"));
    QCOMPARE(parvex->get_page(1).name, QStringLiteral("F1 电机参数组"));
    QVERIFY(parvex->get_page(1).rows.isEmpty());
    QCOMPARE(parvex->get_page(2).name, QString());

    const QList<QStringList> rows = parvex->get_page(0).rows;
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0), QStringList({QStringLiteral("F0-00"), QStringLiteral("控制方式"), QStringLiteral("61440"),
                                      QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("0"),
                                      QStringLiteral("1"), QString(), QStringLiteral("stop"), QStringLiteral("选择"),
                                      QStringLiteral("0:V/F 控制;1:无速度传感器矢量控制"), QStringLiteral("1"),
                                      QStringLiteral("选择控制方式"), QString(), QString(), QString(), QString(), QString(),
                                      // monitor, role, bits, faults (each in two languages), help-en
                                      QString(), QString(), QString(), QString(), QString(), QString(), QString()}));
    // Absent attributes take their defaults: one word, scale 1, writable,
    // decimal editor, not in the start list.
    QCOMPARE(rows.at(1), QStringList({QStringLiteral("F0-01"), QStringLiteral("频率"), QStringLiteral("61441"),
                                      QStringLiteral("1"), QStringLiteral("100"), QStringLiteral("50.00"),
                                      QStringLiteral("0.00"), QStringLiteral("600.00"), QStringLiteral("Hz"),
                                      QStringLiteral("rw"), QStringLiteral("十进制"), QString(), QStringLiteral("0"),
                                      QString(), QString(), QString(), QString(), QString(), QString(),
                                      QString(), QString(), QString(), QString(), QString(), QString(), QString()}));
    QCOMPARE(rows.at(2).at(2), QStringLiteral("61443"));
    QCOMPARE(rows.at(2).at(3), QStringLiteral("2"));
    QCOMPARE(rows.at(2).at(12), QStringLiteral("1"));

    const QDataBaseLoader *runtime = config.get_runtime_config();
    QCOMPARE(runtime->page_count(), 1);
    const QList<QStringList> rt = runtime->get_page(0).rows;
    QCOMPARE(rt.size(), 2);
    QCOMPARE(rt.at(0).size(), 26);
    QCOMPARE(rt.at(0).at(2), QStringLiteral("4096"));
    QCOMPARE(rt.at(0).at(9), QStringLiteral("ro"));
    QCOMPARE(rt.at(1).at(3), QStringLiteral("2"));
}

void tst_QMachineConfig::load_from_machines_directory()
{
    const QString dir = m_dir.filePath(QStringLiteral("machines"));
    QFile small(QStringLiteral(TEST_DATA_DIR "/desc-small.xml"));
    QVERIFY(small.open(QIODevice::ReadOnly));
    const QByteArray bytes = small.readAll();
    QVERIFY(write_file(dir + QStringLiteral("/default.xml"), bytes));
    QVERIFY(write_file(dir + QStringLiteral("/T1/2.xml"), bytes));

    QMachineConfig::set_machines_directory(dir);
    QMachineConfig config;
    QVERIFY2(config.load(), qPrintable(config.error_string()));
    QCOMPARE(config.get_parvex_config()->page_count(), 2);
    QVERIFY2(config.load(QStringLiteral("T1"), QStringLiteral("2")), qPrintable(config.error_string()));
    QCOMPARE(config.get_runtime_config()->page_count(), 1);
    QVERIFY(!config.load(QStringLiteral("T1"), QStringLiteral("3")));
    QVERIFY(config.error_string().contains(QDir::toNativeSeparators(dir + QStringLiteral("/T1/3.xml"))));

    QMachineConfig::set_machines_directory(QString());
    QCOMPARE(QMachineConfig::machines_directory(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/machines"));
}

void tst_QMachineConfig::type_cannot_leave_directory()
{
    QMachineConfig::set_machines_directory(m_dir.filePath(QStringLiteral("machines")));
    QMachineConfig config;
    QVERIFY(!config.load(QStringLiteral(".."), QStringLiteral("x")));
    QVERIFY(!config.load(QStringLiteral("T1"), QStringLiteral("../../etc/passwd")));
    QVERIFY(!config.error_string().isEmpty());
    QMachineConfig::set_machines_directory(QString());
}

void tst_QMachineConfig::failed_load_leaves_nothing()
{
    QMachineConfig config;
    QVERIFY(config.load_file(QStringLiteral(TEST_DATA_DIR "/desc-small.xml")));
    QVERIFY(config.error_string().isEmpty());
    QVERIFY(!config.load_file(QStringLiteral(TEST_DATA_DIR "/broken-desc-duplicate-address.xml")));
    QCOMPARE(config.get_parvex_config()->page_count(), 0);
    QCOMPARE(config.get_runtime_config()->page_count(), 0);
    QVERIFY(config.get_runtime_config()->get_page(0).rows.isEmpty());
}

void tst_QMachineConfig::state_word_and_faults()
{
    QVERIFY(m_dir.isValid());
    const QString path = m_dir.filePath(QStringLiteral("state.xml"));
    QVERIFY(write_file(path, wrap("<Runtime>\n"
                                  "<Param code=\"U0-22\" address=\"1\" role=\"fault\" monitor=\"1\">\n"
                                  "<Fault code=\"2\" name=\"加速过电流\" name-en=\"Over-current\"/>\n"
                                  "<Fault code=\"9\" name=\"欠压\"/>\n</Param>\n"
                                  "<Param code=\"U0-23\" address=\"2\" role=\"state\">\n"
                                  "<Bit bit=\"0\" means=\"run\" name=\"运行\" name-en=\"Running\"/>\n"
                                  "<Bit bit=\"3\" name=\"报警\"/>\n</Param>\n</Runtime>")));
    QMachineConfig config;
    QVERIFY2(config.load_file(path), qPrintable(config.error_string()));
    const QList<QStringList> rows = config.get_runtime_config()->get_page(0).rows;
    QCOMPARE(rows.size(), 2);
    // Monitor flag, role, bits, bits in English, faults, faults in English.
    QCOMPARE(rows.at(0).mid(19), QStringList({QStringLiteral("1"), QStringLiteral("fault"), QString(), QString(),
                                              QStringLiteral("2:加速过电流;9:欠压"),
                                              QStringLiteral("2:Over-current;9:欠压"), QString()}));
    QCOMPARE(rows.at(1).mid(19), QStringList({QString(), QStringLiteral("state"),
                                              QStringLiteral("0:run:运行;3::报警"),
                                              QStringLiteral("0:run:Running;3::报警"), QString(), QString(), QString()}));
}

void tst_QMachineConfig::default_description_is_complete()
{
    QMachineConfig config;
    QVERIFY2(config.load_file(QStringLiteral(TEST_SOURCE_DIR "/machines/default.xml")),
             qPrintable(config.error_string()));
    const QList<tagDataPage> pages = config.get_parvex_config()->get_pages();
    QVERIFY(pages.size() >= 14);
    int params = 0;
    int signed_values = 0, two_words = 0, choices = 0, read_only = 0, stop_only = 0, helps = 0, start = 0, gaps = 0;
    // Every name, choice and help text is there in English too.
    const auto english_complete = [](const tagDataPage &page) {
        for (const QStringList &row : page.rows) {
            if (row.at(14).isEmpty() || row.at(11).count(QLatin1Char(':')) != row.at(16).count(QLatin1Char(':'))
                || row.at(13).isEmpty() != row.at(25).isEmpty())
                return row.at(0);
        }
        return QString();
    };
    QCOMPARE(english_complete(config.get_runtime_config()->get_page(0)), QString());
    for (int g = 0; g < pages.size(); ++g) {
        QVERIFY(!pages.at(g).name_en.isEmpty());
        QCOMPARE(english_complete(pages.at(g)), QString());
        QVERIFY(!pages.at(g).rows.isEmpty());
        int expected = 0xF000 + g * 0x100;
        for (const QStringList &row : pages.at(g).rows) {
            ++params;
            const int address = row.at(2).toInt();
            // Fg-ii at 0xF000 + g * 0x100 + ii, and never register 0 (the
            // drive's software version).
            QVERIFY(address != 0);
            QCOMPARE(address, 0xF000 + g * 0x100 + row.at(0).mid(3).toInt());
            if (address != expected)
                ++gaps;
            expected = address + row.at(3).toInt();
            signed_values += row.at(4).toInt() < 0;
            two_words += row.at(3) == QLatin1String("2");
            choices += row.at(10) == QStringLiteral("选择");
            read_only += row.at(9) == QLatin1String("ro");
            stop_only += row.at(9) == QLatin1String("stop");
            helps += !row.at(13).isEmpty();
            start += row.at(12) == QLatin1String("1");
        }
    }
    QVERIFY(params >= 350);
    QVERIFY(signed_values > 0 && two_words > 0 && choices > 0 && read_only > 0 && stop_only > 0);
    QVERIFY(helps > 20);
    QVERIFY(gaps > 0);
    QVERIFY(start > 0 && start < 40);
    const QList<QStringList> runtime = config.get_runtime_config()->get_page(0).rows;
    QVERIFY(runtime.size() >= 25);
    for (const QStringList &row : runtime) {
        QVERIFY(row.at(2).toInt() >= 0x1000);
        QCOMPARE(row.at(9), QStringLiteral("ro"));
    }
}

QTEST_GUILESS_MAIN(tst_QMachineConfig)
#include "tst_qmachineconfig.moc"
