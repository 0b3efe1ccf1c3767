#include "jobs/run_clock.h"

#include <chrono>
#include <cstdio>

namespace velora {

uint32_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string JobLogDateTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  const bool midnight = local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0;
  char text[64];
  std::strftime(text, sizeof text, midnight ? "%Y-%m-%d" : "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::string ElapsedSeconds(uint32_t milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%02u", milliseconds / 1000, milliseconds % 1000 / 10);
  return text;
}

}  // namespace velora
