#include "modelhelpers.h"

#include "parallel.h"

#include "modelslogging.h"
#include "zvariant.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

namespace {

QString captionOf(const QAbstractItemModel *model, int section)
{
    return model->headerData(section, Qt::Horizontal, Qt::DisplayRole).toString();
}

QByteArray readAllCutAtNul(QFile &file)
{
    QByteArray content = file.readAll();
    file.close();
    const int nul = content.indexOf('\0');
    if (nul >= 0)
        content.truncate(nul);
    return content;
}

enum class Extreme { Max, Min };

// Calls done(node) for every node below parent and then for parent itself, a
// node only after all of its children (the cells of the column), with a stack
// of its own: a tree read from a file can nest as deep as it has rows.
template <typename Done>
void walkChildrenFirst(QAbstractItemModel *model, int column, const QModelIndex &parent, Done done)
{
    struct Frame
    {
        QModelIndex node;
        int rows;
        int next;
    };
    std::vector<Frame> stack;
    stack.push_back({parent, model->rowCount(parent), 0});
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next < top.rows) {
            const QModelIndex child = model->index(top.next++, column, top.node);
            if (child.isValid())
                stack.push_back({child, model->rowCount(child), 0});
            continue;
        }
        const QModelIndex node = top.node;
        stack.pop_back();
        done(node);
    }
}

void extremeModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                          const QModelIndex &parent, Extreme which)
{
    if (!model)
        return;
    // Each child receives its own summary before it is read.
    walkChildrenFirst(model, column, parent, [&](const QModelIndex &node) {
        QVariant best;
        const int rows = model->rowCount(node);
        for (int r = 0; r < rows; ++r) {
            const QModelIndex child = model->index(r, column, node);
            if (!child.isValid())
                continue;
            const QVariant value = child.data(Qt::DisplayRole);
            if (!value.isValid())
                continue;
            if (!best.isValid()) {
                best = value;
                continue;
            }
            const int c = compareVariants(value, best);
            if ((which == Extreme::Max && c > 0) || (which == Extreme::Min && c < 0))
                best = value;
        }
        if (best.isValid() && node.isValid())
            model->setData(node, best, role);
    });
}

} // namespace

int columnIndex(const QAbstractItemModel *model, const QString &caption)
{
    if (!model)
        return -1;
    // The count is read again for each section: a caller may be filling the
    // model while it looks.
    for (int section = 0; section < model->columnCount(); ++section) {
        if (captionOf(model, section) == caption)
            return section;
    }
    return -1;
}

int sectionFromHeader(QHeaderView *header, const QVariant &value, Qt::ItemDataRole role)
{
    if (!header || !header->model())
        return -1;
    const QAbstractItemModel *model = header->model();
    for (int section = 0; section < model->columnCount(); ++section) {
        if (model->headerData(section, header->orientation(), role) == value)
            return section;
    }
    return -1;
}

QVariant headerToVariant(QHeaderView *header)
{
    QVariantList state;
    if (!header || !header->model())
        return state;
    const QAbstractItemModel *model = header->model();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical < 0 || header->isSectionHidden(logical))
            continue;
        state << QStringLiteral("%1:%2").arg(captionOf(model, logical)).arg(header->sectionSize(logical));
    }
    return state;
}

void headerFromVariant(QHeaderView *header, const QVariant &state)
{
    const QVariantList entries = state.toList();
    if (entries.isEmpty() || !header || !header->model())
        return;
    const QAbstractItemModel *model = header->model();
    for (int section = 0; section < model->columnCount(); ++section)
        header->hideSection(section);

    QStringList captions;
    for (const QVariant &entry : entries) {
        const QStringList parts = entry.toString().split(QLatin1Char(':'), Qt::KeepEmptyParts);
        if (parts.size() != 2)
            continue;
        captions << parts.at(0);
        const int section = columnIndex(model, parts.at(0));
        if (section < 0)
            continue;
        header->showSection(section);
        header->resizeSection(section, parts.at(1).toInt());
    }
    setVisibleColumns(header, captions);
}

void setVisibleColumns(QHeaderView *header, const QStringList &captions)
{
    static const char signature[] = "void setVisibleColumns(QHeaderView *, QStringList)";
    qCInfo(lcModels).noquote() << QLatin1String(signature) << QLatin1String(" start");
    QElapsedTimer timer;
    timer.start();
    if (captions.isEmpty() || !header)
        return;
    for (int section = 0; section < header->count(); ++section)
        header->hideSection(section);
    const QAbstractItemModel *model = header->model();
    for (int position = 0; position < captions.size(); ++position) {
        const int section = columnIndex(model, captions.at(position));
        if (section < 0 || section >= header->count())
            continue;
        header->showSection(section);
        const int visual = header->visualIndex(section);
        if (visual != position && position < header->count())
            header->moveSection(visual, position);
    }
    qCInfo(lcModels).noquote() << QLatin1String(signature) << QLatin1String(" stop: ") << timer.elapsed();
}

int firstVisibleColumn(QHeaderView *header)
{
    if (!header)
        return -1;
    int bestVisual = -1;
    for (int logical = 0; logical < header->count(); ++logical) {
        if (header->isSectionHidden(logical))
            continue;
        const int visual = header->visualIndex(logical);
        if (bestVisual < 0 || visual < bestVisual)
            bestVisual = visual;
    }
    return bestVisual < 0 ? -1 : header->logicalIndex(bestVisual);
}

int shownColumn(QHeaderView *header, std::initializer_list<int> candidates)
{
    if (!header)
        return -1;
    for (const int logical : candidates) {
        if (logical >= 0 && logical < header->count() && !header->isSectionHidden(logical))
            return logical;
    }
    return firstVisibleColumn(header);
}

QStringList visibleColumns(QHeaderView *header)
{
    QStringList captions;
    if (!header || !header->model())
        return captions;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && !header->isSectionHidden(logical))
            captions << captionOf(header->model(), logical);
    }
    return captions;
}

QList<int> hiddenColumns(QHeaderView *header)
{
    QList<int> hidden;
    if (!header)
        return hidden;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (logical >= 0 && header->isSectionHidden(logical))
            hidden << logical;
    }
    return hidden;
}

void setColumnsHidden(const QList<int> &columns, QHeaderView *header)
{
    if (!header)
        return;
    for (int column : columns)
        header->hideSection(column);
}

void setDefaultSectionSize(QHeaderView *header, int size)
{
    if (!header)
        return;
    header->setSectionResizeMode(QHeaderView::Fixed);
    // The style's minimum (derived from the font) would otherwise round a
    // small size such as 22 pixels up.
    if (header->minimumSectionSize() > size)
        header->setMinimumSectionSize(size);
    header->setDefaultSectionSize(size);
}

void setTableModel(QTableView *table, QAbstractItemModel *model)
{
    if (!table)
        return;
    table->setModel(model);
    const QItemSelectionModel *current = table->selectionModel();
    const QList<QAbstractItemView *> views = {table, table->horizontalHeader(), table->verticalHeader()};
    for (QAbstractItemView *view : views) {
        if (!view)
            continue;
        const auto owned =
            view->findChildren<QItemSelectionModel *>(QString(), Qt::FindDirectChildrenOnly);
        for (QItemSelectionModel *selection : owned) {
            if (selection != current)
                delete selection;
        }
    }
}

QModelIndexList preorderList(QAbstractItemModel *model, const QModelIndex &parent)
{
    QModelIndexList list;
    walkRows(model, parent, [&list](const QModelIndex &index, int) {
        list.append(index);
        return index.isValid() ? WalkStep::Descend : WalkStep::Skip;
    });
    return list;
}

int levelFromIndex(const QModelIndex &index)
{
    int level = 0;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        ++level;
    return level;
}

QModelIndex verticalLookup(const QVariant &value, const QAbstractItemModel *model,
                           int returnColumn, int lookupColumn)
{
    if (!model)
        return {};
    const int columns = model->columnCount();
    if (returnColumn < 0 || returnColumn >= columns) {
        qCWarning(lcModels) << "Invalid return column passed to verticalLookup";
        return {};
    }
    if (lookupColumn < 0 || lookupColumn >= columns) {
        qCWarning(lcModels) << "Invalid lookup column passed to verticalLookup";
        return {};
    }
    const QModelIndex start = model->index(0, lookupColumn);
    if (!start.isValid())
        return {};
    // The first exact match in tree order, a row before its children.
    QModelIndex found;
    walkRows(model, QModelIndex(), [&](const QModelIndex &first, int) {
        const QModelIndex cell = first.sibling(first.row(), lookupColumn);
        if (cell.data(Qt::DisplayRole) == value) {
            found = lookupColumn == returnColumn ? cell : cell.sibling(first.row(), returnColumn);
            return WalkStep::Stop;
        }
        return model->hasChildren(first) ? WalkStep::Descend : WalkStep::Skip;
    });
    return found;
}

QVariant firstValue(QAbstractItemModel *model, int column, Qt::ItemDataRole role)
{
    if (!model)
        return {};
    const QModelIndex index = model->index(0, column);
    return index.isValid() ? index.data(role) : QVariant();
}

int dataTypeFromModel(const QAbstractItemModel *model, int column, int row)
{
    if (!model)
        return QVariant::Invalid;
    return int(model->index(row, column).data(Qt::DisplayRole).type());
}

bool modelContains(QAbstractItemModel *model, const QString &text)
{
    if (!model)
        return false;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, 1).data(Qt::DisplayRole).toString().compare(text, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

int selectedRowFromView(QAbstractItemView *view)
{
    if (!view || !view->selectionModel())
        return 0;
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? 0 : selected.first().row();
}

void maxModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent)
{
    extremeModelChildren(model, column, role, parent, Extreme::Max);
}

void minModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent)
{
    extremeModelChildren(model, column, role, parent, Extreme::Min);
}

void countModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                        const QModelIndex &parent)
{
    if (!model)
        return;
    walkChildrenFirst(model, column, parent, [&](const QModelIndex &node) {
        model->setData(node, model->rowCount(node), role);
    });
}

void sumModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent)
{
    if (!model)
        return;
    // Only a node with children gets a summary: a leaf would otherwise have
    // its value replaced by 0 before it is added.
    walkChildrenFirst(model, column, parent, [&](const QModelIndex &node) {
        if (node != parent && !model->hasChildren(node))
            return;
        float sum = 0;
        const int rows = model->rowCount(node);
        for (int r = 0; r < rows; ++r) {
            const QModelIndex child = model->index(r, column, node);
            if (child.isValid())
                sum += child.data(role).toFloat();
        }
        model->setData(node, sum, role);
    });
}

QString relationText(const QString &type, int lagHours)
{
    QString text = type;
    if (text.startsWith(QLatin1String("PR_")))
        text.remove(QLatin1String("PR_"));
    if (lagHours != 0) {
        if (lagHours > 0)
            text += QLatin1Char('+');
        text += QString::number(lagHours) + QLatin1Char('h');
    }
    return text;
}

namespace {

const char *const kRelationListProperty = "_sv_relationList";
const char *const kRelationWatchProperty = "_sv_relationListWatched";

} // namespace

void keepPredecessorList(QAbstractItemModel *predecessorModel, const QVector<RelationEntry> &relations)
{
    QAbstractItemModel *model = predecessorModel;
    if (!model)
        return;
    model->setProperty(kRelationListProperty, QVariant::fromValue(relations));
    if (model->property(kRelationWatchProperty).toBool())
        return;
    model->setProperty(kRelationWatchProperty, true);
    // The model itself is the context: the list goes on its own thread, at
    // the moment the relations change.
    const auto drop = [model] { model->setProperty(kRelationListProperty, QVariant()); };
    using M = QAbstractItemModel;
    QObject::connect(model, &M::dataChanged, model, drop);
    QObject::connect(model, &M::rowsInserted, model, drop);
    QObject::connect(model, &M::rowsRemoved, model, drop);
    QObject::connect(model, &M::rowsMoved, model, drop);
    QObject::connect(model, &M::layoutChanged, model, drop);
    QObject::connect(model, &M::modelReset, model, drop);
    QObject::connect(model, &M::columnsInserted, model, drop);
    QObject::connect(model, &M::columnsRemoved, model, drop);
}

QVector<RelationEntry> predecessorList(QAbstractItemModel *predecessorModel, int *unreadLags)
{
    if (unreadLags)
        *unreadLags = 0;
    QAbstractItemModel *model = predecessorModel;
    if (!model)
        return {};
    const QVariant shared = unreadLags ? QVariant() : model->property(kRelationListProperty);
    if (shared.isValid())
        return shared.value<QVector<RelationEntry>>();
    const int taskColumn = columnIndex(model, QStringLiteral("task_id"));
    const int typeColumn = columnIndex(model, QStringLiteral("Type"));
    const int lagColumn = columnIndex(model, QStringLiteral("Lag"));
    const int predColumn = model->columnCount() - 2;
    const QModelIndex root;
    const auto read = [&](int r, int *taskId, QString *predecessor, QString *type, QVariant *lag) {
        const QVariant task = model->index(r, taskColumn, root).data();
        if (!task.isValid())
            return false;
        *taskId = task.toInt();
        *predecessor = model->index(r, predColumn, root).data().toString();
        *type = model->index(r, typeColumn, root).data().toString();
        *lag = model->index(r, lagColumn, root).data();
        return true;
    };
    return predecessorList(model->rowCount(), read, unreadLags);
}

namespace {

// The parts, in order, as one list; the parts are emptied.
QVector<RelationEntry> joinParts(std::vector<QVector<RelationEntry>> *parts)
{
    QVector<RelationEntry> joined;
    if (parts->size() == 1) {
        joined.swap(parts->front());
        return joined;
    }
    int count = 0;
    for (const QVector<RelationEntry> &part : *parts)
        count += part.size();
    joined.reserve(count);
    for (QVector<RelationEntry> &part : *parts) {
        for (RelationEntry &entry : part)
            joined.append(std::move(entry));
        part = QVector<RelationEntry>();
    }
    return joined;
}

} // namespace

QVector<RelationEntry> predecessorList(int rows, const RelationRowReader &read, int *unreadLags,
                                       bool concurrent)
{
    if (unreadLags)
        *unreadLags = 0;
    // The rows are gathered first and then put in key order, which beats
    // a search per row in a map with hundreds of thousands of relations.
    // Runs of rows are gathered side by side when the reader allows it, and
    // joined in row order.
    const int RunRows = runLength(rows, 4096, 16384);
    const int runCount = concurrent ? (qMax(0, rows) + RunRows - 1) / RunRows : 1;
    const int runRows = concurrent ? RunRows : qMax(0, rows);
    std::vector<QVector<RelationEntry>> gathered(size_t(qMax(1, runCount)));
    std::vector<int> unread(gathered.size(), 0);
    const auto gather = [&](int run) {
        QVector<RelationEntry> &relations = gathered[size_t(run)];
        const int from = run * runRows;
        const int to = qMin(qMax(0, rows), from + runRows);
        relations.reserve(qMax(0, to - from));
        // Few types and lags recur: each text is made once and then shared.
        QHash<QPair<QString, int>, QString> texts;
        int taskId = 0;
        QString predecessor;
        QString type;
        QVariant lagValue;
        for (int r = from; r < to; ++r) {
            // A relation whose activity has no readable id belongs to none.
            if (!read(r, &taskId, &predecessor, &type, &lagValue))
                continue;
            if (predecessor.isEmpty() || type.isEmpty())
                continue;
            // Lags can arrive as decimal text ("8.0"); rounding keeps them
            // whole hours. One that is no finite number of hours within int
            // ("nan", "inf", 1e308) is no lag, and counted.
            const double hours = lagValue.toDouble();
            int lag = 0;
            if (std::isfinite(hours) && std::fabs(hours) < double(std::numeric_limits<int>::max()))
                lag = qRound(hours);
            else
                ++unread[size_t(run)];
            const QPair<QString, int> key(type, lag);
            auto text = texts.constFind(key);
            if (text == texts.constEnd())
                text = texts.insert(key, relationText(type, lag));
            relations.append({taskId, std::move(predecessor), text.value()});
        }
    };
    if (runCount > 1)
        parallelFor(runCount, gather);
    else
        gather(0);
    QVector<RelationEntry> relations = joinParts(&gathered);
    if (unreadLags)
        *unreadLags = std::accumulate(unread.cbegin(), unread.cend(), 0);
    // Ordered by task id, then predecessor ID: first by the integer alone,
    // then each activity's few entries by their IDs. Both sorts are stable,
    // so two rows with the same keys keep the file's order.
    std::vector<std::pair<int, int>> byTask(size_t(relations.size()));
    for (int i = 0; i < relations.size(); ++i)
        byTask[size_t(i)] = {relations.at(i).taskId, i};
    // The entry index breaks ties, which keeps the sort stable.
    std::sort(byTask.begin(), byTask.end());
    std::vector<int> order(byTask.size());
    for (size_t i = 0; i < byTask.size(); ++i)
        order[i] = byTask[i].second;
    byTask = std::vector<std::pair<int, int>>();
    // Each activity's entries are put in ID order; entries with the same ID
    // are relationships of their own (FS and FF between the same two
    // activities) and all stay, in the file's order. Pieces that start at an
    // activity's first entry are done side by side when `concurrent` allows
    // it, and joined in order.
    RelationEntry *const entries = relations.data();
    const size_t total = order.size();
    const auto taskAt = [&](size_t i) { return entries[order[i]].taskId; };
    std::vector<size_t> starts{0};
    const size_t piece = size_t(concurrent ? runLength(int(total), 4096, 65536) : qMax<size_t>(1, total));
    while (starts.back() < total) {
        size_t next = qMin(total, starts.back() + piece);
        while (next < total && taskAt(next) == taskAt(next - 1))
            ++next;
        starts.push_back(next);
    }
    std::vector<QVector<RelationEntry>> kept(starts.size() - 1);
    const auto thin = [&](int p) {
        const size_t from = starts[size_t(p)];
        const size_t to = starts[size_t(p) + 1];
        QVector<RelationEntry> &out = kept[size_t(p)];
        out.reserve(int(to - from));
        for (size_t first = from; first < to;) {
            size_t last = first + 1;
            while (last < to && taskAt(last) == taskAt(first))
                ++last;
            // Stable: an insertion sort for the few predecessors an activity
            // mostly has, a merge sort for more.
            if (last - first > 32) {
                std::stable_sort(order.begin() + qint64(first), order.begin() + qint64(last), [entries](int a, int b) {
                    return entries[a].predecessor < entries[b].predecessor;
                });
            } else {
                for (size_t i = first + 1; i < last; ++i) {
                    const int moving = order[i];
                    size_t j = i;
                    for (; j > first && entries[moving].predecessor < entries[order[j - 1]].predecessor; --j)
                        order[j] = order[j - 1];
                    order[j] = moving;
                }
            }
            for (size_t i = first; i < last; ++i)
                out.append(std::move(entries[order[i]]));
            first = last;
        }
    };
    if (concurrent)
        parallelFor(int(kept.size()), thin);
    else
        for (int p = 0; p < int(kept.size()); ++p)
            thin(p);
    QVector<RelationEntry> ordered = joinParts(&kept);
    return ordered;
}

RelationMap predecessorsMap(QAbstractItemModel *predecessorModel, int *unreadLags)
{
    RelationMap map;
    const QVector<RelationEntry> relations = predecessorList(predecessorModel, unreadLags);
    // In key order: each activity goes in at the end, without a search. Its
    // entries go in from the last to the first, each at the front: a
    // multi-map walks the values of one key newest first, so the walk gives
    // the file's order.
    for (int i = 0; i < relations.size();) {
        const int taskId = relations.at(i).taskId;
        int end = i;
        while (end < relations.size() && relations.at(end).taskId == taskId)
            ++end;
        auto task = map.insert(map.cend(), taskId, QMultiMap<QString, QString>());
        QMultiMap<QString, QString> &inner = task.value();
        for (int e = end; e-- > i;)
            inner.insert(inner.cbegin(), relations.at(e).predecessor, relations.at(e).text);
        i = end;
    }
    return map;
}

QString readFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(readAllCutAtNul(file));
}

QString readFileContent(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("Unable to open file"));
        box.setDetailedText(file.errorString());
        box.exec();
        return {};
    }
    return QString::fromUtf8(readAllCutAtNul(file));
}

QString styleSheetFromFile(const QString &fileName)
{
    QFile file(fileName);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(readAllCutAtNul(file));
}

std::vector<int> parentLoopCuts(const std::vector<int> &parentRow)
{
    // Each row has one parent, so each loop is met once, by the first walk
    // up that reaches it; its rows are the walk's from that row on.
    enum : std::uint8_t { Unseen, OnPath, Done };
    std::vector<std::uint8_t> state(parentRow.size(), Unseen);
    std::vector<int> path;
    std::vector<int> cuts;
    for (int r = 0; r < int(parentRow.size()); ++r) {
        if (state[size_t(r)] != Unseen)
            continue;
        path.clear();
        int current = r;
        while (current >= 0 && state[size_t(current)] == Unseen) {
            state[size_t(current)] = OnPath;
            path.push_back(current);
            current = parentRow[size_t(current)];
        }
        if (current >= 0 && state[size_t(current)] == OnPath) {
            int last = current;
            for (auto it = path.crbegin(); *it != current; ++it)
                last = qMax(last, *it);
            cuts.push_back(last);
        }
        for (int row : path)
            state[size_t(row)] = Done;
    }
    return cuts;
}
