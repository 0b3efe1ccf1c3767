#pragma once
// The clock of a run, as the window and velora-resize both report it: the date and time
// of the job log's heading and the timing text's seconds.
#include <cstdint>
#include <ctime>
#include <string>

namespace velora {

// The millisecond tick count as an unsigned 32-bit number; differences wrap safely.
uint32_t TickCount();

// The local date and time of a heading, one form everywhere and with the year in full:
// "2026-12-11 14:05:09". The time is left out at exactly midnight.
std::string JobLogDateTime(std::time_t when);

// Milliseconds as seconds with two decimals, cut, not rounded: 1234 gives "1.23", 2000
// gives "2.00", 5 gives "0.00".
std::string ElapsedSeconds(uint32_t milliseconds);

}  // namespace velora
