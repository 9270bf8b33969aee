// The tool and the workbench agree: the parameter file the page's upload
// writes and the one `vantorel upload` writes for the same drive are the
// same bytes.

#include "parvexfixture.h"

#include <core/qsoftcore.h>

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QTest>

class tst_VantorelWorkbench : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void uploadWritesTheWorkbenchsFile();
};

void tst_VantorelWorkbench::uploadWritesTheWorkbenchsFile()
{
    QVERIFY(connect_drive());
    // Negative, two-word, above 2^31 and non-decimal values.
    QVERIFY(m_sim.set(0x2002, 65526));
    QVERIFY(m_sim.set(0x2003, 24064));
    QVERIFY(m_sim.set(0x2004, 45776));
    QVERIFY(m_sim.set(0x2104, 7));
    QVERIFY(m_sim.set(0x2109, 10617));
    QVERIFY(m_sim.set(0x210A, 65517));

    const QString page_file = m_dir.filePath(s("page.csv"));
    QFile::remove(page_file);
    m_answer->file = page_file;
    m_upload->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(page_file), 15000);
    QVERIFY(m_answer->boxes.isEmpty());

    // The page lets go of the line; the tool takes it.
    QSoftCore::get_core()->serial_disconnect();
    const QString tool_file = m_dir.filePath(s("tool.csv"));
    QProcess tool;
    tool.start(s(TEST_APP_DIR "/vantorel"),
               {s("upload"), tool_file, s("--port"), m_sim.device(), s("--machine"),
                s(TEST_DATA_DIR "/parvex-machines/default.xml"), s("--config"), m_dir.filePath(s("tool.xml"))});
    QVERIFY(tool.waitForFinished(30000));
    QVERIFY2(tool.exitCode() == 0, tool.readAllStandardError().constData());

    QFile a(page_file);
    QFile b(tool_file);
    QVERIFY(a.open(QIODevice::ReadOnly));
    QVERIFY(b.open(QIODevice::ReadOnly));
    const QByteArray page_bytes = a.readAll();
    QVERIFY(page_bytes.size() > 100);
    QCOMPARE(b.readAll(), page_bytes);
}

QTEST_MAIN(tst_VantorelWorkbench)
#include "tst_vantorel_workbench.moc"
