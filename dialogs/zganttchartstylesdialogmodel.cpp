#include "zganttchartstylesdialogmodel.h"

ZGanttChartStylesDialogModel::ZGanttChartStylesDialogModel(QObject *parent)
    : QStandardItemModel(parent)
{
}

Qt::ItemFlags ZGanttChartStylesDialogModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QStandardItemModel::flags(index);
    switch (index.column()) {
    case ShowColumn:
        return (f | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable;
    case StartColumn:
    case FinishColumn:
        if (index.siblingAtColumn(ShowColumn).data(VisibleRole).toBool())
            return f;
        return f & ~Qt::ItemIsEditable;
    default:
        return f & ~Qt::ItemIsEditable;
    }
}
