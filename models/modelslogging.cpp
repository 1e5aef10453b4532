#include "modelslogging.h"

// Quiet by default; QT_LOGGING_RULES="sv.*=true" shows the detail.
Q_LOGGING_CATEGORY(lcModels, "sv.models", QtWarningMsg)
