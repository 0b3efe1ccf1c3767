#pragma once
// velora-resize run as a separate program on temporary folders, with its output split
// into the parts the tests look at.
#include <string>
#include <vector>

#include "test_util.h"

namespace velora::test {

struct Outcome {
  int status;
  std::vector<std::string> log;  // without the heading, the timing line and the summary
  std::string heading, timing, summary, errors;
};

// Runs velora-resize with the arguments (shell words, so redirections work) in the
// folder `cwd` (the test's own when empty); its standard output and error go to files
// in `dir`, which are removed again.
Outcome Resize(const TempDir& dir, const std::string& args, const std::string& cwd = "");
// A JPEG of the size, made from a pattern.
void WriteJpeg(const std::string& path, int w, int h, unsigned seed = 1);
// The job-log line of a written output.
std::string Saved(const std::string& path);
// A text quoted for the shell.
std::string ShellQuoted(const std::string& text);

}  // namespace velora::test
