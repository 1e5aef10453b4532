#pragma once

#include <QMap>
#include <QObject>
#include <QVariant>

class ZTreeModel;

// One node of a ZTreeModel: values per column and role, and child nodes,
// which are its QObject children in their order (a child's row is its
// position among them). Destroying a node destroys its subtree. Only
// ZTreeItem objects may be children of a node.
class ZTreeItem : public QObject
{
    Q_OBJECT
public:
    explicit ZTreeItem(QObject *parent = nullptr);
    ZTreeItem(const QVariant &value, QObject *parent = nullptr);

    void init();

    // Stores the value; an edit-role value is also the display value.
    bool setData(int column, const QVariant &value, int role);
    QVariant data(int column, int role) const;
    // The highest column written on this node or below it; -1 for none.
    int highestColumn() const { return m_highestColumn; }

    ZTreeModel *model() const { return m_model; }
    ZTreeItem *parentItem() const;
    int childCount() const { return children().size(); }
    ZTreeItem *child(int row) const;
    // Position among the parent's children; -1 without a parent node.
    int row() const;

    void swapChildren(int a, int b);
    void clear();
    // Detaches the child at row without destroying it; null for no child.
    ZTreeItem *takeChild(int row);
    // Puts a detached node at row (at the end for a row past the last).
    void insertChild(int row, ZTreeItem *child);

private:
    QMap<int, QMap<int, QVariant>> m_values;
    int m_highestColumn = -1;
    ZTreeModel *m_model = nullptr; // Not owned.
    mutable int m_rowHint = 0;
};
