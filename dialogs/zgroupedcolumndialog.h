#pragma once

#include <QDialog>
#include <QMap>
#include <QModelIndex>
#include <QPointer>
#include <QStringList>

class QHeaderView;
class QListView;
class QPushButton;
class QTreeView;
class QStandardItem;
class QStandardItemModel;
class ZSortFilterWidget;

namespace Ui {
class ZGroupedColumnDialog;
}

// The "Columns" dialog: the hidden columns of a header in a tree under their
// column groups (left) and the shown columns in display order (right). The
// user moves columns between the two and reorders the shown ones; the
// caller reads selectedColumns() on OK and applies it to the header, which
// the dialog itself never changes. With a sort/filter widget set, every
// column entry shows its header section's sort and filter mark, a press in
// an entry's button box opens the column's filter pop-up (popUp), and "Clear
// all filters" clears the pane's filters and sorting at once; those take
// effect immediately and are not undone by Cancel.
class ZGroupedColumnDialog : public QDialog
{
    Q_OBJECT
public:
    // Roles of the column entries.
    enum Role {
        VisualPositionRole = Qt::UserRole, // position in the header when listed
        GroupRole = Qt::UserRole + 1,      // column group name
        LogicalColumnRole = Qt::UserRole + 2,
    };

    explicit ZGroupedColumnDialog(QHeaderView *header, QWidget *parent = nullptr);
    ~ZGroupedColumnDialog() override;

    void setGroupHidden(const QString &group, bool hidden);
    void setColumnException(const QString &caption, bool excluded);
    void setSortFilterWidget(ZSortFilterWidget *widget);
    // Captions of the chosen list, top to bottom.
    QStringList selectedColumns() const;

    QStandardItemModel *availableModel() const { return m_availableModel; }
    QStandardItemModel *chosenModel() const { return m_chosenModel; }
    QTreeView *availableView() const;
    QListView *chosenView() const;
    QPushButton *clearAllFiltersButton() const;

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void popUp(const QRect &rect, int logicalColumn, const QPoint &pos);

public slots:
    void onUpPressed();
    void onDownPressed();
    void onLeftPressed();
    void onRightPressed();
    void onDoubleClicked(const QModelIndex &index);

private slots:
    void clearAllFilters();

private:
    void buildLists();
    void moveChosen(int step);

    Ui::ZGroupedColumnDialog *m_ui; // Owned.
    QPointer<QHeaderView> m_header; // Not owned.
    QStringList m_columnExceptions;
    QStringList m_hiddenGroups;
    QMap<QString, QStandardItem *> m_groupItems; // Rows owned by the tree model.
    QStandardItemModel *m_availableModel = nullptr; // Owned (child).
    QStandardItemModel *m_chosenModel = nullptr; // Owned (child).
    QPointer<ZSortFilterWidget> m_sortFilterWidget; // Not owned.
};
