#pragma once

#include "icontainer.h"

#include <map>
#include <utility>

// The container of one table type T (which derives from BaseContainer<T>).
// Column descriptions live in statics shared by every container of the type
// and filled once, the first time a table of the type is read; rows belong to
// the instance.
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
        row.resize(fld_descs_.size());
        rows_.push_back(std::move(row));
    }

    void reserve(int rows) override { rows_.reserve(size_t(qMax(0, rows))); }

    QVariant value(int row, int column) const override
    {
        if (!inRange(row, column))
            return {};
        return rows_[size_t(row)][size_t(column)];
    }

    bool setValue(int row, int column, const QVariant &value) override
    {
        if (!inRange(row, column))
            return false;
        rows_[size_t(row)][size_t(column)] = value;
        return true;
    }

    int rowCount() const override { return int(rows_.size()); }

    QVariant fieldDescriptor(int column) const override
    {
        if (column < 0 || column >= fieldCount())
            return {};
        return QVariant(fld_descs_[size_t(column)]);
    }

private:
    bool inRange(int row, int column) const
    {
        return row >= 0 && column >= 0 && row < rowCount() && column < fieldCount()
               && size_t(column) < rows_[size_t(row)].size();
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

    std::vector<ContainerRow> rows_;
};
