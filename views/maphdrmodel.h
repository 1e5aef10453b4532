#pragma once

#include <QHash>
#include <QSortFilterProxyModel>

// A sort/filter proxy that shows some horizontal header captions under
// other names ("Activity Name" as "Predecessor Name").
class MapHdrModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit MapHdrModel(QObject *parent = nullptr);

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Source caption -> caption shown.
    QHash<QString, QString> captions;
};
