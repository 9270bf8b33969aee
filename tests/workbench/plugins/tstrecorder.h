#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariant>

// The test plug-ins live in libraries of their own; they tell the test what
// happened to them through a list on the application object.
inline void tst_record(const QString &event)
{
    QStringList log = qApp->property("tst.log").toStringList();
    log.append(event);
    qApp->setProperty("tst.log", log);
}
