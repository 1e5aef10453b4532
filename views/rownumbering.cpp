#include "rownumbering.h"

#include "parallel.h"
#include "viewslogging.h"
#include "zjoinproxymodel.h"
#include "zparentitemproxymodel.h"

#include <QAbstractItemModel>
#include <QAbstractProxyModel>
#include <QElapsedTimer>

#include <algorithm>

namespace {

const char *const kSignature = "void Activities::updateRowNumber()";

// As text += QString::number(number), without a string made per number.
void appendNumber(QString &text, int number)
{
    char digits[12];
    int length = 0;
    unsigned value = number < 0 ? 0u - unsigned(number) : unsigned(number);
    do {
        digits[sizeof digits - 1 - length++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (number < 0)
        digits[sizeof digits - 1 - length++] = '-';
    text += QLatin1String(digits + sizeof digits - length, length);
}

} // namespace

RowNumbering::RowNumbering(QAbstractItemModel *table, const RelationMap &relations)
{
    QVector<RelationEntry> list;
    for (auto task = relations.cbegin(); task != relations.cend(); ++task) {
        for (auto it = task->cbegin(); it != task->cend(); ++it)
            list.append({task.key(), it.key(), it.value()});
    }
    build(table, list);
}

RowNumbering::RowNumbering(QAbstractItemModel *table, const QVector<RelationEntry> &relations)
{
    build(table, relations);
}

void RowNumbering::build(QAbstractItemModel *table, const QVector<RelationEntry> &relations)
{
    const int rows = table ? table->rowCount() : 0;
    const int taskIdColumn = columnIndex(table, QStringLiteral("task_id"));
    const int activityIdColumn = columnIndex(table, QStringLiteral("Activity ID"));
    const QModelIndex root;

    // The table's task ids and activity IDs, read once; a join over tables
    // reads without side effects, so a large one is read in slices side by
    // side on the pool.
    const bool wanted = !relations.isEmpty() && taskIdColumn != -1;
    QVector<int> taskIds(wanted ? rows : 0);
    QVector<QString> activityIds(wanted && activityIdColumn != -1 ? rows : 0);
    const auto readRange = [&](const QPair<int, int> &range) {
        for (int r = range.first; r < range.second; ++r) {
            taskIds[r] = table->index(r, taskIdColumn, root).data().toInt();
            if (!activityIds.isEmpty())
                activityIds[r] = table->index(r, activityIdColumn, root).data().toString();
        }
    };
    if (wanted && rows >= 16384 && qobject_cast<ZJoinProxyModel *>(table))
        parallelRuns(rows, runLength(rows), [&](int from, int to) { readRange(qMakePair(from, to)); });
    else if (wanted)
        readRange(qMakePair(0, rows));

    // A slot per activity ID: first those of the table's rows, in row order,
    // so that each renumbering finds the slot of a row without a text lookup;
    // then those only a relation names.
    if (!activityIds.isEmpty()) {
        m_slotOfId.reserve(rows);
        m_slotOfRow.fill(-1, rows);
        for (int r = 0; r < rows; ++r) {
            const QString &id = activityIds.at(r);
            if (id.isEmpty())
                continue;
            auto slot = m_slotOfId.constFind(id);
            if (slot == m_slotOfId.constEnd())
                slot = m_slotOfId.insert(id, m_slotOfId.size());
            m_slotOfRow[r] = slot.value();
        }
    }

    // The relations' slots: looked up side by side on the pool when many (the
    // hash is only read), the few IDs no row has added after in list order.
    const int count = relations.size();
    m_entries.resize(count);
    Entry *entries = m_entries.data();
    const auto lookUp = [&](const QPair<int, int> &range) {
        for (int i = range.first; i < range.second; ++i) {
            const RelationEntry &relation = relations.at(i);
            entries[i] = {m_slotOfId.value(relation.predecessor, -1), relation.text};
        }
    };
    if (count >= 32768)
        parallelRuns(count, runLength(count), [&](int from, int to) { lookUp(qMakePair(from, to)); });
    else
        lookUp(qMakePair(0, count));
    for (int i = 0; i < count; ++i) {
        if (entries[i].first >= 0)
            continue;
        const QString &predecessor = relations.at(i).predecessor;
        auto slot = m_slotOfId.constFind(predecessor);
        if (slot == m_slotOfId.constEnd())
            slot = m_slotOfId.insert(predecessor, m_slotOfId.size());
        entries[i].first = slot.value();
    }

    // The list comes grouped by task id: each group becomes one run.
    m_runOfTask.reserve(qMin(count, rows));
    for (int i = 0; i < count;) {
        const int taskId = relations.at(i).taskId;
        const int first = i;
        while (i < count && relations.at(i).taskId == taskId)
            ++i;
        m_runOfTask.insert(taskId, Run(first, i));
    }
    if (!table || taskIdColumn == -1)
        return;
    m_rowRuns.resize(rows);
    if (m_runOfTask.isEmpty())
        return;
    for (int r = 0; r < rows; ++r)
        m_rowRuns[r] = runOfTask(taskIds.at(r));
}

void RowNumbering::numberParentTree(ZParentItemProxyModel *tree, QAbstractItemModel *table,
                                    int rowColumn, int levelColumn, int idColumn) const
{
    // The same walk as over any tree, by source rows: the tree's child lists
    // are its own, no index is made per row. The numbers are noted by row and
    // written after the walk in row order, where the table's cells lie
    // together; only a parent's level is written at once and read back, as
    // its children see it.
    struct Frame
    {
        const QList<int> *rows;
        int next;
        bool top;
        int parentLevel;
    };
    const int tableRows = table->rowCount();
    std::vector<int> numberOf(size_t(tableRows), 0); // 0: not in the tree
    std::vector<int> levelOf(size_t(tableRows), 0);
    std::vector<char> written(size_t(tableRows), 0);
    std::vector<Frame> stack;
    stack.push_back({&tree->childRows(-1), 0, true, 0});
    QVector<int> parents;
    QVector<int> &numberOfSlot = m_numberOfSlot;
    const bool numbered = idColumn != -1 && !m_slotOfId.isEmpty();
    int number = 0;
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next >= top.rows->size()) {
            stack.pop_back();
            continue;
        }
        const int row = top.rows->at(top.next++);
        if (row < 0 || row >= tableRows)
            continue;
        ++number;
        if (rowColumn != -1 && numbered) {
            int slot = -1;
            if (row < m_slotOfRow.size()) {
                slot = m_slotOfRow.at(row);
            } else {
                const QString id = table->index(row, idColumn).data().toString();
                if (!id.isEmpty())
                    slot = m_slotOfId.value(id, -1);
            }
            if (slot >= 0)
                numberOfSlot[slot] = number; // a later row wins
        }
        numberOf[size_t(row)] = number;
        levelOf[size_t(row)] = top.top ? 1 : top.parentLevel != 0 ? top.parentLevel + 1 : 0;
        const QList<int> &children = tree->childRows(row);
        if (!children.isEmpty()) {
            int level = 0;
            if (levelColumn != -1) {
                table->setData(table->index(row, levelColumn), levelOf[size_t(row)], Qt::DisplayRole);
                written[size_t(row)] = 1;
                level = table->index(row, levelColumn).data().toInt();
            }
            parents.append(row);
            stack.push_back({&children, 0, false, level});
        }
    }
    for (int row = 0; row < tableRows; ++row) {
        if (numberOf[size_t(row)] == 0)
            continue;
        if (rowColumn != -1)
            table->setData(table->index(row, rowColumn), numberOf[size_t(row)], Qt::DisplayRole);
        if (levelColumn != -1 && !written[size_t(row)])
            table->setData(table->index(row, levelColumn), levelOf[size_t(row)], Qt::DisplayRole);
    }
    if (rowColumn == -1 && levelColumn == -1)
        return;
    // The tree's own structure did not change while writing. One range per
    // parent spans both columns (and what lies between, the predecessor rows
    // among them).
    const int first = rowColumn == -1 ? levelColumn
                      : levelColumn == -1 ? rowColumn
                                          : qMin(rowColumn, levelColumn);
    const int last = qMax(rowColumn, levelColumn);
    const auto announce = [&](const QModelIndex &parent) {
        const int rows = tree->rowCount(parent);
        if (rows > 0)
            emit tree->dataChanged(tree->index(0, first, parent), tree->index(rows - 1, last, parent));
    };
    for (const int row : qAsConst(parents))
        announce(tree->mapFromSource(table->index(row, 0)));
    announce(QModelIndex());
}

void RowNumbering::update(QAbstractItemModel *tree, QAbstractItemModel *table) const
{
    if (!tree || tree->rowCount() == 0)
        return;

    qCInfo(lcViews) << kSignature << "start";
    QElapsedTimer timer;
    timer.start();

    // When the tree is a proxy straight over the table, the cells of a row
    // are read in the table by the row's source row, without a child-list
    // lookup per cell. The numbers are written through the tree, so that
    // whatever shows or filters it hears of them.
    auto *proxy = qobject_cast<QAbstractProxyModel *>(tree);
    const bool direct = proxy && table && proxy->sourceModel() == table;
    QAbstractItemModel *cells = direct ? table : tree;
    // A table that tells nothing of its changes (the activity model is
    // handed over so) is written straight; the tree then announces the
    // numbers once per parent instead of once per cell.
    const bool quiet = direct && table->signalsBlocked();
    QVector<QPair<QModelIndex, int>> parents; // written: parent, child rows

    const int rowColumn = columnIndex(cells, QStringLiteral("Row Number"));
    const int levelColumn = columnIndex(cells, QStringLiteral("Outline Level"));
    const int idColumn = columnIndex(cells, QStringLiteral("Activity ID"));
    // Row number last given to each predecessor activity ID; 0 = not in the
    // tree.
    // Kept from one renumbering to the next: large, and cleared in place.
    QVector<int> &numberOfSlot = m_numberOfSlot;
    numberOfSlot.fill(0, m_slotOfId.size());

    auto *parentTree = quiet ? qobject_cast<ZParentItemProxyModel *>(tree) : nullptr;
    if (parentTree) {
        numberParentTree(parentTree, table, rowColumn, levelColumn, idColumn);
        qCDebug(lcViews) << "row numbers and levels written:" << timer.elapsed();
    }

    // Depth-first walk, a row before its children. Each frame remembers its
    // parent's "Outline Level" cell, so a child reads its parent's level
    // without a parent lookup.
    struct Frame
    {
        QModelIndex parent;
        QModelIndex parentLevelCell;
        int row;
        int rows;
    };
    QVector<Frame> stack;
    if (!parentTree)
        stack.push_back({QModelIndex(), QModelIndex(), 0, tree->rowCount()});
    int number = 0;
    while (!stack.isEmpty()) {
        Frame &top = stack.last();
        if (top.row >= top.rows) {
            stack.removeLast();
            continue;
        }
        const int row = top.row++;
        const QModelIndex parent = top.parent;
        const QModelIndex parentLevelCell = top.parentLevelCell;
        const QModelIndex index = tree->index(row, 0, parent);
        if (!index.isValid())
            continue;
        ++number;
        const int sourceRow = direct ? proxy->mapToSource(index).row() : -1;
        const auto cell = [&](int column) {
            return direct ? table->index(sourceRow, column) : tree->index(row, column, parent);
        };

        if (rowColumn != -1) {
            if (idColumn != -1 && !m_slotOfId.isEmpty()) {
                int slot = -1;
                if (direct && sourceRow >= 0 && sourceRow < m_slotOfRow.size()) {
                    slot = m_slotOfRow.at(sourceRow);
                } else {
                    const QString id = cell(idColumn).data().toString();
                    if (!id.isEmpty())
                        slot = m_slotOfId.value(id, -1);
                }
                if (slot >= 0)
                    numberOfSlot[slot] = number; // a later row wins
            }
            if (quiet)
                table->setData(cell(rowColumn), number, Qt::DisplayRole);
            else
                tree->setData(tree->index(row, rowColumn, parent), number, Qt::DisplayRole);
        }
        QModelIndex levelCell;
        if (levelColumn != -1) {
            levelCell = cell(levelColumn);
            int level = 1;
            if (parentLevelCell.isValid()) {
                const int v = parentLevelCell.data().toInt();
                level = v != 0 ? v + 1 : 0;
            }
            if (quiet)
                table->setData(levelCell, level, Qt::DisplayRole);
            else
                tree->setData(tree->index(row, levelColumn, parent), level, Qt::DisplayRole);
        }
        if (tree->hasChildren(index)) {
            const int rows = tree->rowCount(index);
            stack.push_back({index, levelCell, 0, rows});
            if (quiet)
                parents.append({index, rows});
        }
    }
    if (quiet && !parentTree && (rowColumn != -1 || levelColumn != -1)) {
        // The tree's own structure did not change while writing: its parent
        // indexes still hold. One range per parent spans both columns (and
        // what lies between, the predecessor rows among them).
        const int first = rowColumn == -1 ? levelColumn
                          : levelColumn == -1 ? rowColumn
                                              : qMin(rowColumn, levelColumn);
        const int last = qMax(rowColumn, levelColumn);
        parents.append({QModelIndex(), tree->rowCount()});
        for (const QPair<QModelIndex, int> &p : qAsConst(parents)) {
            if (p.second > 0)
                emit tree->dataChanged(tree->index(0, first, p.first),
                                       tree->index(p.second - 1, last, p.first));
        }
    }
    if (!parentTree)
        qCDebug(lcViews) << "row numbers and levels written:" << timer.elapsed();

    const int predColumn = columnIndex(table, QStringLiteral("Predecessors Details Rows"));
    const int taskIdColumn = columnIndex(table, QStringLiteral("task_id"));
    if (predColumn == -1 || taskIdColumn == -1) {
        qCInfo(lcViews).noquote() << kSignature << "stop:" << timer.elapsed();
        return;
    }

    // The texts of the activity rows are made side by side on the pool
    // (each from the numbers just given, read only); rows appended later look
    // their relations up here. Then written in row order.
    const int rows = table->rowCount();
    QVector<QString> texts(rows);
    // The buffer keeps its capacity from row to row; each cell gets a copy of
    // its own size. A row without predecessors gets a null text, as it
    // always did.
    const auto makeText = [&](const Run &run, QString &text, int r) {
        text.resize(0);
        for (int e = run.first; e < run.second; ++e) {
            const Entry &entry = m_entries.at(e);
            if (e > run.first)
                text += QLatin1String(", ");
            appendNumber(text, entry.first >= 0 ? numberOfSlot.at(entry.first) : 0);
            text += entry.second;
        }
        if (!text.isEmpty())
            texts[r] = QString(text.constData(), text.size());
    };
    const auto makeTexts = [&](const QPair<int, int> &range) {
        QString text;
        for (int r = range.first; r < range.second; ++r)
            makeText(m_rowRuns.at(r), text, r);
    };
    const int known = qMin(rows, m_rowRuns.size());
    if (known >= 16384)
        parallelRuns(known, runLength(known), [&](int from, int to) { makeTexts(qMakePair(from, to)); });
    else
        makeTexts(qMakePair(0, known));
    QString text;
    for (int r = known; r < rows; ++r)
        makeText(runOfTask(table->index(r, taskIdColumn).data().toInt()), text, r);
    for (int r = 0; r < rows; ++r)
        table->setData(table->index(r, predColumn), texts.at(r), Qt::DisplayRole);

    qCInfo(lcViews).noquote() << kSignature << "stop:" << timer.elapsed();
}
