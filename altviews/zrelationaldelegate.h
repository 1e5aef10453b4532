#pragma once

#include <QMap>
#include <QStyledItemDelegate>

class QAbstractItemModel;
class ZTableRelation;

// Paints, for the columns that have a relation, the looked-up value in place
// of the stored integer key; other columns as QStyledItemDelegate does. A
// relation's dictionary is read on first use.
class ZRelationalDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZRelationalDelegate(QObject *parent = nullptr);

    // The relation is not owned.
    void setRelation(int column, ZTableRelation *relation);
    ZTableRelation *relation(int column) const;
    QAbstractItemModel *relationModel(int column) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    QMap<int, ZTableRelation *> m_relations;
};
