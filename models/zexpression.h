#pragma once

#include <QString>
#include <QVariant>

// One condition of a column filter: the cell value compared with an operand
// under an operator. Conditions form a chain: the head and every node reached
// along andNext must each hold; a node holds when it or a node reached from it
// along orNext accepts the value. A node owns both successors.
//
// Operators: "=", "!=", "<", ">", "<=", ">=" (through the program's one
// variant ordering), "contains" and "does not contain" (case-sensitive),
// "begins with", "does not begin with", "ends with" and "does not end with"
// (ignoring case).
class ZExpression
{
public:
    ZExpression() = default;
    ZExpression(const QVariant &value, const QString &operatorText);
    ~ZExpression();

    // A new node for an operator as the filter pop-up shows it ("equals",
    // "is after", ...); null for an empty operator or an invalid value.
    static ZExpression *buildExpression(const QString &displayedOperator, const QVariant &value);
    // Whether the text is one of the operators a node understands.
    static bool isKnownOperator(const QString &operatorText);

    // "<operator>;<operand text>".
    QString toString() const;
    bool acceptExpression(const QVariant &cellValue, const QVariant &operand,
                          const QString &operatorText) const;
    // node or a node reached from it along orNext accepts the value; false
    // for a null node.
    bool acceptRow(const ZExpression *node, const QVariant &cellValue) const;
    // The whole chain from this node accepts the value.
    bool acceptValue(const QVariant &cellValue) const;

    QVariant value;
    QString operatorText;
    ZExpression *orNext = nullptr; // Owned.
    ZExpression *andNext = nullptr; // Owned.

private:
    Q_DISABLE_COPY(ZExpression)
};
