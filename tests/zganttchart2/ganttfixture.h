#pragma once

// A small hand-made task tree and relation table with the columns the chart
// reads, shared by the chart tests.

#include <QDateTime>
#include <QStandardItemModel>
#include <QString>

namespace ganttfixture {

enum TaskColumn { IdColumn = 0, NameColumn, TypeColumn, StartColumn, FinishColumn, ActualStartColumn,
                  ActualFinishColumn, TaskColumnCount };
enum RelationColumn { SuccessorColumn = 0, PredecessorColumn, PredecessorNameColumn, RelTypeColumn,
                      LagColumn, RelationColumnCount };

inline QDateTime day(int d, int h = 0)
{
    return QDateTime(QDate(2017, 1, d), QTime(h, 0));
}

inline QList<QStandardItem *> taskRow(int id, const QString &name, const QString &type, const QDateTime &start,
                                      const QDateTime &finish)
{
    QList<QStandardItem *> row;
    for (int c = 0; c < TaskColumnCount; ++c)
        row << new QStandardItem;
    row[IdColumn]->setData(id, Qt::DisplayRole);
    row[NameColumn]->setData(name, Qt::DisplayRole);
    row[TypeColumn]->setData(type, Qt::DisplayRole);
    row[StartColumn]->setData(start, Qt::DisplayRole);
    row[FinishColumn]->setData(finish, Qt::DisplayRole);
    return row;
}

// Rows in tree order when all is expanded:
//   0 A  (id 1, summary, 2 Jan .. 6 Jan)
//   1   A1 (id 2, task, 2 Jan .. 5 Jan)
//   2   A2 (id 3, milestone, 6 Jan)
//   3 B  (id 4, task, 9 Jan .. 12 Jan)
//   4 C  (id 5, task, 3 Jan .. 4 Jan)
// The axis runs from 2 Jan to 13 Jan: 11 day columns of 25 pixels, so a
// date of day d lies at x = (d - 2) * 25.
inline QStandardItemModel *makeTasks(QObject *parent)
{
    auto *model = new QStandardItemModel(0, TaskColumnCount, parent);
    model->setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Activity Name"),
                                      QStringLiteral("Activity Type"), QStringLiteral("Start Date"),
                                      QStringLiteral("Finish Date"), QStringLiteral("Actual Start"),
                                      QStringLiteral("Actual Finish")});
    auto a = taskRow(1, QStringLiteral("A"), QStringLiteral("WBS"), day(2), day(6));
    a.first()->appendRow(taskRow(2, QStringLiteral("A1"), QStringLiteral("Task"), day(2), day(5)));
    a.first()->appendRow(taskRow(3, QStringLiteral("A2"), QStringLiteral("Milestone"), day(6), day(6)));
    model->appendRow(a);
    model->appendRow(taskRow(4, QStringLiteral("B"), QStringLiteral("Task"), day(9), day(12)));
    model->appendRow(taskRow(5, QStringLiteral("C"), QStringLiteral("Task"), day(3), day(4)));
    return model;
}

inline QList<QStandardItem *> relationRow(int successor, int predecessor, const QString &type, int lag = 0)
{
    QList<QStandardItem *> row;
    for (int c = 0; c < RelationColumnCount; ++c)
        row << new QStandardItem;
    row[SuccessorColumn]->setData(successor, Qt::DisplayRole);
    row[PredecessorColumn]->setData(predecessor, Qt::DisplayRole);
    row[RelTypeColumn]->setData(type, Qt::DisplayRole);
    row[LagColumn]->setData(lag, Qt::DisplayRole);
    return row;
}

inline QStandardItemModel *makeRelations(QObject *parent)
{
    auto *model = new QStandardItemModel(0, RelationColumnCount, parent);
    model->setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("pred_task_id"),
                                      QStringLiteral("Predecessor"), QStringLiteral("Type"),
                                      QStringLiteral("Lag")});
    return model;
}

} // namespace ganttfixture
