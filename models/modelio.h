#pragma once

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QString>
#include <QVariant>

class QAbstractItemModel;
class QAbstractItemView;
class QStandardItemModel;

// Moving table data into and out of item models: two readers of
// semicolon-separated text files, the text of a view's selection for the
// clipboard, an in-place conversion of a column, a row as a map, and the
// position of an index in a tree as text and back.
//
// Semicolon files: the first line holds the captions, each further line one
// row, fields separated by ";" with no quoting, escaping or trimming. Files
// are only read.

// A new model (owned by the caller) holding the file's rows, with the
// captions as horizontal header; null when the file cannot be opened.
QStandardItemModel *csvFileToQStandardItemModel(const QString &fileName);

// Element 0 is the QStringList of captions; every further element a
// QVariantMap from caption to the row's field text (empty where the line is
// short). An empty list when the file cannot be opened.
QList<QVariant> csvFileToRecordSet(const QString &fileName);

// The selected cells of the view, row by row: cells of one row separated by
// tabs, each row ended by a newline. Empty when nothing is selected.
QString itemViewToClipboard(const QAbstractItemView *view);

// Rewrites the display value of one column, in every row of the tree, as the
// named type: "QDate" (read as dd-MM-yyyy), "QDateTime", "QString", "int" or
// "double". Any other name leaves the model unchanged.
void convertModelData(QAbstractItemModel *model, int column, const QString &typeName);

// The row of the index as lower-cased caption -> display text ("sql" is
// keyed "content").
QHash<QString, QString> dataFromIndex(const QModelIndex &index);

// The row numbers from the top level down, joined by "." (2.0.2); "-1" for
// an invalid index.
QString positionFromIndex(const QModelIndex &index);
// The index in column 0 that a position text names; an invalid index for an
// empty text, "-1", or a position whose rows do not exist.
QModelIndex positionToIndex(QAbstractItemModel *model, const QString &position);
