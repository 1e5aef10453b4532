// Times the parent-item tree and one value-list filter over a generated
// activity table: 100,000 activity rows under 1,000 group band rows (two
// levels of bands), the shape the activities pane builds when it groups.
// Prints "<name>_ms <milliseconds>" lines.

#include "benchenv.h"
#include "zfilterdialogproxymodel.h"
#include "zindex.h"
#include "zparentitemproxymodel.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QVector>

#include <cstdio>

namespace {

class GeneratedTable : public QAbstractTableModel
{
public:
    GeneratedTable(int activities, int bands)
    {
        const int rows = activities + bands;
        m_id.resize(rows);
        m_parent.resize(rows);
        m_name.resize(rows);
        m_code.resize(rows);
        const int topBands = bands / 20;
        for (int r = 0; r < rows; ++r) {
            m_id[r] = r + 1;
            if (r < activities) {
                m_parent[r] = QVariant(activities + 1 + (r % bands));
                m_name[r] = QStringLiteral("Activity %1").arg(r);
                m_code[r] = QStringLiteral("C%1").arg(r % 500);
            } else {
                const int band = r - activities;
                m_parent[r] = band < topBands ? QVariant() : QVariant(activities + 1 + band % topBands);
                m_name[r] = QStringLiteral("Band %1").arg(band);
            }
        }
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_id.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        switch (index.column()) {
        case 0: return m_id.at(index.row());
        case 1: return m_parent.at(index.row());
        case 2: return m_name.at(index.row());
        case 3: return m_code.at(index.row());
        }
        return QVariant();
    }

private:
    QVector<int> m_id;
    QVector<QVariant> m_parent;
    QVector<QString> m_name;
    QVector<QString> m_code;
};

int walk(const QAbstractItemModel *model, const QModelIndex &parent)
{
    int count = 0;
    const int rows = model->rowCount(parent);
    for (int r = 0; r < rows; ++r) {
        ++count;
        count += walk(model, model->index(r, 0, parent));
    }
    return count;
}

void print(const char *name, qint64 ms)
{
    std::printf("%s %lld\n", name, static_cast<long long>(ms));
}

} // namespace

int main(int argc, char **argv)
{
    disableUpdateCheck();
    QCoreApplication app(argc, argv);
    const int activities = 100000;
    const int bands = 1000;
    GeneratedTable table(activities, bands);

    ZParentItemProxyModel tree;
    ZFilterDialogProxyModel filter;
    filter.setSourceModel(&tree);

    QElapsedTimer timer;
    timer.start();
    tree.setSourceModel(&table);
    tree.setParentStructure(0, 1);
    const int treeRows = walk(&tree, QModelIndex());
    print("parent_tree_ms", timer.elapsed());

    timer.restart();
    const ParentStructure handed = tree.parentStructure();
    tree.setParentStructure(handed);
    print("parent_tree_handed_ms", timer.elapsed());

    // One value list: 50 of the 500 codes, as the column pop-up sends them.
    QList<QVariant> values;
    for (int i = 0; i < 500; i += 10)
        values.append(QStringLiteral("C%1").arg(i));
    timer.restart();
    filter.setFilter(3, values);
    const int shown = walk(&filter, QModelIndex());
    print("filter_ms", timer.elapsed());

    // The worst case: nothing passes, so every subtree is searched.
    timer.restart();
    filter.setFilter(3, { QStringLiteral("none") });
    const int none = walk(&filter, QModelIndex());
    print("filter_nothing_ms", timer.elapsed());

    timer.restart();
    filter.clearAll();
    tree.sort(2, Qt::DescendingOrder);
    print("tree_sort_ms", timer.elapsed());

    // The grouping's indexes: one per level over all rows, then the product.
    timer.restart();
    ZIndex byParent(&table, 1);
    byParent.group(Qt::DisplayRole);
    ZIndex byCode(&table, 3);
    byCode.group(Qt::DisplayRole);
    print("index_group_ms", timer.elapsed());
    timer.restart();
    const ZIndex product = cross(byParent, byCode);
    print("index_cross_ms", timer.elapsed());

    std::fflush(stdout);
    std::fprintf(stderr, "tree rows %d, shown after filter %d, then %d, product nodes %d\n", treeRows,
                 shown, none, product.count());
    return treeRows == activities + bands ? 0 : 1;
}
