// Fuzzes the reading of the tool's console title. Each line of the input is one tick's
// title, read in turn into the same buffers as the window does.
#include <stdint.h>
#include <string.h>

#include <string>

#include "control/progress.h"
#include "tests/fuzz/require.h"

// Fills every field with a mark and ends it on its last byte, so a reader that relies
// on zeroed buffers or on an earlier title's remains shows up.
static void FillMarked(ProgressText *progress)
{
    memset(progress, 'Z', sizeof *progress);
    progress->windowText[sizeof progress->windowText - 1] = '\0';
    progress->status[sizeof progress->status - 1] = '\0';
    progress->percent[sizeof progress->percent - 1] = '\0';
    progress->size[sizeof progress->size - 1] = '\0';
    progress->speed[sizeof progress->speed - 1] = '\0';
    progress->eta[sizeof progress->eta - 1] = '\0';
}

static void CheckTitle(ProgressText *progress, const std::string &title)
{
    char statusBefore[STATUS_TEXT_SIZE];
    memcpy(statusBefore, progress->status, sizeof statusBefore);
    int width = -2;
    const char *status = ComposeProgress(progress, title.c_str(), &width);

    Require(width >= -1 && width <= PROGRESS_BAR_WIDTH, "width within -1..290");
    Require((status == nullptr) == (width == -1), "NULL exactly when the width is -1");
    if (status == nullptr)
        Require(memcmp(statusBefore, progress->status, sizeof statusBefore) == 0,
                "an unreadable title leaves the status as it was");
    else
        Require(status == progress->status, "the status is the shared buffer");
    Require(TerminatedWithin(progress->status, sizeof progress->status), "status terminated");
    Require(TerminatedWithin(progress->percent, sizeof progress->percent), "percent terminated");
    Require(TerminatedWithin(progress->size, sizeof progress->size), "size terminated");
    Require(TerminatedWithin(progress->speed, sizeof progress->speed), "speed terminated");
    Require(TerminatedWithin(progress->eta, sizeof progress->eta), "eta terminated");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ProgressText progress;
    FillMarked(&progress);
    std::string text((const char *)data, size);
    size_t start = 0;
    do {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        // A title is a C string: it ends at its first NUL.
        CheckTitle(&progress, text.substr(start, end - start).c_str());
        start = end + 1;
    } while (start <= text.size());
    return 0;
}
