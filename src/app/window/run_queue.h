#pragma once
// The pictures of one run, converted on worker threads and handed to the window thread
// strictly in their order. The workers touch no widget: each picture's log lines, error
// boxes and preview drawing are recorded and replayed by the window thread when that
// picture's turn comes. Pictures in flight (started, not yet handed over) stay within
// the workers plus one, so memory stays within that many pictures.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "jobs/convert.h"
#include "jobs/output_names.h"
#include "preview/preview_source.h"

namespace velora::app {

// The engine's ConvertImage, or a stand-in with its signature.
using ConvertFunction = std::function<ConvertResult(
    const ResizeSettings& settings, const std::string& sourcePath, const std::string& outputFolder,
    TPicture& preview, const ConvertHooks& hooks, int threads, RunOutputs* outputs)>;

// What a conversion asked of the window, in its order.
struct RunEvent {
  enum class Kind { LogLine, ErrorBox, FocusFactorBox };
  Kind Type;
  std::string Text;
};

// One picture's outcome, ready for the window thread.
struct RunPicture {
  std::string Source;
  std::vector<RunEvent> Events;
  ConvertResult Result;
  std::unique_ptr<TGraphic> Graphic;  // the loaded picture, when it loaded
  PreviewSource Preview;              // its drawing, when the preview follows the run
};

struct RunPlan {
  ResizeSettings Settings;  // taken once, at the run's start
  std::string OutputFolder;
  std::vector<std::string> Sources;
  int Threads = 1;  // threads in all, shared as velora-resize shares them
  ConvertFunction Convert;
  std::optional<PreviewFrame> Preview;  // set when the preview follows the run
};

class TRunQueue {
 public:
  // `ready` is called on a worker thread whenever a picture is done.
  TRunQueue(RunPlan plan, std::function<void()> ready);
  // Stops and waits for the pictures in flight.
  ~TRunQueue();
  TRunQueue(const TRunQueue&) = delete;
  TRunQueue& operator=(const TRunQueue&) = delete;

  void Start();
  // No picture starts after this; those in flight finish.
  void Stop();

  // The next picture in order when it is done, else nothing. After a stop, pictures that
  // never started are passed over.
  std::unique_ptr<RunPicture> TakeNext();
  // Every picture that will ever be done has been taken.
  bool Finished();
  // Some picture never started because the run was stopped.
  bool SkippedAny();

  int Workers() const { return workers_; }
  int InFlightLimit() const { return limit_; }

 private:
  enum class State { Waiting, Started, Done, Taken, Skipped };
  void Work();
  std::optional<size_t> NextStartable() const;
  void PassOverSkipped();
  RunPicture Convert(size_t index);

  RunPlan plan_;
  std::function<void()> ready_;
  std::vector<long> sameNameBefore_;  // the earlier picture with the same output, or -1
  RunOutputs outputs_;                // the names this run has written
  int workers_ = 1;
  int resampleThreads_ = 1;
  size_t limit_ = 2;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<State> state_;
  std::vector<std::unique_ptr<RunPicture>> done_;
  size_t waiting_ = 0;  // pictures not started yet
  size_t taken_ = 0;    // pictures before this one have been taken or passed over
  bool stop_ = false;
  bool skipped_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace velora::app
