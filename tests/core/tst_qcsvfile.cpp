#include <coredata/qcsvfile.h>
#include <coredata/qlocalcodec.h>

#include <QTextCodec>
#include <QFile>
#include <QTest>

using Rows = QList<QStringList>;

class tst_QCSVFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QLocalCodec::install()); }
    void load_data();
    void load();
    void outOfRange();
    void setText_data();
    void setText();
    void headerTable();
    void gbkFile();
    void truncatedFile();

private:
    static Rows rows(const QCSVFile &csv)
    {
        Rows result;
        for (int r = 0; r < csv.size(); ++r) {
            QStringList cells;
            for (int c = 0; c < csv.size(r); ++c)
                cells << csv.get_text(c, r);
            result << cells;
        }
        return result;
    }
    static QString readGbk(const char *name)
    {
        QFile file(QStringLiteral(TEST_DATA_DIR "/") + QString::fromLatin1(name));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QLocalCodec::codec()->toUnicode(file.readAll());
    }
};

void tst_QCSVFile::load_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Rows>("expected");

    const QString e;
    QTest::newRow("empty text") << QString() << Rows {{e}};
    QTest::newRow("a,b CRLF") << QStringLiteral("a,b\r\n") << Rows {{QStringLiteral("a"), QStringLiteral("b")}, {e}};
    QTest::newRow("no final CRLF") << QStringLiteral("a\r\nb") << Rows {{QStringLiteral("a")}, {QStringLiteral("b")}};
    QTest::newRow("empty line in between")
        << QStringLiteral("a\r\n\r\nb") << Rows {{QStringLiteral("a")}, {e}, {QStringLiteral("b")}};
    QTest::newRow("lone LF stays in the cell")
        << QStringLiteral("a,b\nc,d") << Rows {{QStringLiteral("a"), QStringLiteral("b\nc"), QStringLiteral("d")}};
    QTest::newRow("lone CR stays in the cell")
        << QStringLiteral("a\r,b\r\n") << Rows {{QStringLiteral("a\r"), QStringLiteral("b")}, {e}};
    QTest::newRow("LF CR is no separator")
        << QStringLiteral("a\n\rb") << Rows {{QStringLiteral("a\n\rb")}};
    QTest::newRow("empty cells kept") << QStringLiteral(",,") << Rows {{e, e, e}};
    QTest::newRow("quotes are ordinary")
        << QStringLiteral("\"a,b\",c") << Rows {{QStringLiteral("\"a"), QStringLiteral("b\""), QStringLiteral("c")}};
    QTest::newRow("ragged rows")
        << QStringLiteral("a,b,c\r\nd\r\n,e")
        << Rows {{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, {QStringLiteral("d")}, {e, QStringLiteral("e")}};
    QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << Rows {{QStringLiteral("a\r")}, {QStringLiteral("b")}};
}

void tst_QCSVFile::load()
{
    QFETCH(QString, text);
    QFETCH(Rows, expected);

    QCSVFile csv;
    csv.set_text(5, 5, QStringLiteral("old")); // load() starts afresh
    csv.load(text);
    QCOMPARE(rows(csv), expected);
    // Every piece became a row, and every row is written with "\r\n".
    QCOMPARE(csv.save(), text + QStringLiteral("\r\n"));
}

void tst_QCSVFile::outOfRange()
{
    QCSVFile csv;
    QCOMPARE(csv.size(), 0);
    QCOMPARE(csv.save(), QString());
    QCOMPARE(csv.size(0), 0);

    csv.load(QStringLiteral("a,b\r\nc"));
    QCOMPARE(csv.get_text(0, 99), QString());
    QCOMPARE(csv.get_text(0, -1), QString());
    QCOMPARE(csv.get_text(-1, 0), QString());
    QCOMPARE(csv.get_text(2, 0), QString());
    QCOMPARE(csv.get_text(1, 1), QString());
    QCOMPARE(csv.size(-1), 0);
    QCOMPARE(csv.size(2), 0);
}

void tst_QCSVFile::setText_data()
{
    QTest::addColumn<QString>("initial");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<Rows>("expected");

    const QString e, x = QStringLiteral("x");
    QTest::newRow("grows empty table") << QString() << 3 << 5 << Rows {{}, {}, {}, {}, {}, {e, e, e, x}};
    QTest::newRow("-1,-1 on an empty table") << QString() << -1 << -1 << Rows {{x}};
    QTest::newRow("-1,-1 appends a row") << QStringLiteral("a,b") << -1 << -1 << Rows {{QStringLiteral("a"), QStringLiteral("b")}, {x}};
    QTest::newRow("-1 column appends a cell") << QStringLiteral("a,b") << -1 << 0 << Rows {{QStringLiteral("a"), QStringLiteral("b"), x}};
    QTest::newRow("overwrites") << QStringLiteral("a,b,c") << 1 << 0 << Rows {{QStringLiteral("a"), x, QStringLiteral("c")}};
    QTest::newRow("widens a short row")
        << QStringLiteral("a\r\nb") << 2 << 0 << Rows {{QStringLiteral("a"), e, x}, {QStringLiteral("b")}};
}

void tst_QCSVFile::setText()
{
    QFETCH(QString, initial);
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(Rows, expected);

    QCSVFile csv;
    if (!initial.isNull())
        csv.load(initial);
    csv.set_text(col, row, QStringLiteral("x"));
    QCOMPARE(rows(csv), expected);
}

void tst_QCSVFile::headerTable()
{
    // The shape an upload writes: a header and one row per parameter.
    QCSVFile csv;
    const QStringList header {QStringLiteral("功能码"), QStringLiteral("名称"), QStringLiteral("设定值"),
                              QStringLiteral("单位"), QStringLiteral("地址")};
    for (int c = 0; c < header.size(); ++c)
        csv.set_text(c, 0, header.at(c));
    for (int r = 1; r <= 2; ++r) {
        for (int c = 0; c < 5; ++c)
            csv.set_text(c, r, QString::number(r * 10 + c));
    }
    QCOMPARE(csv.save(), QStringLiteral("功能码,名称,设定值,单位,地址\r\n10,11,12,13,14\r\n20,21,22,23,24\r\n"));
}

void tst_QCSVFile::gbkFile()
{
    const QString text = readGbk("csv-upload-gbk.csv");
    QVERIFY(!text.isEmpty());
    QCSVFile csv;
    csv.load(text);
    QCOMPARE(csv.size(), 5); // four lines and the empty piece after the last "\r\n"
    QCOMPARE(csv.get_text(1, 0), QStringLiteral("名称"));
    QCOMPARE(csv.get_text(1, 2), QStringLiteral("上限频率"));
    QCOMPARE(csv.get_text(2, 2), QStringLiteral("50.00"));
    QCOMPARE(csv.get_text(2, 3), QStringLiteral("\"0.00\""));
    QCOMPARE(csv.size(4), 1);
    QCOMPARE(csv.get_text(0, 4), QString());
}

void tst_QCSVFile::truncatedFile()
{
    QCSVFile csv;
    csv.load(readGbk("csv-truncated.csv"));
    QCOMPARE(csv.size(), 3);
    QCOMPARE(csv.size(2), 2);
    QCOMPARE(csv.get_text(1, 2), QStringLiteral("上限"));
    QCOMPARE(csv.get_text(2, 2), QString());
}

QTEST_GUILESS_MAIN(tst_QCSVFile)
#include "tst_qcsvfile.moc"
