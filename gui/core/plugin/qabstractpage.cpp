#include "qabstractpage.h"

#include <QWidget>

QAbstractPage::QAbstractPage(QObject *parent)
    : QAbstractPlugin(parent)
    , m_widget(nullptr)
{
}

void QAbstractPage::init_plugin()
{
    m_widget = nullptr;
    create_page_widget();
    if (m_widget)
        m_widget->setVisible(false);
}

QString QAbstractPage::get_plugin_type()
{
    return QStringLiteral("Plugin.Page");
}

QWidget *QAbstractPage::get_widget()
{
    return m_widget;
}
