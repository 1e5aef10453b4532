#pragma once

#include <QHash>
#include "zkeyfilterproxymodel.h"

// A sort/filter proxy that shows some horizontal header captions under
// other names ("Activity Name" as "Predecessor Name"), filtered by an exact
// key.
class MapHdrModel : public ZKeyFilterProxyModel
{
    Q_OBJECT
public:
    explicit MapHdrModel(QObject *parent = nullptr);

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Source caption -> caption shown.
    QHash<QString, QString> captions;
};
