#pragma once

#include "columnstore.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <vector>

// One table row: a cell per schema column, invalid where the file gave nothing.
using ContainerRow = std::vector<QVariant>;

// One loaded P6 table: rows of variant cells and the table type's column
// descriptions (id, display, datatype, group) from the table schema.
class IContainer
{
public:
    virtual ~IContainer() = default;

    virtual void addField(const QVariantMap &descriptor) = 0;
    virtual void setFields(const QVariantList &descriptors) = 0;
    virtual int fieldCount() const = 0;
    virtual QVariant fieldDisplay(int column) const = 0;
    virtual QVariant fieldId(int column) const = 0;
    virtual QVariant fieldDataType(int column) const = 0;
    virtual QVariant fieldGroup(int column) const = 0;
    virtual int indexOfName(const QString &caption) const = 0;
    virtual int indexOfCode(const QString &id) const = 0;
    virtual void addRow(const ContainerRow &row) = 0;
    virtual QVariant value(int row, int column) const = 0;
    virtual bool setValue(int row, int column, const QVariant &value) = 0;
    virtual int rowCount() const = 0;
    virtual QVariant fieldDescriptor(int column) const = 0;

    // Moves a row in (no copy of its cells); cut or padded like addRow.
    virtual void addRow(ContainerRow &&row) = 0;
    virtual void reserve(int rows) = 0;
    // Filling every row at once: each column gets `rows` empty cells of its
    // kind (Empty for a column the file does not fill), to be put through
    // column() from any number of threads and finished per column.
    virtual void prepareRows(int rows, const std::vector<ColumnStore::Kind> &kinds) = 0;
    virtual ColumnStore *column(int column) = 0;
    // The instant of a date-time cell without making a variant: 1 and the
    // milliseconds since the epoch for a valid date-time, 0 for an empty
    // cell or a null date-time, -1 for anything else (read value() then).
    virtual int instantAt(int row, int column, qint64 *msecs) const
    {
        Q_UNUSED(row)
        Q_UNUSED(column)
        Q_UNUSED(msecs)
        return -1;
    }
};
