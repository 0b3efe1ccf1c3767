#pragma once
// When the automatic update check is due.

namespace velora::app {

// Due when the interval is above 0 and the last check plus that many days is not later
// than now. A last check later than now (the clock was set back, or a date read under
// another locale) counts as due too, so checking can never stop for good.
inline bool UpdateCheckDue(int intervalDays, double lastCheck, double now) {
  if (intervalDays <= 0) return false;
  if (lastCheck > now) return true;
  return lastCheck + intervalDays <= now;
}

}  // namespace velora::app
