#include "progress.h"

#include <unistd.h>

#include <string>

namespace velora::cli {

namespace {
std::string Clock(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}
}  // namespace

ProgressBar::ProgressBar(int total, bool enabled)
    : total_(total),
      enabled_(enabled && ::isatty(STDERR_FILENO) && total > 0),
      start_(std::chrono::steady_clock::now()) {}

void ProgressBar::Update(int done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  constexpr int kWidth = 30;
  const int filled = total_ ? done * kWidth / total_ : kWidth;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(kWidth, '.');
  std::string line = "\r[" + bar + "] " + std::to_string(done) + "/" + std::to_string(total_) +
                     "  " + Clock(elapsed) + " elapsed";
  if (done > 0 && done < total_)
    line += ", about " + Clock(elapsed / done * (total_ - done)) + " left";
  line += "\033[K";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Clear() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace velora::cli
