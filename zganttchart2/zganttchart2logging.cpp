#include "zganttchart2logging.h"

// Quiet by default; QT_LOGGING_RULES="sv.*=true" shows the detail.
Q_LOGGING_CATEGORY(lcGantt, "sv.gantt", QtWarningMsg)
