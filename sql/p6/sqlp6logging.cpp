#include "sqlp6logging.h"

// Quiet by default; QT_LOGGING_RULES="sv.*=true" shows the detail.
Q_LOGGING_CATEGORY(lcSqlP6, "sv.sql.p6", QtWarningMsg)
