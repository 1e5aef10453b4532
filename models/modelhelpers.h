#pragma once

#include <functional>
#include <initializer_list>
#include <vector>
#include <utility>

#include <QMap>
#include <QModelIndexList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QAbstractItemModel;
class QAbstractItemView;
class QHeaderView;
class QTableView;

// Stateless helpers that address a model's columns by their captions (the
// display text of the horizontal header), save and restore what a header
// shows, walk trees, look values up and read small text files.
// Absence is a value: -1, an invalid index or variant, an empty string.

// Column lookup
int columnIndex(const QAbstractItemModel *model, const QString &caption);
int sectionFromHeader(QHeaderView *header, const QVariant &value, Qt::ItemDataRole role);

// Header views. A header state is a list of "caption:width" entries of the
// shown sections in visual order.
QVariant headerToVariant(QHeaderView *header);
void headerFromVariant(QHeaderView *header, const QVariant &state);
void setVisibleColumns(QHeaderView *header, const QStringList &captions);
int firstVisibleColumn(QHeaderView *header);
// The first of the candidates that the header shows, else its first shown
// column; -1 when it shows none.
int shownColumn(QHeaderView *header, std::initializer_list<int> candidates);
QStringList visibleColumns(QHeaderView *header);
QList<int> hiddenColumns(QHeaderView *header);
void setColumnsHidden(const QList<int> &columns, QHeaderView *header);
void setDefaultSectionSize(QHeaderView *header, int size);
// QAbstractItemView::setModel, with or without a model, makes a new selection
// model for the table and each of its headers and keeps the old ones: this
// one deletes all but the table's new one.
void setTableModel(QTableView *table, QAbstractItemModel *model);

// Tree walks and lookups

// What a tree walk does after visiting a row.
enum class WalkStep { Skip, Descend, Stop };
// Visits the rows below parent in tree order, a row before its children,
// with a stack of its own (trees may nest as deep as they have rows):
// visit(index of column 0, depth below parent starting at 0) says whether to
// go into the row's children, pass them by, or end the walk. True when the
// walk was ended by a visit.
template <typename Visit>
bool walkRows(const QAbstractItemModel *model, const QModelIndex &parent, Visit &&visit)
{
    if (!model)
        return false;
    std::vector<std::pair<QModelIndex, int>> stack; // parent, next row
    stack.emplace_back(parent, 0);
    while (!stack.empty()) {
        auto &top = stack.back();
        if (top.second >= model->rowCount(top.first)) {
            stack.pop_back();
            continue;
        }
        const QModelIndex index = model->index(top.second++, 0, top.first);
        switch (visit(index, int(stack.size()) - 1)) {
        case WalkStep::Stop:
            return true;
        case WalkStep::Descend:
            stack.emplace_back(index, 0);
            break;
        case WalkStep::Skip:
            break;
        }
    }
    return false;
}
QModelIndexList preorderList(QAbstractItemModel *model, const QModelIndex &parent);
int levelFromIndex(const QModelIndex &index);
QModelIndex verticalLookup(const QVariant &value, const QAbstractItemModel *model,
                           int returnColumn, int lookupColumn);
QVariant firstValue(QAbstractItemModel *model, int column, Qt::ItemDataRole role);
int dataTypeFromModel(const QAbstractItemModel *model, int column, int row);
bool modelContains(QAbstractItemModel *model, const QString &text);
int selectedRowFromView(QAbstractItemView *view);

// Group summaries: each writes its result into the parent with setData,
// children first.
void maxModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent);
void minModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent);
void countModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                        const QModelIndex &parent);
void sumModelChildren(QAbstractItemModel *model, int column, Qt::ItemDataRole role,
                      const QModelIndex &parent);

// Relation texts per activity: task id -> (predecessor activity ID -> "FS+8h").
// Two activities can be related twice (FS and FF): an ID then holds both
// texts, walked in the file's order.
using RelationMap = QMap<int, QMultiMap<QString, QString>>;
// A lag that is not a finite number of hours within int is taken as no lag
// and counted in *unreadLags when given.
RelationMap predecessorsMap(QAbstractItemModel *predecessorModel, int *unreadLags = nullptr);
// One entry of the relation map.
struct RelationEntry
{
    int taskId = 0;
    QString predecessor; // the predecessor's activity ID
    QString text;        // "FS+8h"
};
// What predecessorsMap holds, as one list in the map's order (task id, then
// predecessor ID, then the file's order), for callers that walk it once and need no map. A list
// kept on the model with keepPredecessorList is handed out instead of being
// built again, unless unreadLags asks for the count of the reading.
QVector<RelationEntry> predecessorList(QAbstractItemModel *predecessorModel,
                                       int *unreadLags = nullptr);
// The same from the rows of any relation table: read(row, ...) gives a row's
// task id, predecessor activity ID, type code and lag in hours, or false for
// a row without a readable task id. With `concurrent`, read is called from
// several threads at once.
using RelationRowReader =
        std::function<bool(int row, int *taskId, QString *predecessor, QString *type, QVariant *lagHours)>;
QVector<RelationEntry> predecessorList(int rows, const RelationRowReader &read, int *unreadLags = nullptr,
                                       bool concurrent = false);
// Keeps the list built from a predecessor model on that model, so the next
// reader of the same relations shares it; any change of the model's rows or
// cells drops it. Call on the model's thread.
void keepPredecessorList(QAbstractItemModel *predecessorModel, const QVector<RelationEntry> &relations);
// One relation text from a type code and a lag in whole hours.
QString relationText(const QString &type, int lagHours);

// The rows at which loops of parent links are cut, one a loop: each row has
// the parent row parentRow gives (-1 for none), and a loop (a row under
// itself, through others or not) is cut where the rows, read in order,
// first close it, at its last row.
std::vector<int> parentLoopCuts(const std::vector<int> &parentRow);

// Text files: the whole content, cut at the first NUL byte.
QString readFile(const QString &fileName);
QString readFileContent(const QString &fileName);
QString styleSheetFromFile(const QString &fileName);

Q_DECLARE_METATYPE(QVector<RelationEntry>)
