#pragma once

#include "xerobject.h"

namespace xer {

// The "ERMHDR" line that opens an XER file.
class XERHeader : public XERObject
{
public:
    XERHeader(QString *text, int lineNumber, unsigned long offset, const QVector<QStringRef> &fields)
        : XERObject(text, lineNumber, offset, HeaderObject, fields)
    {
    }
};

} // namespace xer
