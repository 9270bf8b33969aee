#include <coredata/qlocalcodec.h>
#include <coredata/qsettingmanager.h>
#include <coredata/xmlobject.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

using VariantMap = QMap<QString, QVariant>;

class tst_QSettingManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void keys_data();
    void keys();
    void fileLayout();
    void gbkRoundTripByteForByte();
    void gbkFixtureSavesUnchanged();
    void unencodableCharacterIsReported();
    void badFiles_data();
    void badFiles();
    void utf8FileThenBrokenFile();
    void duplicateAndNamelessItems();
    void escape_data();
    void escape();
    void unescapeMalformed_data();
    void unescapeMalformed();
    void escapesAppend();
    void stringToVariant_data();
    void stringToVariant();
    void failedSaveKeepsPreviousFile();
    void unwritableLocation();
    void defaultFile();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    static QByteArray readAll(const QString &file);
    static void writeAll(const QString &file, const QByteArray &bytes);
    QString copyFixture(const QString &name) const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

QByteArray tst_QSettingManager::readAll(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void tst_QSettingManager::writeAll(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString tst_QSettingManager::copyFixture(const QString &name) const
{
    const QString target = path(QStringLiteral("config.xml"));
    QFile::remove(target);
    if (!QFile::copy(QStringLiteral(TEST_DATA_DIR "/") + name, target))
        return QString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void tst_QSettingManager::initTestCase()
{
    QVERIFY(QLocalCodec::install());
}

void tst_QSettingManager::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Nothing the store does here may land beside the test program.
    QSettingManager::set_default_file(path(QStringLiteral("default-config.xml")));
}

void tst_QSettingManager::cleanupTestCase()
{
    QSettingManager::set_default_file(QString());
}

void tst_QSettingManager::keys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("afterRestart"); // invalid: gone after a restart

    QTest::newRow("integer comes back as text")
        << QStringLiteral("Communicate.BaudRate") << QVariant(9600) << QVariant(QStringLiteral("9600"));
    QTest::newRow("no dot: memory only")
        << QStringLiteral("Volume") << QVariant(3) << QVariant();
    QTest::newRow("leading dot: memory only")
        << QStringLiteral(".x") << QVariant(QStringLiteral("y")) << QVariant();
    QTest::newRow("item with dots")
        << QStringLiteral("A.B.C") << QVariant(QStringLiteral("v")) << QVariant(QStringLiteral("v"));
    QTest::newRow("trailing dot: empty item name is dropped on reading")
        << QStringLiteral("A.") << QVariant(QStringLiteral("v")) << QVariant();
    QTest::newRow("bytes")
        << QStringLiteral("Runtime.0") << QVariant(QByteArray("\x00\x0A\xFF", 3))
        << QVariant(QByteArray("\x00\x0A\xFF", 3));
    QTest::newRow("empty bytes")
        << QStringLiteral("Runtime.1") << QVariant(QByteArray()) << QVariant(QByteArray());
    QTest::newRow("text that looks like bytes turns into bytes")
        << QStringLiteral("Device.Text") << QVariant(QStringLiteral("@ByteArray(\\41\\42)"))
        << QVariant(QByteArray("AB"));
    QTest::newRow("XML special characters")
        << QStringLiteral("Device.Note") << QVariant(QStringLiteral("<a & \"b\" 'c'>"))
        << QVariant(QStringLiteral("<a & \"b\" 'c'>"));
    QTest::newRow("Chinese key and value")
        << QStringLiteral("设备.名称") << QVariant(QStringLiteral("变频器 1 号"))
        << QVariant(QStringLiteral("变频器 1 号"));
    QTest::newRow("empty text")
        << QStringLiteral("Device.Empty") << QVariant(QString()) << QVariant(QString());
    QTest::newRow("boolean")
        << QStringLiteral("View.Grid") << QVariant(true) << QVariant(QStringLiteral("true"));
}

void tst_QSettingManager::keys()
{
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QVariant, afterRestart);

    const QString file = path(QStringLiteral("config.xml"));
    {
        QSettingManager store(file);
        store.load();
        QVERIFY(store.set_value(key, value));
        QCOMPARE(store.get_value(key), value);
    }
    QSettingManager restarted(file);
    restarted.load();
    const QVariant missing(QStringLiteral("<missing>"));
    if (!afterRestart.isValid()) {
        QCOMPARE(restarted.get_value(key, missing), missing);
        return;
    }
    const QVariant read = restarted.get_value(key, missing);
    QCOMPARE(read.typeId(), afterRestart.typeId());
    QCOMPARE(read, afterRestart);
}

void tst_QSettingManager::fileLayout()
{
    const QString file = path(QStringLiteral("config.xml"));
    QSettingManager store(file);
    store.set_value(QStringLiteral("Communicate.Stop"), 1);
    store.set_value(QStringLiteral("Volume"), 5);
    store.set_value(QStringLiteral("A.B.C"), QStringLiteral("x"));
    QVERIFY(store.set_value(QStringLiteral("Communicate.BaudRate"), 9600));

    const QByteArray expected =
        "<?xml version=\"1.0\"?>\n"
        "<Settings>\n"
        "    <Group name=\"A\">\n"
        "        <Item name=\"B.C\" value=\"x\"/>\n"
        "    </Group>\n"
        "    <Group name=\"Communicate\">\n"
        "        <Item name=\"BaudRate\" value=\"9600\"/>\n"
        "        <Item name=\"Stop\" value=\"1\"/>\n"
        "    </Group>\n"
        "</Settings>\n";
    QCOMPARE(readAll(file), expected);

    // Nothing savable: an empty root, still a file that loads.
    QSettingManager empty(path(QStringLiteral("empty.xml")));
    QVERIFY(empty.save());
    QCOMPARE(readAll(path(QStringLiteral("empty.xml"))),
             QByteArray("<?xml version=\"1.0\"?>\n<Settings/>\n"));
}

void tst_QSettingManager::gbkRoundTripByteForByte()
{
    const QString file = path(QStringLiteral("config.xml"));
    QSettingManager store(file);
    QVERIFY(store.set_value(QStringLiteral("Device.名称"), QStringLiteral("变频器 1 号")));

    // GBK bytes written out by hand, not by the codec under test.
    const QByteArray expected =
        "<?xml version=\"1.0\"?>\n"
        "<Settings>\n"
        "    <Group name=\"Device\">\n"
        "        <Item name=\"\xC3\xFB\xB3\xC6\" value=\"\xB1\xE4\xC6\xB5\xC6\xF7 1 \xBA\xC5\"/>\n"
        "    </Group>\n"
        "</Settings>\n";
    QCOMPARE(readAll(file), expected);

    QSettingManager restarted(file);
    restarted.load();
    QCOMPARE(restarted.get_value(QStringLiteral("Device.名称")).toString(), QStringLiteral("变频器 1 号"));
}

void tst_QSettingManager::gbkFixtureSavesUnchanged()
{
    const QString file = copyFixture(QStringLiteral("config-gbk.xml"));
    QVERIFY(!file.isEmpty());
    const QByteArray original = readAll(file);

    QSettingManager store(file);
    store.load();
    QCOMPARE(store.get_value(QStringLiteral("Communicate.BaudRate")).toInt(), 19200);
    QCOMPARE(store.get_value(QStringLiteral("Device.名称")).toString(), QStringLiteral("变频器 1 号"));
    QCOMPARE(store.get_value(QStringLiteral("Device.Note")).toString(), QStringLiteral("<A&B> \"上限频率\""));
    QCOMPARE(store.get_value(QStringLiteral("Runtime.0")).toByteArray(), QByteArray("\x00\x0A\xFF", 3));

    QVERIFY(QFile::remove(file));
    QVERIFY(store.save());
    QCOMPARE(readAll(file), original);
}

void tst_QSettingManager::unencodableCharacterIsReported()
{
    QSettingManager store(path(QStringLiteral("config.xml")));
    // An emoji has no GBK form; the stored text would silently change.
    const QString smile = QStringLiteral("\U0001F600");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be stored")));
    store.set_value(QStringLiteral("Device.Unit"), smile);
    QCOMPARE(store.get_value(QStringLiteral("Device.Unit")).toString(), smile);
}

void tst_QSettingManager::badFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");         // file contents; null: take the fixture
    QTest::addColumn<QString>("fixture");          // empty with null bytes: no file at all
    QTest::addColumn<bool>("warns");
    QTest::addColumn<VariantMap>("expected");

    const VariantMap none;
    const QByteArray good = "<Settings><Group name=\"Communicate\"><Item name=\"BaudRate\" value=\"9600\"/></Group></Settings>";
    const VariantMap baud {{QStringLiteral("Communicate.BaudRate"), QStringLiteral("9600")}};

    QTest::newRow("missing file") << QByteArray() << QString() << false << none;
    QTest::newRow("empty file") << QByteArray("") << QString() << true << none;
    QTest::newRow("whitespace") << QByteArray(" \n\t ") << QString() << true << none;
    QTest::newRow("declaration only") << QByteArray("<?xml version=\"1.0\"?>\n") << QString() << true << none;
    QTest::newRow("truncated") << QByteArray() << QStringLiteral("config-truncated.xml") << true << none;
    QTest::newRow("malformed") << QByteArray() << QStringLiteral("config-malformed.xml") << true << none;
    QTest::newRow("wrong root") << QByteArray() << QStringLiteral("config-wrong-root.xml") << true << none;
    QTest::newRow("binary junk") << QByteArray("\x89PNG\r\n\x1A\n\xFF\xFE", 10) << QString() << true << none;
    // Bytes that are no GBK text refuse the file: nothing is cut off or
    // dropped silently.
    QTest::newRow("NUL inside")
        << QByteArray(good).insert(30, '\0') << QString() << true << none;
    QTest::newRow("NUL after the root")
        << QByteArray(good + QByteArray(1, '\0') + "garbage") << QString() << true << none;
    QTest::newRow("NUL first") << QByteArray(1, '\0') + good << QString() << true << none;
    QTest::newRow("deeply nested")
        << QByteArray("<Settings>") + QByteArray("<a>").repeated(100000) << QString() << true << none;
    QTest::newRow("not GBK: stray bytes in a value")
        << QByteArray("<Settings><Group name=\"Communicate\"><Item name=\"BaudRate\" value=\"9600\"/>"
                      "<Item name=\"Port\" value=\"\xFF\x80\xFE\"/></Group></Settings>")
        << QString() << true << none;
    QTest::newRow("group with a leading dot: refused, the rest read")
        << QByteArray(good).insert(10, "<Group name=\".Hidden\"><Item name=\"X\" value=\"1\"/></Group>")
        << QString() << true << baud;
}

void tst_QSettingManager::badFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, fixture);
    QFETCH(bool, warns);
    QFETCH(VariantMap, expected);

    QString file = path(QStringLiteral("config.xml"));
    if (!fixture.isEmpty())
        file = copyFixture(fixture);
    else if (!bytes.isNull())
        writeAll(file, bytes);

    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(file)));
    else
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));

    QSettingManager store(file);
    store.load();

    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QVariant value = store.get_value(it.key());
        QVERIFY2(value.isValid(), qPrintable(it.key()));
        QCOMPARE(value, it.value());
    }
    if (expected.isEmpty())
        QCOMPARE(store.get_value(QStringLiteral("Communicate.BaudRate")), QVariant());
    QCOMPARE(store.get_value(QStringLiteral(".Hidden.X")), QVariant());
}

void tst_QSettingManager::utf8FileThenBrokenFile()
{
    // A file saved in UTF-8 by an editor holds bytes that are not GBK: it
    // is refused with the line, not read as other text with bytes dropped.
    const QString file = copyFixture(QStringLiteral("config-utf8.xml"));
    QSettingManager store(file);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot be decoded")));
    store.load();
    QCOMPARE(store.get_value(QStringLiteral("Communicate.BaudRate")), QVariant());
    QVERIFY2(store.load_error().contains(QStringLiteral("第 7 行")), qPrintable(store.load_error()));

    // Replacing the file by a broken one empties the store on the next load.
    writeAll(file, "<Settings><Group name=\"A\">");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not well-formed")));
    store.load();
    QCOMPARE(store.get_value(QStringLiteral("Communicate.BaudRate")), QVariant());
    QVERIFY(!store.load_error().isEmpty());
}

void tst_QSettingManager::duplicateAndNamelessItems()
{
    QSettingManager store(copyFixture(QStringLiteral("config-duplicates.xml")));
    store.load();
    const auto value = [&store](const char *key) {
        return store.get_value(QString::fromLatin1(key), QStringLiteral("<missing>")).toString();
    };
    QCOMPARE(value("Communicate.BaudRate"), QStringLiteral("38400")); // the last one wins
    QCOMPARE(value("Communicate.Stop"), QString());                   // no value attribute
    QCOMPARE(value("Communicate.Parity"), QStringLiteral("101"));     // any element name
    QCOMPARE(value("Communicate.DataLength"), QStringLiteral("8"));   // second Communicate group
    QCOMPARE(value("Runtime.0"), QStringLiteral("a"));
    QCOMPARE(value("Communicate.X"), QStringLiteral("<missing>"));    // deeper elements ignored
    QCOMPARE(value("Communicate."), QStringLiteral("<missing>"));     // nameless items ignored
    QCOMPARE(value(".Lost"), QStringLiteral("<missing>"));            // nameless groups ignored
    QCOMPARE(value("After.Root"), QStringLiteral("<missing>"));       // only the first root counts
}

void tst_QSettingManager::escape_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("0 A FF") << QByteArray("\x00\x0A\xFF", 3) << QStringLiteral("\\0\\A\\FF");
    QTest::newRow("7F 10 80") << QByteArray("\x7F\x10\x80", 3) << QStringLiteral("\\7F\\10\\80");
    QTest::newRow("ascii") << QByteArray("Az") << QStringLiteral("\\41\\7A");
}

void tst_QSettingManager::escape()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QString escaped;
    QSettingManager::escaped_string(bytes, escaped);
    QCOMPARE(escaped, text);

    QByteArray unescaped;
    QSettingManager::unescaped_string(text, unescaped);
    QCOMPARE(unescaped, bytes);

    QSettingManager store(path(QStringLiteral("unused.xml")));
    QCOMPARE(store.variant_to_string(QVariant(bytes)), QStringLiteral("@ByteArray(") + text + QLatin1Char(')'));
}

void tst_QSettingManager::unescapeMalformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("not hex") << QStringLiteral("\\G1\\41") << QByteArray("\x00\x41", 2);
    QTest::newRow("lower case") << QStringLiteral("\\ff\\a") << QByteArray("\xFF\x0A", 2);
    QTest::newRow("over-long keeps low 8 bits") << QStringLiteral("\\123") << QByteArray("\x23");
    QTest::newRow("far too long") << QStringLiteral("\\FFFFFFFFFFFFFFFFFFFFFF01") << QByteArray("\x01");
    QTest::newRow("doubled backslashes") << QStringLiteral("\\\\41\\\\") << QByteArray("\x41");
    QTest::newRow("no backslash") << QStringLiteral("41") << QByteArray("\x41");
    QTest::newRow("prefix is not hex") << QStringLiteral("\\0x41") << QByteArray(1, '\0');
    QTest::newRow("sign") << QStringLiteral("\\-1") << QByteArray(1, '\0');
    QTest::newRow("space") << QStringLiteral("\\ 4") << QByteArray(1, '\0');
    QTest::newRow("Chinese") << QStringLiteral("\\名") << QByteArray(1, '\0');
}

void tst_QSettingManager::unescapeMalformed()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QByteArray out;
    QSettingManager::unescaped_string(text, out);
    QCOMPARE(out, bytes);
}

void tst_QSettingManager::escapesAppend()
{
    QString text = QStringLiteral("x");
    QSettingManager::escaped_string(QByteArray("\x01"), text);
    QCOMPARE(text, QStringLiteral("x\\1"));

    QByteArray bytes("y");
    QSettingManager::unescaped_string(QStringLiteral("\\2"), bytes);
    QCOMPARE(bytes, QByteArray("y\x02"));

    // Every byte value survives the round trip.
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QString escaped;
    QSettingManager::escaped_string(all, escaped);
    QByteArray back;
    QSettingManager::unescaped_string(escaped, back);
    QCOMPARE(back, all);
}

void tst_QSettingManager::stringToVariant_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("empty bytes") << QStringLiteral("@ByteArray()") << QVariant(QByteArray());
    QTest::newRow("bytes") << QStringLiteral("@ByteArray(\\41)") << QVariant(QByteArray("A"));
    QTest::newRow("junk inside") << QStringLiteral("@ByteArray(zz)") << QVariant(QByteArray(1, '\0'));
    QTest::newRow("unclosed") << QStringLiteral("@ByteArray(\\41") << QVariant(QStringLiteral("@ByteArray(\\41"));
    QTest::newRow("lower case prefix") << QStringLiteral("@bytearray(\\41)") << QVariant(QStringLiteral("@bytearray(\\41)"));
    QTest::newRow("prefix not at start") << QStringLiteral(" @ByteArray()") << QVariant(QStringLiteral(" @ByteArray()"));
    QTest::newRow("other at form") << QStringLiteral("@Variant(\\0)") << QVariant(QStringLiteral("@Variant(\\0)"));
    QTest::newRow("plain") << QStringLiteral("9600") << QVariant(QStringLiteral("9600"));
}

void tst_QSettingManager::stringToVariant()
{
    QFETCH(QString, text);
    QFETCH(QVariant, value);
    QSettingManager store(path(QStringLiteral("unused.xml")));
    const QVariant result = store.string_to_variant(text);
    QCOMPARE(result.typeId(), value.typeId());
    QCOMPARE(result, value);
}

void tst_QSettingManager::failedSaveKeepsPreviousFile()
{
#ifndef Q_OS_LINUX
    QSKIP("simulates a full disk with a file size limit");
#else
    const QString file = path(QStringLiteral("config.xml"));
    QSettingManager store(file);
    QVERIFY(store.set_value(QStringLiteral("Communicate.BaudRate"), 9600));
    const QByteArray before = readAll(file);

    // A file size limit makes every write beyond it fail, as a full disk
    // does, even for root.
    rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = old;
    tiny.rlim_cur = 16;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(file)));
    const bool saved = store.set_value(QStringLiteral("Communicate.BaudRate"), 115200);

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved);
    QCOMPARE(readAll(file), before);
    QCOMPARE(store.get_value(QStringLiteral("Communicate.BaudRate")).toInt(), 115200);
    // No half-written temporary file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList(QStringLiteral("config.xml")));

    // Once the disk has room again, the next change writes everything.
    QVERIFY(store.set_value(QStringLiteral("Communicate.Stop"), 1));
    QSettingManager restarted(file);
    restarted.load();
    QCOMPARE(restarted.get_value(QStringLiteral("Communicate.BaudRate")).toInt(), 115200);
#endif
}

void tst_QSettingManager::unwritableLocation()
{
    const QString file = path(QStringLiteral("no/such/dir/config.xml"));
    QSettingManager store(file);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(file)));
    QVERIFY(!store.set_value(QStringLiteral("Communicate.Parity"), QStringLiteral("e")));
    QCOMPARE(store.get_value(QStringLiteral("Communicate.Parity")).toString(), QStringLiteral("e"));
    QVERIFY(!QFile::exists(file));

    // Reported once, not at every change.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QVERIFY(!store.set_value(QStringLiteral("Communicate.Stop"), 2));
}

void tst_QSettingManager::defaultFile()
{
    const QString file = path(QStringLiteral("default-config.xml"));
    QCOMPARE(QSettingManager().file_path(), file);
    QSettingManager().set_value(QStringLiteral("A.b"), 1);
    QVERIFY(QFile::exists(file));

    QSettingManager::set_default_file(QString());
    QCOMPARE(QSettingManager().file_path(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/config.xml"));
    QCOMPARE(QSettingManager(file).file_path(), file);
}

QTEST_GUILESS_MAIN(tst_QSettingManager)
#include "tst_qsettingmanager.moc"
