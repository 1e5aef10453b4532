#pragma once

#include "zindex.h"

// A group-by index whose key tree comes only from the rows of a structure
// table that carry filterValue in filterColumn (for instance the codes of one
// activity code type). After init() every row is taken.
class ZStructuredKeyListIndex : public ZIndex
{
public:
    explicit ZStructuredKeyListIndex(const QAbstractItemModel *model = nullptr, int column = -1);

    void init();
    void createStructure(QAbstractItemModel *model, int keyColumn, int parentColumn,
                         int displayColumn) override;

    QVariant filterValue;
    int filterColumn = -1;
};
