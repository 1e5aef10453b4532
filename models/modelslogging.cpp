#include "modelslogging.h"

Q_LOGGING_CATEGORY(lcModels, "sv.models")
