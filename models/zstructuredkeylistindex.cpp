#include "zstructuredkeylistindex.h"

#include <QAbstractItemModel>

ZStructuredKeyListIndex::ZStructuredKeyListIndex(const QAbstractItemModel *model, int column)
    : ZIndex(model, column)
{
}

void ZStructuredKeyListIndex::init()
{
    filterValue = QVariant();
    filterColumn = -1;
}

void ZStructuredKeyListIndex::createStructure(QAbstractItemModel *structure, int keyColumn,
                                              int parentColumn, int displayColumn)
{
    Q_ASSERT(structure);
    if (!structure)
        return;
    // Column -1 reads as an invalid cell, which equals the invalid filter
    // value that init() leaves: every row is taken then.
    buildStructure(structure, keyColumn, parentColumn, displayColumn, [&](int row) {
        return variantsEqual(structure->index(row, filterColumn).data(), filterValue);
    });
}
