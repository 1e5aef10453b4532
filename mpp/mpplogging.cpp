#include "mpplogging.h"

Q_LOGGING_CATEGORY(lcMpp, "sv.mpp", QtWarningMsg)
