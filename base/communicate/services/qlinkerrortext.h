#pragma once

#include <communicate/communicate_export.h>

#include <QString>

// What an error code of the link means, in the operator's words: the
// drive's Modbus exception codes (1..255) and the link's own (256 no answer,
// 257 answers that were all malformed, 258 the link closed, 259 the
// adapter's echo of the request came back). The one table of these words:
// the log, the pages, the verification of a download and the command-line
// tool all take them from here.
class COMMUNICATE_EXPORT QLinkErrorText
{
public:
    // The code's name: "非法数据地址", "无应答", "异常码 %1" for an exception
    // without a name of its own.
    static QString meaning(int code);
    // Why an exchange failed, to follow "失败：" or "被拒绝，": the link's
    // own codes by their name, a drive's exception as a refusal with its
    // code (and its name where it has one).
    static QString reason(int code);
};
