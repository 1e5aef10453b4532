#include "zindex.h"

#include "modelslogging.h"
#include "parallel.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QElapsedTimer>
#include <QStandardItem>
#include <QStandardItemModel>

#include <algorithm>
#include <limits>
#include <unordered_map>
#include <vector>

ZIndex::ZIndex(const QAbstractItemModel *model, int column)
    : model(model)
    , column(column)
{
}

ZIndex::~ZIndex() = default;

ZNode ZIndex::value(const QVariant &key) const
{
    const auto it = find(key);
    return it == end() ? ZNode() : it->second;
}

QList<QVariant> ZIndex::keys() const
{
    QList<QVariant> result;
    result.reserve(int(size()));
    for (const auto &entry : *this)
        result.append(entry.first);
    return result;
}

QVariant ZIndex::itemValue(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    return index.data(role);
}

QVariant ZIndex::displayValue(const QVariant &key) const
{
    return key;
}

void ZIndex::group(int role)
{
    Q_ASSERT(model);
    if (!model)
        return;
    qCInfo(lcModels) << "void ZIndex::group(int) start";
    QElapsedTimer timer;
    timer.start();

    // Keys are mostly ids: an integer key met before finds its node straight
    // (nodes stay where they are while others are added), in a table by key
    // when the ids lie close together, else by hash. Each node met gets an
    // ordinal; the rows are then handed to their nodes' sets.
    const int rows = model->rowCount();
    QVector<QVariant> keys(rows);
    qint64 lowest = std::numeric_limits<qint64>::max();
    qint64 highest = std::numeric_limits<qint64>::min();
    for (int r = 0; r < rows; ++r) {
        keys[r] = itemValue(model->index(r, column), role);
        const int type = keys.at(r).userType();
        if (type == QMetaType::Int || type == QMetaType::LongLong) {
            const qint64 k = keys.at(r).toLongLong();
            lowest = qMin(lowest, k);
            highest = qMax(highest, k);
        }
    }
    const bool dense = lowest <= highest && highest - lowest < qint64(rows) * 4 + 1024;
    std::vector<int> ordinalByOffset(dense ? size_t(highest - lowest + 1) : 0, -1);
    QHash<qint64, int> ordinalByInteger;
    std::unordered_map<const ZNode *, int> ordinalOfNode;
    std::vector<ZNode *> nodeOfOrdinal;
    std::vector<int> ordinalOfRow(size_t(rows), -1);
    for (int r = 0; r < rows; ++r) {
        const QVariant &key = keys.at(r);
        if (!key.isValid())
            continue;
        const int type = key.userType();
        const bool integer = type == QMetaType::Int || type == QMetaType::LongLong;
        int *slot = integer && dense ? &ordinalByOffset[size_t(key.toLongLong() - lowest)] : nullptr;
        int ordinal = slot ? *slot : -1;
        if (ordinal < 0 && integer && !dense)
            ordinal = ordinalByInteger.value(key.toLongLong(), -1);
        if (ordinal < 0) {
            auto it = lower_bound(key);
            if (it == end() || compareVariants(key, it->first) != 0) {
                ZNode node;
                node.display = displayValue(key);
                it = emplace_hint(it, key, node);
            }
            const auto known = ordinalOfNode.emplace(&it->second, int(nodeOfOrdinal.size()));
            if (known.second)
                nodeOfOrdinal.push_back(&it->second);
            ordinal = known.first->second;
            if (slot)
                *slot = ordinal;
            else if (integer)
                ordinalByInteger.insert(key.toLongLong(), ordinal);
        }
        ordinalOfRow[size_t(r)] = ordinal;
    }

    // The rows of each node together, in row order (each set is filled as a
    // row-by-row walk would fill it); the sets, one per node, filled side by
    // side on the pool when there are many rows.
    const int nodes = int(nodeOfOrdinal.size());
    std::vector<int> first(size_t(nodes) + 1, 0);
    for (const int ordinal : ordinalOfRow) {
        if (ordinal >= 0)
            ++first[size_t(ordinal) + 1];
    }
    for (int n = 0; n < nodes; ++n)
        first[size_t(n) + 1] += first[size_t(n)];
    std::vector<int> rowsOfNodes(static_cast<size_t>(first[size_t(nodes)]));
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int r = 0; r < rows; ++r) {
        const int ordinal = ordinalOfRow[size_t(r)];
        if (ordinal >= 0)
            rowsOfNodes[size_t(fill[size_t(ordinal)]++)] = r;
    }
    const auto fillSets = [&](const QPair<int, int> &range) {
        for (int n = range.first; n < range.second; ++n) {
            QSet<int> &set = nodeOfOrdinal[size_t(n)]->rows;
            for (int i = first[size_t(n)]; i < first[size_t(n) + 1]; ++i)
                set.insert(rowsOfNodes[size_t(i)]);
        }
    };
    if (rows >= 16384)
        parallelRuns(nodes, qMax(1, nodes / 64), [&](int from, int to) { fillSets(qMakePair(from, to)); });
    else
        fillSets(qMakePair(0, nodes));

    qCInfo(lcModels).noquote() << QStringLiteral("void ZIndex::group(int) stop: %1")
                                      .arg(timer.elapsed());
}

void ZIndex::createStructure(QAbstractItemModel *model, int keyColumn, int parentColumn,
                             int displayColumn)
{
    buildStructure(model, keyColumn, parentColumn, displayColumn, [](int) { return true; });
}

void ZIndex::buildStructure(QAbstractItemModel *structure, int keyColumn, int parentColumn,
                            int displayColumn, const std::function<bool(int)> &accept)
{
    Q_ASSERT(structure);
    if (!structure)
        return;

    // Two passes: all keys first, then the links, so that a row listed
    // before its parent's row still lands under its parent.
    QVector<QPair<QVariant, QVariant>> links;
    const int rows = structure->rowCount();
    links.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        if (!accept(r))
            continue;
        const QVariant key = structure->index(r, keyColumn).data();
        const QVariant parentKey = structure->index(r, parentColumn).data();
        if (!key.isValid() || variantsEqual(key, parentKey))
            continue;
        (*this)[key].display = displayValue(structure->index(r, displayColumn).data());
        links.append(qMakePair(key, parentKey));
    }
    for (const auto &link : qAsConst(links)) {
        if (link.second.isValid() && contains(link.second))
            setParent(link.first, link.second);
    }
    cutParentLoops(links);
}

// A loop of parent links (a is under b, b under a) would hang its nodes under
// nothing reachable and send every walk up the tree round in circles. It is
// cut where the rows, read in order, first close it: the loop's key linked
// last becomes top-level, as the loader cuts the loops of the tables it reads.
void ZIndex::cutParentLoops(const QVector<QPair<QVariant, QVariant>> &links)
{
    enum State { Unseen, OnPath, Done };
    std::map<QVariant, State, VariantLess> state;
    for (auto &entry : *this)
        state.emplace_hint(state.end(), entry.first, Unseen);
    // A key's link is its last row's; looked up only once a loop is met.
    std::map<QVariant, int, VariantLess> linkedAt;
    const auto rank = [&linkedAt, &links](const QVariant &key) {
        if (linkedAt.empty()) {
            for (int i = 0; i < links.size(); ++i)
                linkedAt[links.at(i).first] = i;
        }
        const auto it = linkedAt.find(key);
        return it == linkedAt.end() ? -1 : it->second;
    };

    for (auto start = begin(); start != end(); ++start) {
        if (state[start->first] != Unseen)
            continue;
        std::vector<iterator> path;
        iterator current = start;
        while (true) {
            auto &s = state[current->first];
            if (s == Done)
                break;
            if (s == OnPath) {
                // The loop is the path from this key on.
                iterator closing = current;
                for (auto it = path.crbegin(); *it != current; ++it) {
                    if (rank((*it)->first) > rank(closing->first))
                        closing = *it;
                }
                current = closing;
                const QVariant oldParent = current->second.parent;
                current->second.parent = QVariant();
                auto list = childKeys.find(oldParent.toString());
                if (list != childKeys.end()) {
                    for (int i = 0; i < list->size(); ++i) {
                        if (variantsEqual(list->at(i), current->first)) {
                            list->removeAt(i);
                            break;
                        }
                    }
                    if (list->isEmpty())
                        childKeys.erase(list);
                }
                break;
            }
            s = OnPath;
            path.push_back(current);
            const QVariant &parentKey = current->second.parent;
            if (parentKey.isNull())
                break;
            const iterator next = find(parentKey);
            if (next == end())
                break;
            current = next;
        }
        for (const iterator &it : path)
            state[it->first] = Done;
    }
}

void ZIndex::setParent(const QVariant &key, const QVariant &parent)
{
    ZNode &node = (*this)[key];
    const QString parentText = parent.toString();
    // The key can stand in the parent's list only when it was linked there
    // before: its current link, or an earlier one of a key linked under
    // several parents. Only then is the list searched, so linking the
    // children of one parent takes time in proportion to their number.
    const bool linkedHere = node.parent.isValid() && node.parent.toString() == parentText;
    const bool linkedElsewhere = node.parent.isValid() && !linkedHere;
    const bool mayBeListed = linkedHere || m_relinked.count(key) > 0;
    if (linkedElsewhere)
        m_relinked.insert(key);
    node.parent = parent;
    auto list = childKeys.find(parentText);
    if (mayBeListed && list != childKeys.end()) {
        for (int i = 0; i < list->size(); ++i) {
            if (variantsEqual(list->at(i), key)) {
                list->removeAt(i);
                break;
            }
        }
    }
    if (parent.isValid())
        childKeys[parentText].append(key);
}

void ZIndex::removeNode(const QVariant &key)
{
    erase(key);
    for (auto it = childKeys.begin(); it != childKeys.end();) {
        if (variantsEqual(QVariant(it.key()), key)) {
            it = childKeys.erase(it);
            continue;
        }
        QList<QVariant> &list = it.value();
        for (int i = list.size() - 1; i >= 0; --i) {
            if (variantsEqual(list.at(i), key))
                list.removeAt(i);
        }
        ++it;
    }
}

void ZIndex::collapseToLevel(int level)
{
    if (level < 1)
        return;
    QList<QVariant> roots;
    for (const auto &entry : *this) {
        if (entry.second.parent.isNull())
            roots.append(entry.first);
    }
    // Removed keys are taken out of the child lists in one pass at the end,
    // not one whole walk of the lists per removed node.
    QSet<QString> visited;
    QSet<QString> removed;
    for (const QVariant &root : qAsConst(roots))
        collapseStep(root, 1, level, visited, removed);
    if (removed.isEmpty())
        return;
    for (auto it = childKeys.begin(); it != childKeys.end();) {
        if (removed.contains(it.key())) {
            it = childKeys.erase(it);
            continue;
        }
        QList<QVariant> &list = it.value();
        for (int i = list.size() - 1; i >= 0; --i) {
            if (removed.contains(list.at(i).toString()))
                list.removeAt(i);
        }
        // A node whose children were all folded into it is a leaf now; an
        // empty list left behind would keep it from being crossed with the
        // next grouping level.
        if (list.isEmpty())
            it = childKeys.erase(it);
        else
            ++it;
    }
}

void ZIndex::collapseToLevelHelper(const QVariant &key, int depth, int level)
{
    QSet<QString> visited;
    QSet<QString> removed;
    collapseStep(key, depth, level, visited, removed);
    for (const QString &text : qAsConst(removed))
        removeNode(QVariant(text));
}

void ZIndex::collapseStep(const QVariant &key, int depth, int level, QSet<QString> &visited,
                          QSet<QString> &removed)
{
    // A walk with a stack of its own: a key tree read from a file can be as
    // deep as it has rows. Each key is walked once, so stale links from an
    // earlier parent cannot send the walk round a loop. A child is folded
    // into its parent after its own subtree, as a recursive walk would.
    struct Frame
    {
        QVariant key;
        int depth;
        QList<QVariant> children;
        int next;
    };
    const auto enter = [this, &visited](const QVariant &k, int d, std::vector<Frame> *stack) {
        const QString text = k.toString();
        if (visited.contains(text))
            return;
        visited.insert(text);
        stack->push_back({k, d, childKeys.value(text), 0});
    };
    const auto fold = [this, level, &removed](const QVariant &parent, int parentDepth,
                                              const QVariant &child) {
        if (parentDepth < level)
            return;
        const auto childIt = find(child);
        if (childIt != end()) {
            const QSet<int> rows = childIt->second.rows;
            (*this)[parent].rows.unite(rows);
            erase(childIt);
        }
        removed.insert(child.toString());
    };

    std::vector<Frame> stack;
    enter(key, depth, &stack);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next < top.children.size()) {
            const QVariant child = top.children.at(top.next);
            const int childDepth = top.depth + 1;
            const size_t size = stack.size();
            enter(child, childDepth, &stack);
            if (stack.size() == size) {
                // Already walked: folded at once.
                Frame &same = stack.back();
                ++same.next;
                fold(same.key, same.depth, child);
            }
            continue;
        }
        const QVariant done = top.key;
        stack.pop_back();
        if (!stack.empty()) {
            Frame &parent = stack.back();
            ++parent.next;
            fold(parent.key, parent.depth, done);
        }
    }
}

void ZIndex::makeChildrenUnique()
{
    Q_ASSERT(model);
    if (!model)
        return;
    for (auto &entry : *this) {
        QSet<int> &rows = entry.second.rows;
        const QSet<int> snapshot = rows;
        QSet<QDate> seen;
        for (int r : snapshot) {
            const QDate date = model->index(r, column).data().toDate();
            if (seen.contains(date))
                rows.remove(r);
            else
                seen.insert(date);
        }
    }
}

void ZIndex::toModel(QStandardItemModel *target, bool withRows) const
{
    Q_ASSERT(target);
    if (!target)
        return;
    Q_ASSERT(!withRows || model);
    if (withRows && !model)
        return;

    // The items are put together apart from the model and handed to it in
    // one insertion for the top level and one for the rows below each
    // parent: every insertion into a model under a view or a proxy is
    // announced, and a proxy then remaps all the rows it holds, so one
    // announcement per item would cost time in the square of their number.
    // A parent gets its rows once it is in the model: rows inserted with
    // their own rows below them leave those without the model, and their
    // changes untold.
    // Items are looked up by key only as parents: a flat index keeps none.
    const bool linked = std::any_of(begin(), end(), [](const value_type &entry) {
        return entry.second.parent.isValid();
    });
    std::map<QVariant, QStandardItem *, VariantLess> made;
    QList<QStandardItem *> topLevel;
    // Parents in the order made (each after its own parent), with their rows.
    std::vector<std::pair<QStandardItem *, QList<QStandardItem *>>> below;
    std::map<QStandardItem *, size_t> belowAt;
    const auto rowsOf = [&below, &belowAt](QStandardItem *parent) -> QList<QStandardItem *> & {
        const auto it = belowAt.find(parent);
        if (it != belowAt.end())
            return below[it->second].second;
        belowAt.emplace(parent, below.size());
        below.emplace_back(parent, QList<QStandardItem *>());
        return below.back().second;
    };
    for (const auto &entry : *this) {
        const QVariant &key = entry.first;
        const ZNode &node = entry.second;
        auto *item = new QStandardItem;
        item->setData(node.display, Qt::DisplayRole);
        item->setData(key, Qt::UserRole);
        item->setCheckable(true);
        item->setCheckState(Qt::Checked);

        QStandardItem *parentItem = nullptr;
        if (node.parent.isValid()) {
            const auto it = made.find(node.parent);
            if (it != made.end())
                parentItem = it->second;
        }
        if (parentItem)
            rowsOf(parentItem).append(item);
        else
            topLevel.append(item);
        if (linked)
            made.emplace(key, item);

        if (withRows && isLeaf(key) && !node.rows.isEmpty()) {
            std::vector<std::pair<QVariant, int>> cells;
            cells.reserve(size_t(node.rows.size()));
            for (int r : node.rows)
                cells.emplace_back(model->index(r, column).data(), r);
            // stable_sort: with values of mixed types the ordering need not be
            // consistent, and std::sort could then run past the range.
            std::stable_sort(cells.begin(), cells.end(), [](const auto &x, const auto &y) {
                const int c = compareVariants(x.first, y.first);
                return c != 0 ? c < 0 : x.second < y.second;
            });
            QList<QStandardItem *> children;
            children.reserve(int(cells.size()));
            for (const auto &cell : cells) {
                auto *child = new QStandardItem;
                child->setData(cell.first, Qt::DisplayRole);
                child->setCheckable(true);
                child->setCheckState(Qt::Checked);
                children.append(child);
            }
            rowsOf(item) = children;
        }
    }
    target->invisibleRootItem()->appendRows(topLevel);
    for (const auto &[parent, rows] : below)
        parent->appendRows(rows);
}

int ZIndex::totalRows() const
{
    int total = 0;
    for (const auto &entry : *this)
        total += entry.second.rows.size();
    return total;
}

void ZIndex::addNewItem(QPair<QVariant, QStandardItem *> parent, QStandardItem *item) const
{
    Q_ASSERT(parent.second && item);
    if (!parent.second || !item)
        return;
    parent.second->appendRow(item);
}

ZIndex cross(const ZIndex &a, const ZIndex &b)
{
    ZIndex result(a.model, a.column);
    const bool bHasLinks = !b.childKeys.isEmpty();
    static const QString combinedFormat = QStringLiteral("%1x%2");

    // Without parent links in b only the nodes of b that share rows with a
    // leaf take part: find them from the leaf's rows through a row-to-node
    // table, instead of intersecting the leaf with every node of b. A row
    // normally lies in one node of b; rows in several are kept aside.
    using Entry = ZIndex::value_type;
    std::vector<const Entry *> nodeOfRow;
    QHash<int, QVector<const Entry *>> moreNodesOfRow;
    if (!bHasLinks) {
        int maxRow = -1;
        for (const auto &entryB : b) {
            for (int r : entryB.second.rows)
                maxRow = std::max(maxRow, r);
        }
        nodeOfRow.assign(size_t(maxRow + 1), nullptr);
        for (const auto &entryB : b) {
            for (int r : entryB.second.rows) {
                if (r < 0)
                    continue;
                const Entry *&slot = nodeOfRow[size_t(r)];
                if (!slot)
                    slot = &entryB;
                else
                    moreNodesOfRow[r].append(&entryB);
            }
        }
    }

    auto hint = result.end();
    for (const auto &entryA : a) {
        const QVariant &ka = entryA.first;
        hint = result.emplace_hint(hint, ka, entryA.second);
        if (!a.isLeaf(ka))
            continue;
        const QString textA = ka.toString();
        const QSet<int> &rowsA = entryA.second.rows;

        auto addCombined = [&](const QVariant &kb, const ZNode &nodeB, QSet<int> rows) {
            ZNode combined = nodeB;
            combined.rows = std::move(rows);
            const QVariant key(combinedFormat.arg(textA, kb.toString()));
            const QVariant parentKey = nodeB.parent.isValid()
                    ? QVariant(combinedFormat.arg(textA, nodeB.parent.toString()))
                    : ka;
            // The link is made by setParent, which keeps the child lists.
            const auto existing = result.find(key);
            combined.parent = existing != result.end() ? existing->second.parent : QVariant();
            result[key] = std::move(combined);
            result.setParent(key, parentKey);
        };

        if (bHasLinks) {
            for (const auto &entryB : b) {
                QSet<int> rows = entryB.second.rows;
                rows.intersect(rowsA);
                addCombined(entryB.first, entryB.second, std::move(rows));
            }
        } else {
            std::map<QVariant, std::pair<const ZNode *, QSet<int>>, VariantLess> hits;
            auto hit = [&](const Entry *entryB, int r) {
                auto &h = hits[entryB->first];
                h.first = &entryB->second;
                h.second.insert(r);
            };
            for (int r : rowsA) {
                if (r < 0 || size_t(r) >= nodeOfRow.size() || !nodeOfRow[size_t(r)])
                    continue;
                hit(nodeOfRow[size_t(r)], r);
                const auto more = moreNodesOfRow.constFind(r);
                if (more != moreNodesOfRow.constEnd()) {
                    for (const Entry *entryB : more.value())
                        hit(entryB, r);
                }
            }
            for (auto &h : hits)
                addCombined(h.first, *h.second.first, std::move(h.second.second));
        }
        result[ka].rows.clear();
        hint = result.find(ka);
    }
    return result;
}

uint qHash(const QVariant &v, uint seed)
{
    uint h = 0;
    switch (v.userType()) {
    case QMetaType::UnknownType:
    case QMetaType::QString:
    case QMetaType::QStringList:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QLocale:
    case QMetaType::QRegExp:
        h = qHash(v.toString());
        break;
    case QMetaType::Bool:
    case QMetaType::UInt:
    case QMetaType::Double:
        h = v.toUInt();
        break;
    case QMetaType::Int:
        h = uint(v.toInt());
        break;
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const quint64 x = v.toULongLong();
        h = uint(x ^ (x >> 31));
        break;
    }
    case QMetaType::QChar:
        h = v.toChar().unicode();
        break;
    case QMetaType::QByteArray:
        h = qHash(v.toByteArray());
        break;
    default:
        if (v.isNull())
            h = qHash(v.toString());
        else
            h = uint(-1);
        break;
    }
    return h ^ seed;
}
