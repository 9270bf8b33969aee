#include "tstpageplugin.h"
#include "tstrecorder.h"

#include <core/plugin/qabstractpagewidget.h>

#include <QLabel>
#include <QVBoxLayout>

TstPagePlugin::TstPagePlugin()
{
    // Tells apart two instances of one library.
    setObjectName(QStringLiteral(TST_TITLE));
}

TstPagePlugin::~TstPagePlugin()
{
    tst_record(QStringLiteral("destroyed:") + get_plugin_name() + QLatin1Char(':') + objectName());
}

void TstPagePlugin::init_plugin()
{
    tst_record(QStringLiteral("init:") + get_plugin_name());
    QAbstractPage::init_plugin();
}

QString TstPagePlugin::get_plugin_name()
{
    return QStringLiteral(TST_NAME);
}

QIcon TstPagePlugin::get_page_icon()
{
    return QIcon(QStringLiteral(":/images/connect.png"));
}

QString TstPagePlugin::get_page_title()
{
    return QStringLiteral(TST_TITLE);
}

int TstPagePlugin::get_page_order()
{
    return TST_ORDER;
}

void TstPagePlugin::create_page_widget()
{
#if TST_NULL_WIDGET
    m_widget = nullptr;
#else
    auto *widget = new QAbstractPageWidget;
    widget->setObjectName(QStringLiteral(TST_NAME));
    auto *layout = new QVBoxLayout(widget);
    layout->addWidget(new QLabel(QStringLiteral(TST_TITLE), widget));
    const QString name = get_plugin_name();
    QObject::connect(widget, &QAbstractPageWidget::selected, widget, [name, widget](bool select) {
        // The visibility before the change: selected() comes first.
        tst_record(QStringLiteral("selected:%1:%2:%3")
                       .arg(name, select ? QStringLiteral("1") : QStringLiteral("0"),
                            widget->isVisible() ? QStringLiteral("1") : QStringLiteral("0")));
    });
    m_widget = widget;
#endif
}
