#include "xerlogging.h"

Q_LOGGING_CATEGORY(lcXer, "sv.xer")
