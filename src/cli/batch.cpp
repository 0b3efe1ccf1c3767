#include "batch.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "jobs/convert.h"
#include "progress.h"
#include "sources.h"
#include "util/TarnoTPU.h"

namespace velora::cli {

std::atomic<bool> AbortRequested{false};

namespace {

uint32_t TickCount() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

// The user's short date and long time; the time is left out at exactly midnight.
std::string DateTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[128];
  const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
  std::strftime(text, sizeof text, midnight ? "%x" : "%x %X", &local);
  return text;
}

struct Item {
  std::string Source;
  std::string OutputFolder;
  std::vector<std::string> Lines;
  bool Started = false;
  bool Done = false;
  bool Written = false;
  bool Kept = false;  // the output existed and was kept
  bool FactorInvalid = false;
  bool Damaged = false;
};

class Batch {
 public:
  Batch(const Options& options, std::ostream& log, std::vector<Item> items, bool factorValid)
      : options_(options),
        factorValid_(factorValid),
        log_(log),
        items_(std::move(items)),
        progress_(static_cast<int>(items_.size()), !options.Quiet) {
    // Pictures whose output names could meet ("cat.jpg", "cat (2).jpg") are converted one
    // after the other, in source order, so which one gets which number does not depend on
    // thread timing.
    std::map<std::string, size_t> taskOfName;
    for (size_t i = 0; i < items_.size(); ++i) {
      const std::string name =
          NameFamily(OutputName(options_.Settings, items_[i].Source, items_[i].OutputFolder));
      auto [it, fresh] = taskOfName.emplace(name, tasks_.size());
      if (fresh) tasks_.emplace_back();
      tasks_[it->second].push_back(i);
    }
  }

  // Spends `threads` threads in all: one picture per thread while there are enough
  // pictures, the rest inside the resampler when there are fewer pictures than threads.
  void Run(int threads) {
    const int tasks = static_cast<int>(tasks_.size());
    resampleThreads_ = std::max(1, threads / std::max(1, tasks));
    threads = std::max(1, std::min(threads, tasks));
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
        std::vector<std::string> lines;
        const ConvertResult r = Convert(item, preview, lines);
        std::lock_guard lock(mutex_);
        item.Lines = std::move(lines);
        item.Written = !r.SavedAs.empty();
        item.Kept = r.OutputKept;
        item.FactorInvalid = !r.FactorValid;
        item.Damaged = r.Damaged;
        item.Done = true;
        ++done_;
        if (item.FactorInvalid) stop_ = true;
        Flush();
      }
    }
  }

  // An output that exists and is to be kept is seen before the picture is decoded, so
  // a re-run after a failure costs little for the pictures done already.
  ConvertResult Convert(const Item& item, TPicture& preview, std::vector<std::string>& lines) {
    const ResizeSettings& settings = options_.Settings;
    if (factorValid_ && !settings.OverwriteOutput) {
      const std::string output = OutputName(settings, item.Source, item.OutputFolder);
      // A name this run wrote already is no reason to skip: the picture gets a numbered one.
      if (FileExists(output) && !outputs_.Holds(output)) {
        lines.push_back(kLogFileExists + output);
        ConvertResult kept;
        kept.OutputKept = true;
        return kept;
      }
    }
    ConvertHooks hooks;
    hooks.Log = [&lines](const std::string& line) { lines.push_back(line); };
    const ConvertResult r = ConvertImage(settings, item.Source, item.OutputFolder, preview, hooks,
                                         resampleThreads_, &outputs_);
    if (!r.SavedAs.empty()) lines.push_back(kLogSaved + r.SavedAs);
    return r;
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
  const bool factorValid_;
  std::ostream& log_;
  std::vector<Item> items_;
  std::vector<std::vector<size_t>> tasks_;
  RunOutputs outputs_;  // one register for the whole run, whatever folders it writes to
  int resampleThreads_ = 1;
  std::atomic<size_t> nextTask_{0};
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  size_t printed_ = 0;
  int done_ = 0;
  ProgressBar progress_;
};

// The pictures of the command line and of the --files-from list, or false (after a
// message) when the list cannot be read.
bool GatherSources(const Options& options, Sources& sources) {
  sources = CollectSources(options.Inputs, options.Recursive);
  if (options.FilesFrom.empty()) return true;
  std::ifstream file;
  if (options.FilesFrom != "-") {
    file.open(options.FilesFrom, std::ios::binary);
    if (!file) {
      MsgError("Cannot read the list of files: " + options.FilesFrom);
      return false;
    }
  }
  std::istream& in = options.FilesFrom == "-" ? std::cin : file;
  AddListedSources(ReadPathList(in, options.ListSeparator), options.Recursive, sources);
  return true;
}

// The one line a scheduler reads: how many pictures were written, kept (their output
// existed) and failed (no output: unreadable, huge, too small, not writable, not
// started).
void PrintSummary(std::ostream& out, size_t written, size_t kept, size_t failed) {
  out << "Summary: " << written << " written, " << kept << " skipped, " << failed << " failed\n"
      << std::flush;
}

}  // namespace

int RunBatch(const Options& options, std::ostream& log) {
  Sources sources;
  if (!GatherSources(options, sources)) {
    PrintSummary(log, 0, 0, 0);
    return 1;
  }
  for (const std::string& problem : sources.Problems) MsgError(problem);
  if (sources.Files.empty()) {
    if (sources.Problems.empty()) MsgWarning("No pictures to process");
    PrintSummary(log, 0, 0, 0);
    return sources.Problems.empty() ? 0 : 1;
  }
  std::vector<Source> files = std::move(sources.Files);
  if (options.ShardCount > 0) {
    files = TakeShard(files, options.ShardIndex, options.ShardCount, [&](const Source& source) {
      return OutputName(options.Settings, source.Path, OutputFolderFor(source, options.OutputDir));
    });
  }

  std::vector<Item> items;
  std::set<std::string> folders;
  for (const Source& source : files) {
    Item item;
    item.Source = source.Path;
    item.OutputFolder = OutputFolderFor(source, options.OutputDir);
    folders.insert(item.OutputFolder);
    items.push_back(std::move(item));
  }
  for (const std::string& folder : folders) MakeFolder(folder);

  if (!options.Quiet) log << DateTimeNow() << kLogNewBatch << "\n\n" << std::flush;
  const uint32_t start = TickCount();

  // An unusable factor stops the batch at the first picture that gets that far, so the
  // pictures are taken strictly in order then.
  const bool factorValid = FactorIsValid(
      options.Settings.Mode, XFactor(options.Settings.FactorWhole, options.Settings.FactorTenths));
  Batch batch(options, log, std::move(items), factorValid);
  batch.Run(factorValid ? options.Jobs : 1);

  const bool aborted = AbortRequested && !batch.Stopped() &&
                       std::any_of(batch.Items().begin(), batch.Items().end(),
                                   [](const Item& i) { return !i.Done; });
  if (aborted && !options.Quiet) log << kLogAborted << '\n';
  const uint32_t elapsed = TickCount() - start;
  if (!options.Quiet) log << "Batch job done in " << FormatReal(2, elapsed / 1000.0) << " sec\n";

  const auto count = [&](auto pred) {
    return static_cast<size_t>(std::count_if(batch.Items().begin(), batch.Items().end(), pred));
  };
  const size_t written = count([](const Item& i) { return i.Written; });
  const size_t kept = count([](const Item& i) { return i.Kept; });
  const size_t failed = batch.Items().size() - written - kept;
  PrintSummary(log, written, kept, failed);
  // A damaged source is written as far as it could be read, yet the batch did not succeed.
  const size_t damaged = count([](const Item& i) { return i.Damaged; });
  return failed == 0 && damaged == 0 && sources.Problems.empty() ? 0 : 1;
}

}  // namespace velora::cli
