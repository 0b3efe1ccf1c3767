#pragma once
// A batch run of velora-resize: converts every source with the shared conversion engine
// on up to --jobs threads and prints the job log in source order.
#include <atomic>
#include <ostream>

#include "options.h"

namespace velora::cli {

// Set (by Ctrl-C) to stop before the next picture; pictures under way are finished.
extern std::atomic<bool> AbortRequested;

// Runs the batch the options describe and ends with the summary line; returns the exit
// status: 0 when every picture has its output (written now, or kept where it existed and
// was not to be replaced), 1 when any failed or an input named nothing.
int RunBatch(const Options& options, std::ostream& log);

}  // namespace velora::cli
