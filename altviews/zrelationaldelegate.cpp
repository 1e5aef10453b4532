#include "zrelationaldelegate.h"

#include "ztablerelation.h"

#include <QApplication>
#include <QStyle>

ZRelationalDelegate::ZRelationalDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void ZRelationalDelegate::setRelation(int column, ZTableRelation *relation)
{
    if (relation)
        m_relations.insert(column, relation);
    else
        m_relations.remove(column);
}

ZTableRelation *ZRelationalDelegate::relation(int column) const
{
    return m_relations.value(column, nullptr);
}

QAbstractItemModel *ZRelationalDelegate::relationModel(int column) const
{
    ZTableRelation *r = relation(column);
    return r ? r->model() : nullptr;
}

void ZRelationalDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    ZTableRelation *r = relation(index.column());
    if (!r) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    if (!r->isPopulated())
        r->populateDictionary();
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const int key = index.data(Qt::DisplayRole).toInt();
    opt.text = r->value(key).toString();
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
}
