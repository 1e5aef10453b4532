#include "p6confignode.h"

#include "applogging.h"

#include <vector>

P6ConfigNode::~P6ConfigNode()
{
    // Children held only here are emptied before they go, so each
    // destructor below finds no children of its own to recurse into.
    std::vector<Handle> pending(children.begin(), children.end());
    children.clear();
    while (!pending.empty()) {
        Handle node = std::move(pending.back());
        pending.pop_back();
        if (node && node.use_count() == 1) {
            for (Handle &c : node->children)
                pending.push_back(std::move(c));
            node->children.clear();
        }
    }
}

P6ConfigNode P6ConfigNode::child(const QString &name) const
{
    for (const Handle &c : children) {
        if (c && c->name == name)
            return *c;
    }
    return P6ConfigNode();
}

bool P6ConfigNode::isEmpty() const
{
    return name.isEmpty() && id == 0 && attributes.isEmpty() && children.isEmpty()
        && parent.expired();
}

namespace {

enum class State {
    Start,
    Id,
    Skip,
    Name,
    FirstKey,
    Value,
    NextKey,
    AfterAttributes,
    ChildList,
    ListClosed,
    NodeClosed
};

} // namespace

P6ConfigNode parseP6ViewData(const QString &text)
{
    const auto root = std::make_shared<P6ConfigNode>();
    P6ConfigNode::Handle current = root;
    P6ConfigNode::Handle parent;
    // Depth of the current node (root 0); -1 stands for no node.
    int depth = 0;
    int parentDepth = -1;
    State state = State::Start;
    QString pendingKey;
    int mark = 0;

    const QChar *data = text.constData();
    const int size = text.size();
    for (int pos = 0; pos < size; ++pos) {
        const QChar ch = data[pos];
        if (ch != QLatin1Char('(') && ch != QLatin1Char('|') && ch != QLatin1Char(')'))
            continue;
        const QString field = pos > mark ? text.mid(mark + 1, pos - mark - 1) : QString();
        const char kind = ch.toLatin1();
        bool ok = true;

        // The open of a child list (or of the next sibling).
        auto openChild = [&] {
            current = std::make_shared<P6ConfigNode>();
            depth = parentDepth + 1;
            if (parent) {
                current->parent = parent;
                parent->children.append(current);
            }
            state = State::Id;
        };
        // The close of a child list: back to the node that owns it.
        auto closeList = [&] {
            current = parent;
            depth = parentDepth;
            parent = current ? current->parent.lock() : P6ConfigNode::Handle();
            parentDepth = parent ? depth - 1 : -1;
            state = State::ListClosed;
        };

        switch (state) {
        case State::Start:
            ok = kind == '(';
            state = State::Id;
            break;
        case State::Id:
            ok = kind == '|';
            if (ok && current)
                current->id = field.toLongLong();
            state = State::Skip;
            break;
        case State::Skip:
            ok = kind == '|';
            state = State::Name;
            break;
        case State::Name:
            ok = kind == '(';
            if (ok && current)
                current->name = field;
            state = State::FirstKey;
            break;
        case State::FirstKey:
            if (kind == '|') {
                pendingKey = field;
                state = State::Value;
            } else if (kind == ')') {
                state = State::AfterAttributes;
            } else {
                ok = false;
            }
            break;
        case State::Value:
            ok = kind != '(';
            if (ok && current)
                current->attributes.insert(pendingKey, field);
            state = kind == '|' ? State::NextKey : State::AfterAttributes;
            break;
        case State::NextKey:
            ok = kind == '|';
            pendingKey = field;
            state = State::Value;
            break;
        case State::AfterAttributes:
            ok = kind == '(';
            parent = current;
            parentDepth = depth;
            state = State::ChildList;
            break;
        case State::ChildList:
        case State::NodeClosed:
            if (kind == '(') {
                if (parentDepth + 1 > kP6MaxDepth) {
                    qCWarning(lcApp) << "parseP6ViewData: layout text nested deeper than"
                                     << kP6MaxDepth << "levels";
                    return P6ConfigNode();
                }
                openChild();
            } else if (kind == ')') {
                closeList();
            } else {
                ok = false;
            }
            break;
        case State::ListClosed:
            ok = kind == ')';
            state = State::NodeClosed;
            break;
        }
        if (!ok)
            return P6ConfigNode();
        mark = pos;
    }
    return *root;
}

P6ConfigNode p6NodeAtPath(const P6ConfigNode &root, const QStringList &path)
{
    P6ConfigNode node = root;
    for (const QString &name : path)
        node = node.child(name);
    return node;
}
