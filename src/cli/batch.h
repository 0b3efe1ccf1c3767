#pragma once
// A batch run of velora-resize: converts every source with the shared conversion engine
// on up to --jobs threads and prints the job log in source order.
#include <atomic>
#include <ostream>

#include "options.h"

namespace velora::cli {

// Set (by Ctrl-C) to stop before the next picture; pictures under way are finished.
extern std::atomic<bool> AbortRequested;

// Runs the batch the options describe; returns the exit status: 0 when every picture was
// written, 1 when any was skipped or failed.
int RunBatch(const Options& options, std::ostream& log);

}  // namespace velora::cli
