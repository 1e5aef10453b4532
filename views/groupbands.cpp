#include "groupbands.h"

#include "zvariant.h"

#include <QAbstractItemModel>
#include <QSignalBlocker>

#include <algorithm>
#include <map>
#include <vector>

int groupDepthFromTitle(const QString &title)
{
    if (title.isEmpty() || title == QLatin1String("All"))
        return 0;
    bool ok = false;
    const int depth = title.right(2).trimmed().toInt(&ok);
    return ok ? depth : 0;
}

QVariant noValueKey()
{
    return QVariant(QStringLiteral(""));
}

void keepRowsWithoutValue(ZIndex &index, int rowCount)
{
    if (rowCount <= 0)
        return;
    std::vector<bool> held(size_t(rowCount), false);
    for (const auto &entry : index) {
        for (const int row : entry.second.rows) {
            if (row >= 0 && row < rowCount)
                held[size_t(row)] = true;
        }
    }
    QSet<int> missing;
    for (int row = 0; row < rowCount; ++row) {
        if (!held[size_t(row)])
            missing.insert(row);
    }
    if (missing.isEmpty())
        return;
    const QVariant key = noValueKey();
    ZNode &node = index[key];
    node.rows.unite(missing);
    if (node.parent.isValid() && !node.parent.isNull()) {
        // Only a top-level band can stand for "no value"; a nested node
        // under the same key keeps its place and its rows go with it.
        return;
    }
    if (!node.display.isValid() || node.display.isNull())
        node.display = key;
}

ZIndex crossLevels(const QList<ZIndex> &levels)
{
    if (levels.isEmpty())
        return ZIndex(nullptr, -1);
    ZIndex result = levels.first();
    for (int k = 1; k < levels.size(); ++k)
        result = cross(result, levels.at(k));
    return result;
}

namespace {

bool hasTitle(const ZNode &node)
{
    return !node.display.toString().isEmpty();
}

} // namespace

QMap<int, QList<int>> appendBandRows(QAbstractItemModel *model, const ZIndex &index,
                                     int groupColumn)
{
    QMap<int, QList<int>> structure;
    if (!model)
        return structure;

    // Key order, with the bands that show no title after the others at
    // every level (a stable partition keeps the key order on both sides).
    std::vector<const std::pair<const QVariant, ZNode> *> nodes;
    nodes.reserve(index.size());
    for (const auto &entry : index)
        nodes.push_back(&entry);
    std::stable_partition(nodes.begin(), nodes.end(),
                          [](const auto *entry) { return hasTitle(entry->second); });

    const int base = model->rowCount();
    const int count = int(nodes.size());
    {
        const QSignalBlocker blocker(model);
        if (count > 0 && !model->insertRows(base, count))
            return structure;
        for (int i = 0; i < count; ++i) {
            const ZNode &node = nodes[size_t(i)]->second;
            QVariant display = node.display;
            // A band must hold a value in its label cell to be a band.
            if (!display.isValid() || display.isNull())
                display = noValueKey();
            model->setData(model->index(base + i, groupColumn), display, Qt::DisplayRole);
        }
    }

    std::map<QVariant, int, VariantLess> position;
    for (int i = 0; i < count; ++i) {
        const ZNode &node = nodes[size_t(i)]->second;
        QList<int> rows = node.rows.values();
        std::sort(rows.begin(), rows.end());
        structure.insert(base + i, rows);
        position.emplace(nodes[size_t(i)]->first, i);
    }
    structure.insert(-1, QList<int>());
    for (int i = 0; i < count; ++i) {
        const QVariant &parent = nodes[size_t(i)]->second.parent;
        int p = -1;
        if (parent.isValid() && !parent.isNull()) {
            const auto found = position.find(parent);
            if (found != position.end())
                p = found->second;
        }
        structure[p >= 0 ? base + p : -1].append(base + i);
    }
    return structure;
}
