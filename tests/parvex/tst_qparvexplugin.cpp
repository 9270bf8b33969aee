// The plug-in's entry: what the registry gets, the page it builds hidden, its
// commands and table header before any drive is connected.

#include "parvexfixture.h"

#include <core/plugin/qabstractpage.h>

#include <QAction>
#include <QPluginLoader>
#include <QTest>
#include <QTreeWidget>

class tst_QParvexPlugin : public ParvexFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { load_page(); }
    void init() { reset_answers(); }
    void cleanup() { close_drive(); }

    void pluginEntry();
};

void tst_QParvexPlugin::pluginEntry()
{
    QCOMPARE(m_page->get_plugin_type(), QStringLiteral("Plugin.Page"));
    QCOMPARE(m_page->get_page_title(), QStringLiteral("功能参数"));
    QCOMPARE(m_page->get_page_order(), 1);
    QVERIFY(!m_page->get_page_icon().isNull());
    QVERIFY(m_page->metaObject()->className() == QByteArray("QParvexPlugin"));

    // The library hands out one root object, the one the registry holds.
    QPluginLoader loader(QStringLiteral(TEST_APP_DIR "/plugins/libparvex.so"));
    QCOMPARE(loader.instance(), static_cast<QObject *>(m_page));
    QCOMPARE(loader.instance(), static_cast<QObject *>(m_page));

    // Built hidden at load time, commands off until a port is open; the
    // tool bar shows the plug-in's own images.
    QVERIFY(m_widget->isHidden());
    QVERIFY(!m_upload->isEnabled());
    QVERIFY(!m_download->isEnabled());
    QCOMPARE(m_upload->text(), QStringLiteral("上传参数"));
    QCOMPARE(m_download->text(), QStringLiteral("下载参数"));
    QVERIFY(!m_upload->icon().isNull());
    QVERIFY(!m_download->icon().isNull());
    QVERIFY(m_params->headerItem());
    QStringList headers;
    for (int c = 0; c < m_params->columnCount(); ++c)
        headers << m_params->headerItem()->text(c);
    QCOMPARE(headers, (QStringList{QStringLiteral("代码"), QStringLiteral("名称"), QStringLiteral("当前值"),
                                   QStringLiteral("默认值"), QStringLiteral("最小值"),
                                   QStringLiteral("最大值"), QStringLiteral("单位")}));
}

QTEST_MAIN(tst_QParvexPlugin)
#include "tst_qparvexplugin.moc"
