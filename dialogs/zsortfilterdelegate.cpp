#include "zsortfilterdelegate.h"

#include "zgroupedcolumndialog.h"
#include "zsortfilterwidget.h"

#include <QCursor>
#include <QPainter>
#include <QWidget>

ZSortFilterDelegate::ZSortFilterDelegate(ZSortFilterWidget *widget, QWidget *parent)
    : QStyledItemDelegate(parent)
    , m_widget(widget)
{
}

ZSortFilterDelegate::~ZSortFilterDelegate() = default;

void ZSortFilterDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    painter->save();
    QStyledItemDelegate::paint(painter, option, index);
    painter->restore();
    if (!m_widget)
        return;
    auto *view = qobject_cast<QWidget *>(parent());
    const QPoint cursor = view ? view->mapFromGlobal(QCursor::pos()) : QPoint(-1, -1);
    const QString group = index.data(ZGroupedColumnDialog::GroupRole).toString();
    if (!group.isEmpty()) {
        m_widget->draw(painter, option.rect,
                       index.data(ZGroupedColumnDialog::LogicalColumnRole).toInt(), cursor);
        return;
    }
    QList<int> columns;
    const QAbstractItemModel *model = index.model();
    const int rows = model ? model->rowCount(index) : 0;
    for (int r = 0; r < rows; ++r)
        columns.append(model->index(r, 0, index).data(ZGroupedColumnDialog::LogicalColumnRole).toInt());
    m_widget->drawFunnelOnGroup(painter, option.rect, columns, cursor);
}
