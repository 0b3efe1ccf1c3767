// velora-resize reading a tree of 100,000 pictures in 5,000 folders into one list of relative
// names, as a run over a photo collection with its subfolders does before it starts. Target: the
// list in under 2 s.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "sources.h"

namespace {

constexpr int kFolders = 5000;
constexpr int kPerFolder = 20;

// 50 years x 100 albums, each holding 20 empty pictures; made once per run.
const std::string& BigTree() {
  static const std::string root = [] {
    char pattern[] = "/tmp/velora-bench-tree-XXXXXX";
    if (!::mkdtemp(pattern)) std::abort();
    for (int f = 0; f < kFolders; ++f) {
      const std::string folder = std::string(pattern) + "/" + std::to_string(1980 + f / 100) +
                                 "/Album " + std::to_string(f % 100);
      std::filesystem::create_directories(folder);
      for (int i = 0; i < kPerFolder; ++i) {
        const char* ext = i % 3 == 0 ? ".JPG" : i % 3 == 1 ? ".jpg" : ".png";
        const int fd =
            ::open((folder + "/IMG_" + std::to_string(i) + ext).c_str(), O_CREAT | O_WRONLY, 0644);
        if (fd < 0) std::abort();
        ::close(fd);
      }
    }
    std::atexit([] { std::filesystem::remove_all(BigTree()); });
    return std::string(pattern);
  }();
  return root;
}

void ReadTree(benchmark::State& state) {
  const std::string& root = BigTree();
  size_t files = 0;
  for (auto _ : state) {
    // What velora-resize --recursive does: the walk, the picture names, the list order
    // without regard to case, and each picture's output folder.
    files = velora::cli::CollectSources({root}, true).Files.size();
  }
  if (files != static_cast<size_t>(kFolders) * kPerFolder) state.SkipWithError("files missing");
  state.counters["pictures"] = static_cast<double>(files);
}

const bool registered = [] {
  benchmark::RegisterBenchmark("tree/read/100000_pictures_5000_folders", ReadTree)
      ->Unit(benchmark::kMillisecond)
      ->MinTime(2.0);
  return true;
}();

}  // namespace
