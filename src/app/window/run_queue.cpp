#include "window/run_queue.h"

#include <algorithm>
#include <map>

#include "jobs/run_threads.h"

namespace velora::app {

TRunQueue::TRunQueue(RunPlan plan, std::function<void()> ready)
    : plan_(std::move(plan)), ready_(std::move(ready)) {
  const size_t count = plan_.Sources.size();
  // Pictures that share an output name are converted one after the other, in order, so
  // which one ends up in the file (or which is kept) does not depend on thread timing.
  std::map<std::string, size_t> lastOfName;
  sameNameBefore_.assign(count, -1);
  for (size_t i = 0; i < count; ++i) {
    // Names that could meet ("cat.jpg", "cat (2).jpg") run in order, so the numbers a run
    // gives do not depend on timing.
    const std::string name =
        NameFamily(OutputName(plan_.Settings, plan_.Sources[i], plan_.OutputFolder));
    auto [it, fresh] = lastOfName.emplace(name, i);
    if (!fresh) {
      sameNameBefore_[i] = static_cast<long>(it->second);
      it->second = i;
    }
  }
  const ThreadSplit split = SplitThreads(plan_.Threads, static_cast<int>(lastOfName.size()));
  workers_ = split.Workers;
  resampleThreads_ = split.ResampleThreads;
  limit_ = static_cast<size_t>(workers_) + 1;
  state_.assign(count, State::Waiting);
  waiting_ = count;
  done_.resize(count);
}

TRunQueue::~TRunQueue() {
  Stop();
  for (std::thread& thread : threads_) thread.join();
}

void TRunQueue::Start() {
  for (int i = 0; i < workers_; ++i) threads_.emplace_back([this] { Work(); });
}

void TRunQueue::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

std::optional<size_t> TRunQueue::NextStartable() const {
  const size_t end = std::min(state_.size(), taken_ + limit_);
  for (size_t i = taken_; i < end; ++i) {
    if (state_[i] != State::Waiting) continue;
    const long before = sameNameBefore_[i];
    if (before < 0 || state_[static_cast<size_t>(before)] >= State::Done) return i;
  }
  return std::nullopt;
}

void TRunQueue::Work() {
  for (;;) {
    size_t index = 0;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        if (stop_) return;
        if (const auto next = NextStartable()) {
          index = *next;
          break;
        }
        if (waiting_ == 0) return;
        changed_.wait(lock);
      }
      state_[index] = State::Started;
      --waiting_;
    }
    auto picture = std::make_unique<RunPicture>(Convert(index));
    {
      std::lock_guard lock(mutex_);
      // An unusable factor ends the run at this picture.
      if (!picture->Result.FactorValid) stop_ = true;
      done_[index] = std::move(picture);
      state_[index] = State::Done;
    }
    changed_.notify_all();
    if (ready_) ready_();
  }
}

RunPicture TRunQueue::Convert(size_t index) {
  RunPicture picture;
  picture.Source = plan_.Sources[index];
  auto record = [&picture](RunEvent::Kind kind, const std::string& text) {
    picture.Events.push_back({kind, text});
  };
  TPicture loaded;
  ConvertHooks hooks;
  hooks.Log = [&](const std::string& line) { record(RunEvent::Kind::LogLine, line); };
  hooks.ShowError = [&](const std::string& text) { record(RunEvent::Kind::ErrorBox, text); };
  hooks.FocusFactorBox = [&] { record(RunEvent::Kind::FocusFactorBox, {}); };
  bool wantPreview = false;
  if (plan_.Preview) {
    // The preview's drawing is made here, beside the conversion, so the window thread
    // never decodes the picture: from the result when it can, else from the picture.
    hooks.RepaintPreview = [&] { wantPreview = true; };
    hooks.Resampled = [&](const TBitmap& resized) {
      if (loaded.Graphic()) {
        picture.Preview = MakePreviewFromResult(*loaded.Graphic(), resized, *plan_.Preview);
      }
    };
  }
  try {
    picture.Result = plan_.Convert(plan_.Settings, picture.Source, plan_.OutputFolder, loaded,
                                   hooks, resampleThreads_, &outputs_);
  } catch (const std::exception& error) {
    record(RunEvent::Kind::LogLine, kLogCannotResize + picture.Source + " (" + error.what() + ")");
    picture.Result = ConvertResult{};
  }
  if (wantPreview && !picture.Preview.Made && loaded.Graphic()) {
    picture.Preview = MakePreviewSource(*loaded.Graphic(), *plan_.Preview);
  }
  picture.Graphic = loaded.ReleaseGraphic();
  return picture;
}

void TRunQueue::PassOverSkipped() {
  if (!stop_) return;
  while (taken_ < state_.size() && state_[taken_] == State::Waiting) {
    state_[taken_++] = State::Skipped;
    --waiting_;
    skipped_ = true;
  }
}

std::unique_ptr<RunPicture> TRunQueue::TakeNext() {
  std::unique_ptr<RunPicture> picture;
  {
    std::lock_guard lock(mutex_);
    PassOverSkipped();
    if (taken_ >= state_.size() || state_[taken_] != State::Done) return nullptr;
    picture = std::move(done_[taken_]);
    state_[taken_++] = State::Taken;
    PassOverSkipped();
  }
  changed_.notify_all();
  return picture;
}

bool TRunQueue::Finished() {
  std::lock_guard lock(mutex_);
  PassOverSkipped();
  return taken_ >= state_.size();
}

bool TRunQueue::SkippedAny() {
  std::lock_guard lock(mutex_);
  PassOverSkipped();
  return skipped_;
}

}  // namespace velora::app
