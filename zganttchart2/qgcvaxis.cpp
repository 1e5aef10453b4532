#include "qgcvaxis.h"

#include <algorithm>

namespace mygc {

QGCVAxis::QGCVAxis(QWidget *parent)
    : QWidget(parent)
{
}

int QGCVAxis::rowCount() const
{
    return heights_.size();
}

int QGCVAxis::rowHeightAt(int row) const
{
    if (row < 0 || row >= heights_.size())
        return 0;
    return heights_.at(row);
}

int QGCVAxis::addRow(int height)
{
    const int top = heights_.isEmpty() ? 0 : tops_.constLast() + heights_.constLast();
    heights_.append(height);
    tops_.append(top);
    return heights_.size() - 1;
}

void QGCVAxis::setRowHeights(const QVector<int> &heights)
{
    clearRows();
    for (int h : heights)
        addRow(h);
}

void QGCVAxis::resizeRow(int row, int height)
{
    if (row < 0 || row >= heights_.size())
        return;
    heights_[row] = height;
    for (int i = row + 1; i < heights_.size(); ++i)
        tops_[i] = tops_.at(i - 1) + heights_.at(i - 1);
}

int QGCVAxis::rowAt(int y) const
{
    if (y < 0 || heights_.isEmpty())
        return -1;
    // The first row whose top lies below y; rows of zero height share a top
    // with the next row, and the first of them stands for that top.
    const auto it = std::upper_bound(tops_.cbegin(), tops_.cend(), y);
    if (it != tops_.cend())
        return int(it - tops_.cbegin()) - 1;
    const int last = heights_.size() - 1;
    return y < tops_.at(last) + heights_.at(last) ? last : -1;
}

int QGCVAxis::rowTop(int row) const
{
    if (row < 0 || row >= tops_.size())
        return -1;
    return tops_.at(row);
}

int QGCVAxis::totalHeight() const
{
    return heights_.isEmpty() ? 0 : tops_.constLast() + heights_.constLast();
}

void QGCVAxis::clearRows()
{
    // Emptied with their capacity: a closed project's rows keep no memory.
    heights_.clear();
    heights_.squeeze();
    tops_.clear();
    tops_.squeeze();
}

} // namespace mygc
