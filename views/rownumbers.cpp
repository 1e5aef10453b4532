#include "rownumbers.h"

#include "viewslogging.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QHash>
#include <QVector>

namespace {

const char *const kSignature = "void Activities::updateRowNumber()";

} // namespace

void updateRowNumbers(QAbstractItemModel *tree, QAbstractItemModel *table,
                      const RelationMap &relations)
{
    if (!tree || tree->rowCount() == 0)
        return;

    qCInfo(lcViews) << kSignature << "start";
    QElapsedTimer timer;
    timer.start();

    const int rowColumn = columnIndex(tree, QStringLiteral("Row Number"));
    const int levelColumn = columnIndex(tree, QStringLiteral("Outline Level"));
    const int idColumn = columnIndex(tree, QStringLiteral("Activity ID"));
    QHash<QString, int> rowOf;

    // Depth-first walk, a row before its children. Each frame remembers its
    // parent's "Outline Level" cell, so a child reads its parent's level
    // without a parent lookup.
    struct Frame
    {
        QModelIndex parent;
        QModelIndex parentLevelCell;
        int row;
    };
    QVector<Frame> stack;
    stack.push_back({QModelIndex(), QModelIndex(), 0});
    int number = 0;
    while (!stack.isEmpty()) {
        Frame &top = stack.last();
        if (top.row >= tree->rowCount(top.parent)) {
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

        if (rowColumn != -1) {
            if (idColumn != -1) {
                const QString id = tree->index(row, idColumn, parent).data().toString();
                if (!id.isEmpty())
                    rowOf.insert(id, number); // a later row with the same ID wins
            }
            tree->setData(tree->index(row, rowColumn, parent), number, Qt::DisplayRole);
        }
        QModelIndex levelCell;
        if (levelColumn != -1) {
            levelCell = tree->index(row, levelColumn, parent);
            int level = 1;
            if (parentLevelCell.isValid()) {
                const int v = parentLevelCell.data().toInt();
                level = v != 0 ? v + 1 : 0;
            }
            tree->setData(levelCell, level, Qt::DisplayRole);
        }
        if (tree->hasChildren(index))
            stack.push_back({index, levelCell, 0});
    }

    qCDebug(lcViews) << "row numbers and levels written:" << timer.elapsed();
    const int predColumn = columnIndex(table, QStringLiteral("Predecessors Details Rows"));
    const int taskIdColumn = columnIndex(table, QStringLiteral("task_id"));
    if (predColumn == -1 || taskIdColumn == -1) {
        qCInfo(lcViews).noquote() << kSignature << "stop:" << timer.elapsed();
        return;
    }

    const int rows = table->rowCount();
    for (int r = 0; r < rows; ++r) {
        const int taskId = table->index(r, taskIdColumn).data().toInt();
        QString text;
        const auto found = relations.constFind(taskId);
        if (found != relations.constEnd()) {
            for (auto it = found->constBegin(); it != found->constEnd(); ++it) {
                if (!text.isEmpty())
                    text += QLatin1String(", ");
                text += QString::number(rowOf.value(it.key(), 0)) + it.value();
            }
        }
        table->setData(table->index(r, predColumn), text, Qt::DisplayRole);
    }

    qCInfo(lcViews).noquote() << kSignature << "stop:" << timer.elapsed();
}
