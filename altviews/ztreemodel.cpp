#include "ztreemodel.h"

#include "ztreeitem.h"

#include <QDebug>
#include <QMimeData>

const QString ZTreeModel::MimeType = QStringLiteral("application/zmimetype.xml");

namespace {

const Qt::ItemFlags kItemFlags = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled
                                 | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;

} // namespace

ZTreeModel::ZTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_itemFlags(kItemFlags)
    , m_root(new ZTreeItem)
{
}

ZTreeModel::~ZTreeModel()
{
    delete m_root;
}

void ZTreeModel::init()
{
    beginResetModel();
    delete m_root;
    m_root = new ZTreeItem;
    m_itemFlags = kItemFlags;
    endResetModel();
}

Qt::ItemFlags ZTreeModel::flags(const QModelIndex &index) const
{
    // The invisible root can only take drops.
    if (!index.isValid())
        return m_itemFlags & Qt::ItemIsDropEnabled;
    return m_itemFlags;
}

ZTreeItem *ZTreeModel::itemFromIndex(const QModelIndex &index) const
{
    if (index.isValid())
        return static_cast<ZTreeItem *>(index.internalPointer());
    return m_root;
}

bool ZTreeModel::contains(const ZTreeItem *item) const
{
    while (item && item != m_root)
        item = item->parentItem();
    return item && item == m_root;
}

QModelIndex ZTreeModel::indexFromItem(ZTreeItem *item) const
{
    if (!item || item == m_root || !contains(item))
        return {};
    return createIndex(item->row(), 0, item);
}

QVariant ZTreeModel::data(const QModelIndex &index, int role) const
{
    if (!m_root || !index.isValid() || !index.internalPointer())
        return {};
    return itemFromIndex(index)->data(index.column(), role);
}

QVariant ZTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const auto &values = orientation == Qt::Horizontal ? m_horizontalHeader : m_verticalHeader;
    const QVariant value = values.value(section).value(role);
    if (value.isNull() && role == Qt::DisplayRole)
        return section + 1;
    return value;
}

bool ZTreeModel::setHeaderData(int, Qt::Orientation, const QVariant &, int)
{
    return false;
}

int ZTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const ZTreeItem *node = itemFromIndex(parent);
    return node ? node->childCount() : 0;
}

int ZTreeModel::columnCount(const QModelIndex &parent) const
{
    const ZTreeItem *node = itemFromIndex(parent);
    if (!node)
        return 0;
    return std::max(1, node->highestColumn() + 1);
}

QModelIndex ZTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || parent.column() > 0)
        return {};
    const ZTreeItem *node = itemFromIndex(parent);
    ZTreeItem *child = node ? node->child(row) : nullptr;
    if (!child)
        return {};
    return createIndex(row, column, child);
}

QModelIndex ZTreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    ZTreeItem *p = itemFromIndex(index)->parentItem();
    if (!p || p == m_root)
        return {};
    return createIndex(p->row(), 0, p);
}

bool ZTreeModel::hasChildren(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return false;
    const ZTreeItem *node = itemFromIndex(parent);
    return node && node->childCount() > 0;
}

bool ZTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !index.internalPointer())
        return false;
    itemFromIndex(index)->setData(index.column(), value, role);
    emit dataChanged(index, index, {});
    return true;
}

void ZTreeModel::itemChanged(ZTreeItem *item)
{
    const QModelIndex i = indexFromItem(item);
    if (i.isValid())
        emit dataChanged(i, i, {});
}

bool ZTreeModel::insertRows(int row, int count, const QModelIndex &parent)
{
    ZTreeItem *node = itemFromIndex(parent);
    if (!node || count < 1 || row < 0 || row > node->childCount())
        return false;
    beginInsertRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        node->insertChild(row + i, new ZTreeItem);
    endInsertRows();
    return true;
}

bool ZTreeModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (!m_root)
        return false;
    ZTreeItem *node = itemFromIndex(parent);
    if (!node || count < 1 || row < 0 || row + count > node->childCount())
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = 0; i < count; ++i)
        delete node->takeChild(row);
    endRemoveRows();
    return true;
}

QStringList ZTreeModel::mimeTypes() const
{
    return {MimeType};
}

QMimeData *ZTreeModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.size() != 1)
        return nullptr;
    const QModelIndex &index = indexes.first();
    if (index.isValid() ? !index.internalPointer() : !m_root)
        return nullptr;
    qDebug() << "ZTreeModel::mimeData";
    return new QMimeData;
}

bool ZTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int, int column,
                              const QModelIndex &parent)
{
    qDebug() << "ZTreeModel::dropMimeData";
    if (action == Qt::IgnoreAction)
        return true;
    if (!data || action != Qt::MoveAction || column > 0 || !data->hasFormat(MimeType))
        return false;
    qDebug() << "Dropped";
    return parent.isValid() ? parent.internalPointer() != nullptr : m_root != nullptr;
}

Qt::DropActions ZTreeModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions ZTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

bool ZTreeModel::isChecked(const QModelIndex &index) const
{
    if (!index.isValid())
        return false;
    return data(index, Qt::CheckStateRole).toInt() == Qt::Checked;
}

bool ZTreeModel::moveNode(ZTreeItem *node, ZTreeItem *newParent, int destRow)
{
    ZTreeItem *oldParent = node ? node->parentItem() : nullptr;
    if (!oldParent || !newParent || !contains(node) || !contains(newParent))
        return false;
    for (const ZTreeItem *a = newParent; a; a = a->parentItem()) {
        if (a == node)
            return false; // not into its own subtree
    }
    const int srcRow = node->row();
    if (!beginMoveRows(indexFromItem(oldParent), srcRow, srcRow, indexFromItem(newParent), destRow))
        return false;
    oldParent->takeChild(srcRow);
    newParent->insertChild(oldParent == newParent && destRow > srcRow ? destRow - 1 : destRow, node);
    endMoveRows();
    return true;
}

QModelIndex ZTreeModel::moveItem(ZTreeItem *parent, int from, int to)
{
    if (!parent)
        return {};
    const int n = parent->childCount();
    if (from < 0 || to < 0 || from >= n || to >= n || from == to)
        return indexFromItem(parent->child(from));
    ZTreeItem *first = parent->child(from);
    ZTreeItem *second = parent->child(to);
    // A swap told as one or two moves.
    if (from < to) {
        moveNode(first, parent, to + 1);
        if (to - from > 1)
            moveNode(second, parent, from);
    } else {
        moveNode(first, parent, to);
        if (from - to > 1)
            moveNode(second, parent, from + 1);
    }
    return indexFromItem(first);
}

QModelIndex ZTreeModel::moveUp(const QModelIndex &index)
{
    if (!index.isValid() || index.row() < 1)
        return index;
    ZTreeItem *node = itemFromIndex(index);
    return moveItem(node->parentItem(), node->row(), node->row() - 1);
}

QModelIndex ZTreeModel::moveDown(const QModelIndex &index)
{
    if (!index.isValid())
        return index;
    ZTreeItem *node = itemFromIndex(index);
    ZTreeItem *p = node->parentItem();
    if (!p || !p->child(node->row() + 1))
        return index;
    return moveItem(p, node->row(), node->row() + 1);
}

QModelIndex ZTreeModel::promote(const QModelIndex &index)
{
    if (!index.isValid())
        return index;
    ZTreeItem *node = itemFromIndex(index);
    ZTreeItem *p = node->parentItem();
    if (!p || p == m_root || !p->parentItem())
        return index;
    ZTreeItem *g = p->parentItem();
    if (!moveNode(node, g, p->row() + 1))
        return index;
    return indexFromItem(node);
}

QModelIndex ZTreeModel::demote(const QModelIndex &index)
{
    if (!index.isValid() || index.row() == 0)
        return index;
    ZTreeItem *node = itemFromIndex(index);
    ZTreeItem *p = node->parentItem();
    ZTreeItem *sibling = p ? p->child(node->row() - 1) : nullptr;
    if (!sibling || !moveNode(node, sibling, sibling->childCount()))
        return index;
    return indexFromItem(node);
}

QModelIndex ZTreeModel::cut(const QModelIndex &index)
{
    if (index.isValid())
        m_cutItem = itemFromIndex(index);
    return index;
}

QModelIndex ZTreeModel::paste(const QModelIndex &index)
{
    if (!index.isValid() || !m_cutItem)
        return index;
    ZTreeItem *target = itemFromIndex(index);
    ZTreeItem *targetParent = target->parentItem();
    ZTreeItem *node = m_cutItem;
    if (!targetParent || !moveNode(node, targetParent, target->row() + 1))
        return index;
    m_cutItem = nullptr;
    return indexFromItem(node);
}

QModelIndex ZTreeModel::clearChildren(const QModelIndex &index)
{
    ZTreeItem *node = itemFromIndex(index);
    if (!node || node->childCount() == 0 || index.column() > 0)
        return index;
    beginRemoveRows(index, 0, node->childCount() - 1);
    const QObjectList list = node->children();
    qDeleteAll(list);
    endRemoveRows();
    return index;
}

void ZTreeModel::clear()
{
    beginResetModel();
    delete m_root;
    m_root = nullptr;
    m_cutItem = nullptr;
    endResetModel();
}

QStringList ZTreeModel::pathFromIndex(const QModelIndex &index) const
{
    QStringList path;
    for (QModelIndex current = index; current.isValid(); current = parent(current))
        path.prepend(data(current, Qt::DisplayRole).toString());
    return path;
}

QModelIndex ZTreeModel::indexFromPath(const QStringList &path) const
{
    return indexFromPath(QModelIndex(), path);
}

QModelIndex ZTreeModel::indexFromPath(const QModelIndex &parent, const QStringList &path) const
{
    if (path.isEmpty())
        return {};
    const int rows = rowCount(parent);
    for (int r = 0; r < rows; ++r) {
        const QModelIndex child = index(r, 0, parent);
        if (data(child, Qt::DisplayRole).toString() != path.first())
            continue;
        if (path.size() == 1)
            return child;
        const QModelIndex found = indexFromPath(child, path.mid(1));
        if (found.isValid())
            return found;
    }
    return {};
}
