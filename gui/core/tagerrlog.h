#pragma once

#include <QDateTime>
#include <QString>

// One entry of the error log of failed device exchanges.
struct tagErrLog
{
    QDateTime time;   // local time the failure was reported
    QString detail;   // second text; empty in every entry the core makes
    QString text;     // the message
};
