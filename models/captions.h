#pragma once

#include <QString>
#include <QVariant>

// Captions of the date group keys that the date index shows as group titles.
// None of them fails: a key that does not convert gives Q0, Week 0, an empty
// month name or an empty day.

// "Q3" for the key 3.
QString quarterCaption(const QVariant &key);
// The English month name for 1 .. 12 ("09" reads as 9); empty otherwise.
QString monthCaption(const QVariant &key);
// "Week 7" for the key 7.
QString weekCaption(const QVariant &key);
// The date as "dd MMMM", for example "03 March".
QString dayCaption(const QVariant &key);
// Not a caption: the key's date itself, as a QVariant holding a QDate.
QVariant dateFunction(const QVariant &key);

// What a view lays out of a cell's text: laying text out takes time in its
// length, and no pane shows more than a few thousand characters of one cell.
// A longer text gives its first ShownTextLength characters (a surrogate pair
// is not cut) and an ellipsis. The tree, the details pane, the chart's
// captions and the filter pop-up's value list show text through this; the
// models, the filters and the CSV export keep the whole text.
constexpr int ShownTextLength = 4096;
QString shownText(const QString &text);
