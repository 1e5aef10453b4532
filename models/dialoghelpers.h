#pragma once

#include <QString>

class QAbstractItemModel;
class QMenu;
class QTreeView;

// Small helpers around widgets: ready-made message boxes, a menu that shows
// one of its actions, a throw-away model preview, a line log and the path of
// the developer's data folder. None of them keeps state.

// Modal question box with Yes and No (and Cancel when asked); returns the
// QMessageBox::StandardButton pressed.
int showYesNoDialog(const QString &text, const QString &title, bool withCancel);
// Modal information box with a single Ok button.
void showOkDialog(const QString &text, const QString &title);

// Shows the text and icon of the menu's action at position i + 1 as the
// menu's own, or of the first action when there is no such position.
void updateMenuIconText(QMenu *menu, int i);

// Opens a top-level tree view on the model, for looking at a model while
// debugging. The window deletes itself when closed or when the application
// quits; a model destroyed meanwhile leaves it empty.
QTreeView *previewModel(QAbstractItemModel *model);

// Appends "time:text" as one line to "log.txt" in the working folder; the
// line is dropped when the file cannot be opened.
void printLog(const QString &text);

// The fixed folder of a developer's local data files, ending in "/files/".
QString zfiles();
