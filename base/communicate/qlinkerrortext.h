#pragma once

#include <communicate/communicate_export.h>

#include <QString>

// What an error code of the link means, in the operator's words: the
// drive's Modbus exception codes (1..255) and the link's own (256 no answer,
// 257 answers that were all malformed, 258 the link closed).
class COMMUNICATE_EXPORT QLinkErrorText
{
public:
    static QString meaning(int code);
};
