#pragma once

#include <QString>
#include <QtGlobal>

// A message handler that appends each message, after the date and time
// ("dd.MM.yyyy hh:mm:ss "), to "log.txt" in the working folder. main does
// not install it: diagnostics go to the default output. Thread-safe; a file
// that cannot be opened drops the message.
void logOutput(QtMsgType type, const QMessageLogContext &context, const QString &message);
