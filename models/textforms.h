#pragma once

#include <QBrush>
#include <QByteArray>
#include <QFont>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPair>
#include <QString>
#include <QVariant>

// Short text forms of values that the grouping record keeps inside its
// one-string form, and small conversions between variants, bytes and JSON.
//
// The text forms may come from layouts inside a user's file, so the readers
// take any string: a short or malformed text gives the default value and
// nothing beyond the text's parts is ever read.

// "r%1g%2b%3a%4" of the brush colour; the brush style is not kept.
QString brushToString(const QBrush &brush);
// A solid brush in the colour of a brush text. A text that does not give four
// numbers, or gives a component outside 0 .. 255, yields a default QBrush.
QBrush brushFromString(const QString &text);

// The family, a colon, then "i" (italic or oblique), "u" (underlined) and
// "b" (heavier than medium), for example "Arial:ub". The size is not kept.
QString fontToString(const QFont &font);
// A font of the text's family in the default size, with italic, underline
// and bold set from the flags (any order). A text without a colon yields a
// default QFont.
QFont fontFromString(const QString &text);

// The pair as eight big-endian bytes (two 32-bit signed integers).
QVariant toVariant(const QPair<int, int> &pair);
// The pair read back; 0 in place of a value the bytes do not hold.
QPair<int, int> toPair(const QVariant &value);

QByteArray variantToByteArray(const QVariant &value);
// The top-level object of a JSON text as a QVariantMap (objects and arrays
// inside it become maps and lists); an invalid QVariant when the text gives
// no document.
QVariant variantFromByteArray(const QByteArray &json);
QJsonObject objectFromVariant(const QVariantMap &map);
QJsonDocument documentFromVariant(const QVariant &value);
