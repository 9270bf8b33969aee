set(CORE_PLUGIN_SOURCES
    qplugininterface.h
    qabstractplugin.h qabstractplugin.cpp
    qabstractpage.h qabstractpage.cpp
    qabstractpagewidget.h qabstractpagewidget.cpp
    pluginloader.h pluginloader.cpp
)
