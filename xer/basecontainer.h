#pragma once

#include "columnstore.h"
#include "icontainer.h"
#include "parallel.h"

#include <map>
#include <utility>

// The container of one table type T (which derives from BaseContainer<T>).
// Column descriptions live in statics shared by every container of the type
// and filled once, the first time a table of the type is read; the cells
// belong to the instance, one typed array per column.
template <typename T>
class BaseContainer : public IContainer
{
public:
    void addField(const QVariantMap &descriptor) override
    {
        const int index = int(fld_descs_.size());
        fld_descs_.push_back(descriptor);
        // For duplicate ids or captions the last column wins.
        code_to_idx_[descriptor.value(QStringLiteral("id")).toString()] = index;
        name_to_idx_[descriptor.value(QStringLiteral("display")).toString()] = index;
    }

    void setFields(const QVariantList &descriptors) override
    {
        for (const QVariant &d : descriptors)
            addField(d.toMap());
    }

    int fieldCount() const override { return int(fld_descs_.size()); }

    QVariant fieldDisplay(int column) const override { return entry(column, QStringLiteral("display")); }
    QVariant fieldId(int column) const override { return entry(column, QStringLiteral("id")); }
    QVariant fieldDataType(int column) const override { return entry(column, QStringLiteral("datatype")); }
    QVariant fieldGroup(int column) const override { return entry(column, QStringLiteral("group")); }

    int indexOfName(const QString &caption) const override
    {
        const auto it = name_to_idx_.find(caption);
        return it == name_to_idx_.end() ? -1 : it->second;
    }

    int indexOfCode(const QString &id) const override
    {
        const auto it = code_to_idx_.find(id);
        return it == code_to_idx_.end() ? -1 : it->second;
    }

    void addRow(const ContainerRow &row) override
    {
        ContainerRow copy(row);
        addRow(std::move(copy));
    }

    void addRow(ContainerRow &&row) override
    {
        // Cut or padded to the columns: extra cells go, missing ones are empty.
        ensureColumns();
        const size_t columns = columns_.size();
        for (size_t c = 0; c < columns; ++c)
            columns_[c].append(c < row.size() ? row[c] : QVariant());
        ++rowCount_;
    }

    void reserve(int rows) override
    {
        ensureColumns();
        for (ColumnStore &column : columns_)
            column.reserve(rows);
    }

    void prepareRows(int rows, const std::vector<ColumnStore::Kind> &kinds) override
    {
        columns_.clear();
        columns_.resize(fld_descs_.size());
        // Making the cells is mostly touching fresh memory: a large table's
        // columns are made side by side.
        const auto prepare = [&](int c) {
            columns_[size_t(c)].prepare(size_t(c) < kinds.size() ? kinds[size_t(c)] : ColumnStore::Kind::Empty, rows);
        };
        const int columns = int(columns_.size());
        if (qint64(rows) * columns >= 100000) {
            parallelFor(columns, prepare);
        } else {
            for (int c = 0; c < columns; ++c)
                prepare(c);
        }
        rowCount_ = qMax(0, rows);
    }

    ColumnStore *column(int column) override
    {
        return column >= 0 && size_t(column) < columns_.size() ? &columns_[size_t(column)] : nullptr;
    }

    QVariant value(int row, int column) const override
    {
        if (!inRange(row, column))
            return {};
        return columns_[size_t(column)].value(row);
    }

    bool setValue(int row, int column, const QVariant &value) override
    {
        if (!inRange(row, column))
            return false;
        columns_[size_t(column)].setValue(row, value);
        return true;
    }

    int rowCount() const override { return rowCount_; }

    int instantAt(int row, int column, qint64 *msecs) const override
    {
        if (!inRange(row, column))
            return -1;
        return columns_[size_t(column)].instant(row, msecs);
    }

    QVariant fieldDescriptor(int column) const override
    {
        if (column < 0 || column >= fieldCount())
            return {};
        return QVariant(fld_descs_[size_t(column)]);
    }

private:
    bool inRange(int row, int column) const
    {
        return row >= 0 && column >= 0 && row < rowCount_ && size_t(column) < columns_.size();
    }

    // Columns described after rows arrived have no cells: they read empty.
    void ensureColumns()
    {
        if (columns_.empty() && rowCount_ == 0)
            columns_.resize(fld_descs_.size());
    }

    QVariant entry(int column, const QString &key) const
    {
        if (column < 0 || column >= fieldCount())
            return {};
        const QVariantMap &d = fld_descs_[size_t(column)];
        const auto it = d.constFind(key);
        return it == d.constEnd() ? QVariant() : it.value();
    }

    // One set per table type, kept for the program's run.
    static inline std::vector<QVariantMap> fld_descs_;
    static inline std::map<QString, int> code_to_idx_;
    static inline std::map<QString, int> name_to_idx_;

    std::vector<ColumnStore> columns_;
    int rowCount_ = 0;
};
