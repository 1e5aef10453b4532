#include "ztreeitem.h"

#include "ztreemodel.h"

ZTreeItem::ZTreeItem(QObject *parent)
    : QObject(parent)
{
    init();
}

ZTreeItem::ZTreeItem(const QVariant &value, QObject *parent)
    : QObject(parent)
{
    init();
    setData(0, value, Qt::DisplayRole);
}

void ZTreeItem::init()
{
    if (auto *p = qobject_cast<ZTreeItem *>(parent()))
        m_model = p->m_model;
    if (m_model)
        emit m_model->layoutChanged();
}

bool ZTreeItem::setData(int column, const QVariant &value, int role)
{
    m_values[column][role] = value;
    if (role == Qt::EditRole)
        m_values[column][Qt::DisplayRole] = value;
    if (column > m_highestColumn) {
        m_highestColumn = column;
        // Ancestors cover their subtrees: stop at the first that already does.
        for (ZTreeItem *p = parentItem(); p && p->m_highestColumn < column; p = p->parentItem())
            p->m_highestColumn = column;
    }
    if (m_model)
        m_model->itemChanged(this);
    return true;
}

QVariant ZTreeItem::data(int column, int role) const
{
    const auto c = m_values.constFind(column);
    if (c == m_values.cend())
        return {};
    return c->value(role);
}

ZTreeItem *ZTreeItem::parentItem() const
{
    return qobject_cast<ZTreeItem *>(parent());
}

ZTreeItem *ZTreeItem::child(int row) const
{
    const QObjectList &list = children();
    if (row < 0 || row >= list.size())
        return nullptr;
    return static_cast<ZTreeItem *>(list.at(row));
}

int ZTreeItem::row() const
{
    const ZTreeItem *p = parentItem();
    if (!p)
        return -1;
    // Rows rarely change between calls: try the last answer first.
    const QObjectList &list = p->children();
    if (m_rowHint >= 0 && m_rowHint < list.size() && list.at(m_rowHint) == this)
        return m_rowHint;
    m_rowHint = int(list.indexOf(const_cast<ZTreeItem *>(this)));
    return m_rowHint;
}

void ZTreeItem::swapChildren(int a, int b)
{
    const int n = childCount();
    if (a == b || a < 0 || b < 0 || a >= n || b >= n)
        return;
    QObjectList list = children();
    for (QObject *child : list)
        child->setParent(nullptr);
    list.swapItemsAt(a, b);
    for (QObject *child : list)
        child->setParent(this);
}

void ZTreeItem::clear()
{
    const QObjectList list = children();
    qDeleteAll(list);
    if (m_model)
        emit m_model->layoutChanged();
}

ZTreeItem *ZTreeItem::takeChild(int row)
{
    ZTreeItem *node = child(row);
    if (node)
        node->setParent(nullptr);
    return node;
}

void ZTreeItem::insertChild(int row, ZTreeItem *node)
{
    if (!node || node == this)
        return;
    if (node->parent())
        node->setParent(nullptr);
    const QObjectList tail = row >= 0 && row < childCount() ? children().mid(row) : QObjectList();
    for (QObject *later : tail)
        later->setParent(nullptr);
    node->setParent(this);
    if (!node->m_model)
        node->m_model = m_model;
    if (node->m_highestColumn > m_highestColumn) {
        for (ZTreeItem *p = this; p && p->m_highestColumn < node->m_highestColumn; p = p->parentItem())
            p->m_highestColumn = node->m_highestColumn;
    }
    for (QObject *later : tail)
        later->setParent(this);
}
