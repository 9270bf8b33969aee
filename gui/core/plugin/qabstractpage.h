#pragma once

#include <core/core_export.h>
#include "qabstractplugin.h"

#include <QIcon>

class QWidget;

// A plug-in that brings one page of the navigation bar. init_plugin() builds
// the page widget (hidden); the main window takes it over as a tab.
class CORE_EXPORT QAbstractPage : public QAbstractPlugin
{
    Q_OBJECT
public:
    explicit QAbstractPage(QObject *parent = nullptr);

    void init_plugin() override;
    QString get_plugin_type() override;

    virtual QIcon get_page_icon() = 0;
    virtual QString get_page_title() = 0;
    virtual int get_page_order() = 0;
    virtual void create_page_widget() = 0;

    QWidget *get_widget();

protected:
    QWidget *m_widget;
};
