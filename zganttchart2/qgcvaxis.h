#pragma once

#include <QVector>
#include <QWidget>

namespace mygc {

// The row axis of the chart: top and height of every task row, and the row
// at a y position. Draws nothing. Rows are only appended or all cleared, so
// their tops ascend and the row at y is found by binary search.
class QGCVAxis : public QWidget
{
    Q_OBJECT
public:
    explicit QGCVAxis(QWidget *parent = nullptr);

    virtual int rowCount() const;
    virtual int rowHeightAt(int row) const;
    virtual int addRow(int height);
    virtual void setRowHeights(const QVector<int> &heights);
    virtual void resizeRow(int row, int height);
    // The row whose band holds y; -1 above the first row, below the last or
    // without rows.
    virtual int rowAt(int y) const;
    virtual int rowTop(int row) const;
    virtual int totalHeight() const;
    virtual void clearRows();

private:
    QVector<int> heights_;
    QVector<int> tops_;
};

} // namespace mygc
