#pragma once

#include <QVariant>

// The one ordering of variants used wherever values are ordered or matched:
// index keys, joins, the parent map, sorting, minimum and maximum, filter
// operators. It follows Qt 5's own cross-type rules (a number and its text
// compare equal, a double column value compares with an integer operand), so
// every place agrees on what "equal" and "before" mean.

// Negative, zero or positive as a orders before, equal to or after b.
int compareVariants(const QVariant &a, const QVariant &b);

inline bool variantsEqual(const QVariant &a, const QVariant &b)
{
    return compareVariants(a, b) == 0;
}

// Strict weak ordering for ordered containers (std::map, std::sort).
struct VariantLess
{
    bool operator()(const QVariant &a, const QVariant &b) const
    {
        return compareVariants(a, b) < 0;
    }
};
