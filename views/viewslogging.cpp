#include "viewslogging.h"

Q_LOGGING_CATEGORY(lcViews, "sv.views")
