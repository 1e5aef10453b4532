#pragma once

#include "zgrouping.h"

#include <QDialog>
#include <QMap>
#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemModel;
class QTableWidget;
class ZGroupDialogDelegate;

namespace Ui {
class ZGroupSortDialog;
}

// Edits the grouping of the activity tree: ten rows of levels, each a field
// (a column caption of the model), a rule and the format of its group rows.
// The Format editor opens while the mouse is over a Format cell; from the
// keyboard, Space, F4 or Alt+Down open a cell's list. Every cell
// is read and written through the table's model.
class ZGroupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ZGroupDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~ZGroupDialog() override;

    // Not owned; a null model is ignored.
    void setModel(QAbstractItemModel *model);
    QAbstractItemModel *model() const { return m_model; }
    void setColumnHidden(int column, bool hidden);
    bool isHidden(int column) const;
    void setColumnLevels(int column, int levels);
    // -1 when none is recorded.
    int levelsFromColumn(int column) const;

    // The Group By choices: an empty entry, then the captions of the columns
    // not hidden, sorted case-sensitively.
    QStringList columns() const;
    // Decided by the value of the model's first row in the column.
    bool isDateColumn(int column) const;

    void restoreState(const ZGrouping &grouping);
    ZGrouping saveState() const;
    // "field;rule" for each row with a field.
    QStringList selection() const;

    QTableWidget *table() const;
    ZGroupDialogDelegate *delegate() const { return m_delegate; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Opens the cell's editor with its list shown; false when the cell has
    // none.
    bool openCellList(const QModelIndex &index);

    Ui::ZGroupSortDialog *m_ui; // Owned.
    QPointer<QAbstractItemModel> m_model; // Not owned.
    QList<int> m_hiddenColumns;
    QMap<int, int> m_columnLevels;
    ZGroupDialogDelegate *m_delegate; // Not owned (child).
    // The Format cell whose editor is open.
    QPersistentModelIndex m_editIndex;
};
