// A main for fuzz targets without libFuzzer: runs the target once on every file named on
// the command line and on every file below every folder named, in name order. Lets the
// ordinary build and the sanitizer build replay the seeds and the inputs that once found
// a bug. A finding crashes or aborts the program; a path that cannot be read fails it.
// `--suite NAME` replays the public suites' folder NAME, and exits with 77 (skipped, for
// ctest) when the suites are absent, except in CI.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "corpus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

// ctest's SKIP_RETURN_CODE for the suite replays.
constexpr int kSkipped = 77;

// The regular files a path stands for: itself, or every file below it.
bool CollectFiles(const fs::path& path, std::vector<fs::path>& files) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) {
    files.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, error)) return false;
  std::vector<fs::path> found;
  for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error)) found.push_back(it->path());
  }
  if (error) return false;
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
  return true;
}

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE|FOLDER... | --suite NAME\n", argv[0]);
    return 2;
  }
  std::vector<std::string> paths(argv + 1, argv + argc);
  if (paths.size() == 2 && paths[0] == "--suite") {
    if (const std::string missing = velora::test::CorpusMissing(); !missing.empty()) {
      std::printf("%s\n", missing.c_str());
      return velora::test::CorpusRequired() ? 1 : kSkipped;
    }
    paths = {velora::test::Corpus(paths[1])};
  }
  std::vector<fs::path> files;
  for (const std::string& path : paths) {
    if (!CollectFiles(path, files)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], path.c_str());
      return 1;
    }
  }
  std::vector<uint8_t> bytes;
  for (const fs::path& file : files) {
    if (!ReadFile(file, bytes)) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
      return 1;
    }
    // Named first, so the input is known when the target crashes.
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", files.size());
  return 0;
}
