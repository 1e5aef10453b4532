#include "applogging.h"

Q_LOGGING_CATEGORY(lcApp, "sv.app")
