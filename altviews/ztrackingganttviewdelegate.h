#pragma once

#include "zganttviewbarstyle.h"

#include <QStyledItemDelegate>

// Tracking bar of an item-view Gantt view: the planned bar, a progress bar
// over it from the row's "Progress" text ("50%") and that text to its right.
// All tracking delegates share one style (5 pixels high, 9 below the row top,
// "#99CCFF"). The index only supplies the progress text.
class ZTrackingGanttViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZTrackingGanttViewDelegate(QObject *parent = nullptr);

    void init();

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Model column whose text gives the percentage; -1 for none.
    int progressColumn() const { return m_progressColumn; }
    void setProgressColumn(int column) { m_progressColumn = column; }

private:
    int m_progressColumn = -1;
    static ZGanttViewBarStyle m_style;
};
