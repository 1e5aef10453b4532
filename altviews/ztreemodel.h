#pragma once

#include <QAbstractItemModel>
#include <QMap>
#include <QPointer>
#include <QStringList>

class ZTreeItem;

// A general-purpose editable tree: any number of columns, any value per
// column and role, rows inserted and removed, moved up and down, promoted
// and demoted one level, cut and pasted, and found by the path of their
// display texts. Every change is announced with the matching insert, remove,
// move or reset signals, so views, selections and proxies follow.
//
// Only column 0 has children. Drag and drop is announced ("MoveAction" with
// the type "application/zmimetype.xml") but carries no payload: a drop is
// accepted and changes nothing. Header values have no setter; a subclass
// fills them. GUI thread only.
class ZTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    static const QString MimeType;

    explicit ZTreeModel(QObject *parent = nullptr);
    ~ZTreeModel() override;

    // A new empty root (after clear(), before rows are added).
    void init();

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    ZTreeItem *itemFromIndex(const QModelIndex &index) const;
    QModelIndex indexFromItem(ZTreeItem *item) const;
    bool isChecked(const QModelIndex &index) const;

    // Each returns the index at which the node now stands, or the given
    // index when nothing was done.
    QModelIndex moveUp(const QModelIndex &index);
    QModelIndex moveDown(const QModelIndex &index);
    // Exchanges the children at rows from and to; the index of row `to`.
    QModelIndex moveItem(ZTreeItem *parent, int from, int to);
    // One level up, just after the former parent.
    QModelIndex promote(const QModelIndex &index);
    // One level down, as the last child of the preceding sibling.
    QModelIndex demote(const QModelIndex &index);
    // Remembers the node; it stays in place until pasted.
    QModelIndex cut(const QModelIndex &index);
    // Moves the cut node just after the given row; the cut is then used up.
    QModelIndex paste(const QModelIndex &index);
    QModelIndex clearChildren(const QModelIndex &index);
    void clear();

    QStringList pathFromIndex(const QModelIndex &index) const;
    QModelIndex indexFromPath(const QStringList &path) const;
    QModelIndex indexFromPath(const QModelIndex &parent, const QStringList &path) const;

public slots:
    void itemChanged(ZTreeItem *item);

protected:
    Qt::ItemFlags m_itemFlags;
    QMap<int, QMap<int, QVariant>> m_horizontalHeader;
    QMap<int, QMap<int, QVariant>> m_verticalHeader;

private:
    // Moves node under newParent at destRow (a row before the move), with
    // the move announced; false when the move is impossible or a no-op.
    bool moveNode(ZTreeItem *node, ZTreeItem *newParent, int destRow);
    bool contains(const ZTreeItem *item) const;

    ZTreeItem *m_root = nullptr;      // Owned.
    QPointer<ZTreeItem> m_cutItem;    // Not owned; null once destroyed.
};
