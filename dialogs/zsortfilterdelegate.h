#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

class ZSortFilterWidget;

// Paints the column entries of the column chooser with the sort and filter
// mark of their header section, and a group row with a filter mark when any
// of its columns is filtered.
class ZSortFilterDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ZSortFilterDelegate(ZSortFilterWidget *widget, QWidget *parent);
    ~ZSortFilterDelegate() override;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    QPointer<ZSortFilterWidget> m_widget; // Not owned.
};
