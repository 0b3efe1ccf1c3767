#pragma once
// Output names: the extension of each format, and the names one run has written, so that
// no picture of the run replaces another's output.
#include <mutex>
#include <set>
#include <string>

#include "jobs/output_choice.h"

namespace velora {

// The format a source is written in: the chosen one, or for Same the source's own when
// its extension says JPEG, PNG or WebP, else JPEG.
OutputFormat WrittenFormat(OutputFormat chosen, const std::string& sourcePath);
// ".jpg", ".png" or ".webp" for a written format.
const char* FormatExtension(OutputFormat written);

// The output paths one run has taken, by full path. Safe to share between threads.
class RunOutputs {
 public:
  // The wanted path when the run has not taken it, else the first of "<name> (2).<ext>",
  // "<name> (3).<ext>", ... that it has not taken; the path returned is taken now.
  std::string Take(const std::string& wanted);
  // Gives back a path that was taken but not written after all.
  void GiveBack(const std::string& path);
  // Whether the run holds the path now.
  bool Holds(const std::string& path);

 private:
  std::mutex mutex_;
  std::set<std::string> taken_;
};

// The name a numbered path stands for: "cat (2).jpg" gives "cat.jpg"; any other path is
// its own. Pictures whose wanted names share a family are converted in order, so their
// numbers do not depend on timing.
std::string NameFamily(const std::string& path);

}  // namespace velora
