#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// One node of a P6 layout text (VIEW_DATA): a name, an id, attributes and
// child nodes. Children are shared handles: copying a node copies its own
// fields and shares its children instead of copying the subtree. The parent
// is held weakly, so a tree owns itself only downwards and nothing leaks;
// after parsing, trees are walked downwards only.
class P6ConfigNode
{
public:
    using Handle = std::shared_ptr<P6ConfigNode>;

    P6ConfigNode() = default;
    P6ConfigNode(const P6ConfigNode &other) = default;
    P6ConfigNode &operator=(const P6ConfigNode &other) = default;
    // Releases the subtree without recursion, so no depth of tree can
    // overflow the stack.
    virtual ~P6ConfigNode();

    // A copy of the first child of that exact name; an empty node when none.
    P6ConfigNode child(const QString &name) const;
    bool isEmpty() const;

    std::weak_ptr<P6ConfigNode> parent;
    QVector<Handle> children;
    QString name;
    qint64 id = 0;
    QHash<QString, QString> attributes;
};

// Nesting deeper than this is taken as malformed.
constexpr int kP6MaxDepth = 256;

// The tree of a VIEW_DATA text: "(" id "|" skipped "|" name "(" key "|" value
// ... ")" "(" children ")" ")". A malformed text, or one nested deeper than
// kP6MaxDepth (with a warning), gives an empty node; an unfinished text gives
// the tree as far as it was read.
P6ConfigNode parseP6ViewData(const QString &text);

// Follows the path of child names from below the root; a missing step gives
// an empty node. An empty path gives a copy of the root.
P6ConfigNode p6NodeAtPath(const P6ConfigNode &root, const QStringList &path);
