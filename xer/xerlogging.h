#pragma once

#include <QLoggingCategory>

class QString;

Q_DECLARE_LOGGING_CATEGORY(lcXer)

namespace xer {
// Warns that memory ran out reading the file, when there is memory left to
// say so; never throws. A message streamed into qCWarning cannot be given up
// half-way: its destructor writes it out and would need memory too.
void warnOutOfMemory(const char *where, const QString &fileName) noexcept;
} // namespace xer
