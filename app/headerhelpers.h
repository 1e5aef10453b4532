#pragma once

#include <QStringList>
#include <QVariant>
#include <QVector>

class QAbstractItemModel;
class QHeaderView;

// Column and header helpers of the shell: columns found by caption, header
// states saved as "caption:width" lists. Captions are the model's horizontal
// header display texts, compared exactly.
namespace HeaderHelpers {

// First column whose caption equals the text; -1 when none or no model.
int columnIndex(const QAbstractItemModel *model, const QString &caption);
// Logical indexes of the shown sections in on-screen order.
QVector<int> shownColumns(const QHeaderView *header);
// Logical index of the leftmost shown section; -1 when none is shown.
int firstVisibleColumn(const QHeaderView *header);
// Shows exactly the named columns in the order given; an empty list
// changes nothing.
void setVisibleColumns(QHeaderView *header, const QStringList &captions);
// "caption:width" per shown section, left to right.
QVariant headerToVariant(const QHeaderView *header);
// Restores a state made by headerToVariant; an empty list changes nothing,
// entries that do not split into two parts at ":" are skipped.
void headerFromVariant(QHeaderView *header, const QVariant &state);
// The whole text file or resource, cut at its first zero byte, as UTF-8;
// empty when it cannot be opened.
QString readFile(const QString &path);

} // namespace HeaderHelpers
