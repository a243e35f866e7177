// Scanning of the tool's progress title ("youtube-dl - 45.3% of 12.34MiB at 1.02MiB/s ETA 00:07").
#include "control/progress.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int FillWidthOf(const char *percent)
{
    double width = strtod(percent, nullptr) * PROGRESS_BAR_WIDTH * 0.01;
    // Clamped before the conversion: a wild percentage must not overflow the int.
    if (!(width > 0))
        return 0;
    return width >= PROGRESS_BAR_WIDTH ? PROGRESS_BAR_WIDTH : (int)width;
}

const char *ComposeProgress(ProgressText *progress, const char *title, int *fillWidth)
{
    progress->status[0] = '\0';
    *fillWidth = -1;
    if (!strstr(title, "youtube-dl"))
        return progress->status;
    // Fields the title lacks stay empty rather than showing an earlier title's values.
    progress->percent[0] = progress->size[0] = progress->speed[0] = progress->eta[0] = '\0';
    sscanf(title, "youtube-dl - %10s of %15s at %15s ETA %12s", progress->percent,
           progress->size, progress->speed, progress->eta);
    snprintf(progress->status, sizeof progress->status, "SP:%s|>DL:%s Of %s<|ET:%s",
             progress->speed, progress->percent, progress->size, progress->eta);
    *fillWidth = FillWidthOf(progress->percent);
    return progress->status;
}
