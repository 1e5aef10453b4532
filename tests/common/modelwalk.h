#pragma once

// Reads every cell of a model, tree or table, with a stack of its own (a tree
// from a file can nest as deep as it has rows); gives the number of rows seen.

#include "modelhelpers.h"

#include <QAbstractItemModel>
#include <QVariant>

#include <utility>
#include <vector>

namespace xertest {

inline int walkModel(const QAbstractItemModel *model, const std::vector<int> &roles = {Qt::DisplayRole})
{
    if (!model)
        return 0;
    const int columns = model->columnCount();
    for (int c = 0; c < columns; ++c) {
        for (int role : roles)
            model->headerData(c, Qt::Horizontal, role);
    }
    int seen = 0;
    walkRows(model, QModelIndex(), [&](const QModelIndex &first, int) {
        ++seen;
        const QModelIndex parent = first.parent();
        for (int c = 0; c < model->columnCount(parent); ++c) {
            for (int role : roles)
                model->index(first.row(), c, parent).data(role).toString();
        }
        return model->hasChildren(first) ? WalkStep::Descend : WalkStep::Skip;
    });
    return seen;
}

} // namespace xertest
