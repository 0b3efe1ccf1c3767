#include "batch.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "jobs/convert.h"
#include "jobs/run_clock.h"
#include "jobs/run_threads.h"
#include "progress.h"
#include "sources.h"
#include "util/TarnoTPU.h"

namespace velora::cli {

std::atomic<bool> AbortRequested{false};

namespace {

struct Item {
  std::string Source;
  std::string OutputFolder;
  std::vector<std::string> Lines;
  bool Started = false;
  bool Done = false;
  bool Written = false;
  bool FactorInvalid = false;
};

class Batch {
 public:
  Batch(const Options& options, std::ostream& log, std::vector<Item> items)
      : options_(options),
        log_(log),
        items_(std::move(items)),
        progress_(static_cast<int>(items_.size()), !options.Quiet) {
    // Pictures that share an output name are converted one after the other, in name
    // order, so which one ends up in the file (or which is kept) does not depend on
    // thread timing.
    std::map<std::string, size_t> taskOfName;
    for (size_t i = 0; i < items_.size(); ++i) {
      const std::string name =
          OutputName(options_.Settings, items_[i].Source, items_[i].OutputFolder);
      auto [it, fresh] = taskOfName.emplace(name, tasks_.size());
      if (fresh) tasks_.emplace_back();
      tasks_[it->second].push_back(i);
    }
  }

  // Spends `threads` threads in all: one picture per thread while there are enough
  // pictures, the rest inside the resampler when there are fewer pictures than threads.
  void Run(int threads) {
    const ThreadSplit split = SplitThreads(threads, static_cast<int>(tasks_.size()));
    resampleThreads_ = split.ResampleThreads;
    threads = split.Workers;
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back([this] { Work(); });
    Work();
    for (auto& h : helpers) h.join();
    std::lock_guard lock(mutex_);
    progress_.Clear();
    // After a stop, pictures finished behind one that never started are still reported.
    for (; printed_ < items_.size(); ++printed_) {
      if (items_[printed_].Done) Print(items_[printed_]);
    }
  }

  bool Stopped() const { return stop_; }
  const std::vector<Item>& Items() const { return items_; }

 private:
  void Work() {
    TPicture preview;
    for (;;) {
      const size_t t = nextTask_++;
      if (t >= tasks_.size()) return;
      for (size_t index : tasks_[t]) {
        if (stop_ || AbortRequested) return;
        Item& item = items_[index];
        {
          std::lock_guard lock(mutex_);
          item.Started = true;
        }
        ConvertHooks hooks;
        std::vector<std::string> lines;
        hooks.Log = [&lines](const std::string& line) { lines.push_back(line); };
        const ConvertResult r = ConvertImage(options_.Settings, item.Source, item.OutputFolder,
                                             preview, hooks, resampleThreads_);
        if (!r.SavedAs.empty()) lines.push_back(kLogSaved + r.SavedAs);
        std::lock_guard lock(mutex_);
        item.Lines = std::move(lines);
        item.Written = !r.SavedAs.empty();
        item.FactorInvalid = !r.FactorValid;
        item.Done = true;
        ++done_;
        if (item.FactorInvalid) stop_ = true;
        Flush();
      }
    }
  }

  // Prints every finished picture that follows the last one printed.
  void Flush() {
    while (printed_ < items_.size() && items_[printed_].Done) Print(items_[printed_++]);
    progress_.Update(done_);
  }

  void Print(const Item& item) {
    if (options_.Quiet || item.Lines.empty()) return;
    progress_.Clear();
    for (const std::string& line : item.Lines) log_ << line << '\n';
    log_.flush();
  }

  const Options& options_;
  std::ostream& log_;
  std::vector<Item> items_;
  std::vector<std::vector<size_t>> tasks_;
  int resampleThreads_ = 1;
  std::atomic<size_t> nextTask_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  size_t printed_ = 0;
  int done_ = 0;
  ProgressBar progress_;
};

}  // namespace

int RunBatch(const Options& options, std::ostream& log) {
  const Sources sources = CollectSources(options.Inputs);
  for (const std::string& problem : sources.Problems) MsgError(problem);
  if (sources.Files.empty()) {
    if (sources.Problems.empty()) MsgWarning("No pictures to process");
    return sources.Problems.empty() ? 0 : 1;
  }

  std::vector<Item> items;
  std::set<std::string> folders;
  for (const std::string& file : sources.Files) {
    Item item;
    item.Source = file;
    item.OutputFolder = options.OutputDir.empty() ? FolderPart(file) + "Output/"
                                                  : WithTrailingDelimiter(options.OutputDir);
    folders.insert(item.OutputFolder);
    items.push_back(std::move(item));
  }
  for (const std::string& folder : folders) MakeFolder(folder);

  if (!options.Quiet)
    log << JobLogDateTime(std::time(nullptr)) << kLogNewBatch << "\n\n" << std::flush;
  const uint32_t start = TickCount();

  // An unusable factor stops the batch at the first picture that gets that far, so the
  // pictures are taken strictly in order then.
  const bool factorValid = FactorIsValid(
      options.Settings.Mode, XFactor(options.Settings.FactorWhole, options.Settings.FactorTenths));
  Batch batch(options, log, std::move(items));
  batch.Run(factorValid ? options.Jobs : 1);

  const bool aborted = AbortRequested && !batch.Stopped() &&
                       std::any_of(batch.Items().begin(), batch.Items().end(),
                                   [](const Item& i) { return !i.Done; });
  if (aborted && !options.Quiet) log << kLogAborted << '\n';
  const uint32_t elapsed = TickCount() - start;
  if (!options.Quiet) log << "Batch job done in " << ElapsedSeconds(elapsed) << " sec\n";
  log.flush();

  const bool allWritten = std::all_of(batch.Items().begin(), batch.Items().end(),
                                      [](const Item& i) { return i.Written; });
  return allWritten && sources.Problems.empty() ? 0 : 1;
}

}  // namespace velora::cli
