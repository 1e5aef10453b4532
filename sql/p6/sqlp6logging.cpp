#include "sqlp6logging.h"

Q_LOGGING_CATEGORY(lcSqlP6, "sv.sql.p6")
