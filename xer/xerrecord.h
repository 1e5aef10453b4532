#pragma once

#include "xerobject.h"

namespace xer {

// One "%R" line: field k holds the value of the column named in field k of
// its table's "%F" line.
class XERRecord : public XERObject
{
public:
    XERRecord(QString *text, int lineNumber, unsigned long offset, const QVector<QStringRef> &fields)
        : XERObject(text, lineNumber, offset, RecordObject, fields)
    {
    }

    // Column 0 is the first data column (field 1).
    void setCell(int column, const QString &text) { updateField(column + 1, text); }
};

} // namespace xer
