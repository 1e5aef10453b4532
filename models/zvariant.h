#pragma once

#include <QVariant>

// The one ordering of variants used wherever values are ordered or matched:
// index keys, joins, the parent map, tree sorting, minimum and maximum,
// filter operators. Every place agrees on what "equal" and "before" mean, and
// the order is a strict weak one, whatever the order of the arguments:
// - an invalid value first, then an empty text;
// - then numbers and texts that read as numbers, together, by value (7, "7"
//   and "7.0" are equal; "9" is before "10");
// - then NaN, equal only to NaN;
// - then other texts, ignoring case, ties broken with case ("apple" before
//   "Banana" before "banana" before "cherry").
// Dates and other types compare among themselves; against a text, as Qt 5
// compares them (the text read as a date).

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
