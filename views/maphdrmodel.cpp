#include "maphdrmodel.h"

MapHdrModel::MapHdrModel(QObject *parent)
    : ZKeyFilterProxyModel(parent)
{
}

QVariant MapHdrModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const QVariant value = QSortFilterProxyModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const auto it = captions.constFind(value.toString());
        if (it != captions.constEnd())
            return it.value();
    }
    return value;
}
