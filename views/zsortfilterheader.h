#pragma once

#include <QHeaderView>
#include <QList>
#include <QPointer>

class ZHeaderFilterBox;
class QDialog;

// Horizontal header of the activity tree and the resource table. Every mouse
// press is reported with the section's rectangle (popUp), so that the sort
// and filter widget can open a column filter from the button box in the
// section's corner; the widget also paints its marks into each section.
// The header keeps the record of filtered columns and of the sort column and
// order, and announces each change; it never sorts or filters a model.
// Alt+Down in the view it heads opens the filter of the current cell's
// column, as a spreadsheet's filter button does; while no cell is current
// (a filter hid every row), the filter of the column last current.
class ZSortFilterHeader : public QHeaderView
{
    Q_OBJECT
public:
    explicit ZSortFilterHeader(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The box that paints the sort and filter marks; not owned.
    void setSortFilterWidget(ZHeaderFilterBox *widget);
    ZHeaderFilterBox *sortFilterWidget() const;
    // A dialog pointer kept for the caller; the header neither owns nor
    // uses it.
    QDialog *popupDialog() const;
    void setPopupDialog(QDialog *dialog);
    // Opens the column's filter below its section, as from the keyboard; a
    // hidden or missing column stands for the first shown one.
    void popUpFilter(int logicalIndex);
    // Back to no sort column and no filter box, as after construction.
    void init();

    void setFilter(int column);
    void clearFilter(int column);
    void clearAll();
    void sortByColumn(int column, Qt::SortOrder order);
    bool hasAnyFilter() const;

    QList<int> filteredColumns() const { return m_filteredColumns; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // The section's rectangle in viewport coordinates over the full header
    // height; the small boxes beside its left and right edge.
    QRect sectionRect(int logicalIndex) const;
    QRect prevRect(int logicalIndex) const;
    QRect nextRect(int logicalIndex) const;

    QSize sizeHint() const override;

    // Off while the header is painted into a picture (print, snip): no
    // section then shows the mouse over it or its drop-down button.
    void setHoverShown(bool shown);

signals:
    void popUp(const QRect &rect, int logicalIndex, const QPoint &pos);
    void filterSettingsChanged();

protected:
    // Alt+Down typed in the view (see popUpFilter).
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The view's current cell, heard through the selection model the view
    // shares with its header.
    void currentChanged(const QModelIndex &current, const QModelIndex &old) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    QList<int> m_filteredColumns;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // Not owned. Guarded: the pane replaces the widget with every project.
    QPointer<ZHeaderFilterBox> m_sortFilterWidget;
    QPointer<QDialog> m_popupDialog; // Not owned.
    bool m_hoverShown = true;
    // The column of the view's last current cell, for the keys while no
    // cell is current; none from before a new filter box (a new project).
    int m_keyColumn = -1;
};
