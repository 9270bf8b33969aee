#include "mainwindow.h"

#include "pluginloader.h"
#include "qlocalcodec.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!QLocalCodec::install())
        qWarning("workbench: no GBK codec on this platform; settings and parameter files "
                 "are read with the system codec");

    QTranslator translator;
    // Missing translation: the interface keeps its source texts.
    (void)translator.load(QCoreApplication::applicationDirPath() + QStringLiteral("/qt_zh_CN.qm"));
    app.installTranslator(&translator);

    PluginLoader::load_plugin(QCoreApplication::applicationDirPath() + QStringLiteral("/plugins.xml"));

    int code = 0;
    {
        MainWindow window;
        window.showMaximized();
        code = app.exec();
    }
    return code;
}
