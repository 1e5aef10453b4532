#include "zganttchart2logging.h"

Q_LOGGING_CATEGORY(lcGantt, "sv.gantt")
