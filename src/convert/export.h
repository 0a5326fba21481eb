#pragma once

#include "sample.h"

#include <QString>

/// Where Export writes its 8SVX files: the directory last chosen with
/// Browse, exactly as the dialog returned it; empty until then and after a
/// cancelled Browse.
extern QString outputDirectory;

/// How many samples an export converts at once; below 1, one more than the
/// processor cores. The command line can set it.
extern int exportJobs;
