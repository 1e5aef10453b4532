#include "zexpression.h"

#include "modelslogging.h"
#include "zvariant.h"

#include <QHash>

ZExpression::ZExpression(const QVariant &value, const QString &operatorText)
    : value(value)
    , operatorText(operatorText)
{
}

ZExpression::~ZExpression()
{
    delete orNext;
    delete andNext;
}

ZExpression *ZExpression::buildExpression(const QString &displayedOperator, const QVariant &value)
{
    if (displayedOperator.isEmpty() || !value.isValid())
        return nullptr;
    static const QHash<QString, QString> translated{
        { QStringLiteral("equals"), QStringLiteral("=") },
        { QStringLiteral("does not equal"), QStringLiteral("!=") },
        { QStringLiteral("is after"), QStringLiteral(">") },
        { QStringLiteral("is greater than"), QStringLiteral(">") },
        { QStringLiteral("is after or equal to"), QStringLiteral(">=") },
        { QStringLiteral("is greater than or equal to"), QStringLiteral(">=") },
        { QStringLiteral("is before"), QStringLiteral("<") },
        { QStringLiteral("is less than"), QStringLiteral("<") },
        { QStringLiteral("is before or equal to"), QStringLiteral("<=") },
        { QStringLiteral("is less than or equal to"), QStringLiteral("<=") },
    };
    return new ZExpression(value, translated.value(displayedOperator, displayedOperator));
}

bool ZExpression::isKnownOperator(const QString &operatorText)
{
    static const QStringList known{
        QStringLiteral("="),           QStringLiteral("!="),
        QStringLiteral("<"),           QStringLiteral(">"),
        QStringLiteral("<="),          QStringLiteral(">="),
        QStringLiteral("contains"),    QStringLiteral("does not contain"),
        QStringLiteral("begins with"), QStringLiteral("does not begin with"),
        QStringLiteral("ends with"),   QStringLiteral("does not end with"),
    };
    return known.contains(operatorText);
}

QString ZExpression::toString() const
{
    return QStringLiteral("%1;%2").arg(operatorText, value.toString());
}

bool ZExpression::acceptExpression(const QVariant &cellValue, const QVariant &operand,
                                   const QString &op) const
{
    if (op == QLatin1String("="))
        return variantsEqual(cellValue, operand);
    if (op == QLatin1String("!="))
        return !variantsEqual(cellValue, operand);
    if (op == QLatin1String("<"))
        return compareVariants(cellValue, operand) < 0;
    if (op == QLatin1String(">"))
        return compareVariants(cellValue, operand) > 0;
    if (op == QLatin1String("<="))
        return compareVariants(cellValue, operand) <= 0;
    if (op == QLatin1String(">="))
        return compareVariants(cellValue, operand) >= 0;
    if (op == QLatin1String("contains"))
        return cellValue.toString().contains(operand.toString(), Qt::CaseSensitive);
    if (op == QLatin1String("does not contain"))
        return !cellValue.toString().contains(operand.toString(), Qt::CaseSensitive);
    if (op == QLatin1String("begins with"))
        return cellValue.toString().startsWith(operand.toString(), Qt::CaseInsensitive);
    if (op == QLatin1String("does not begin with"))
        return !cellValue.toString().startsWith(operand.toString(), Qt::CaseInsensitive);
    if (op == QLatin1String("ends with"))
        return cellValue.toString().endsWith(operand.toString(), Qt::CaseInsensitive);
    if (op == QLatin1String("does not end with"))
        return !cellValue.toString().endsWith(operand.toString(), Qt::CaseInsensitive);
    qCWarning(lcModels) << "ZExpression::acceptExpression: unknown operator";
    return false;
}

bool ZExpression::acceptRow(const ZExpression *node, const QVariant &cellValue) const
{
    for (; node; node = node->orNext) {
        if (acceptExpression(cellValue, node->value, node->operatorText))
            return true;
    }
    return false;
}

bool ZExpression::acceptValue(const QVariant &cellValue) const
{
    for (const ZExpression *node = this; node; node = node->andNext) {
        if (!acceptRow(node, cellValue))
            return false;
    }
    return true;
}
