#pragma once
// The command line of velora-resize.
#include <string>
#include <vector>

#include "jobs/geometry.h"

namespace velora::cli {

struct Options {
  ResizeSettings Settings;
  int Jobs = 1;
  std::string OutputDir;  // empty: each source's Output/ subfolder
  bool Recursive = false;
  std::string FilesFrom;  // a list of paths ("-": standard input), or empty
  char ListSeparator = '\n';
  int ShardIndex = 0;  // K of --shard K/N; 0: the whole set
  int ShardCount = 0;
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
  std::vector<std::string> Inputs;
};

// Parses the arguments (without the program name). On a usage error returns false and
// sets `error` to a one-line explanation.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* UsageText();

}  // namespace velora::cli
