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
