#include "altviewslogging.h"

Q_LOGGING_CATEGORY(lcAltViews, "sv.altviews", QtWarningMsg)
