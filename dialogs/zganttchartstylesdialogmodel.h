#pragma once

#include <QStandardItemModel>

// The bar styles dialog's table: one row per style; column 0 "Show" (the
// visible flag under role 256, checkable, not editable), 1 "Name", 2 "Start
// date", 3 "Finish date" (editable only while the row is shown) and 4
// "Appearance" (the whole style, the row's record).
class ZGanttChartStylesDialogModel : public QStandardItemModel
{
    Q_OBJECT
public:
    enum Column { ShowColumn = 0, NameColumn, StartColumn, FinishColumn, AppearanceColumn };
    static constexpr int VisibleRole = Qt::UserRole;

    explicit ZGanttChartStylesDialogModel(QObject *parent = nullptr);

    Qt::ItemFlags flags(const QModelIndex &index) const override;
};
