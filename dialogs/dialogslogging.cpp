#include "dialogslogging.h"

Q_LOGGING_CATEGORY(lcDialogs, "sv.dialogs")
