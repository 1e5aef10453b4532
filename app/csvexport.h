#pragma once

#include <QModelIndex>
#include <QString>

class QTreeView;

// Writes a tree view as the viewer's CSV: the captions of the shown columns
// in on-screen order, then one line per row of the view's model, depth
// first, collapsed rows included. Fields are joined by ";"; a field holding
// ";", a double quote or a line break is quoted with inner quotes doubled.
// The tree column carries the row's "Group" text when it has one and is
// indented by one blank per depth level, at most 1000; date-times are
// written dd-MM-yyyy. The file is UTF-8.
class CsvExport
{
public:
    // CannotOpen: refused before anything was written; CannotWrite: not
    // written, an earlier file as it was; LeftIncomplete: the earlier file
    // cut by a failure while it was written in place; NameChanged: the name
    // removed or replaced by another just as the result went in.
    enum Result { Ok = 0, CannotOpen = 1, CannotWrite = 2, NoMemory = 3, LeftIncomplete = 4, NameChanged = 5 };

    // Writes the whole file. The file changes only when everything was
    // written (UserFile), so a failure leaves an earlier file as it was.
    // NoMemory when the room for the text in hand (memoryroom::available)
    // is not there, or memory ran out while writing.
    static Result saveViewData(QTreeView *view, const QString &fileName,
                               QString *errorString = nullptr);
    // The header line, ended by "\n".
    static QString headerLine(QTreeView *view);
    // The lines of every row below parent, each ended by "\n".
    static QString saveViewDataHelper(QTreeView *view, const QModelIndex &parent);
    // One field, quoted when it holds ";", '"', "\n" or "\r".
    static QString quoteField(const QString &text);

private:
    static Result write(QTreeView *view, const QString &fileName, QString *errorString);
};
