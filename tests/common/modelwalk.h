#pragma once

// Reads every cell of a model, tree or table, with a stack of its own (a tree
// from a file can nest as deep as it has rows); gives the number of rows seen.

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
    std::vector<std::pair<QModelIndex, int>> stack; // parent, next row
    stack.emplace_back(QModelIndex(), 0);
    while (!stack.empty()) {
        auto &top = stack.back();
        if (top.second >= model->rowCount(top.first)) {
            stack.pop_back();
            continue;
        }
        const QModelIndex parent = top.first;
        const int row = top.second++;
        ++seen;
        for (int c = 0; c < model->columnCount(parent); ++c) {
            for (int role : roles)
                model->index(row, c, parent).data(role).toString();
        }
        const QModelIndex first = model->index(row, 0, parent);
        if (model->hasChildren(first))
            stack.emplace_back(first, 0);
    }
    return seen;
}

} // namespace xertest
