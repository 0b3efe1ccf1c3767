// What the window's runs and velora-resize share: the heading's date, the timing text
// and how a run spends its threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "jobs/run_clock.h"
#include "jobs/run_threads.h"

using namespace velora;

TEST(RunClock, SecondsHaveTwoDecimalsCut) {
  const std::pair<uint32_t, const char*> cases[] = {{0, "0.00"},
                                                    {5, "0.00"},
                                                    {1234, "1.23"},
                                                    {1239, "1.23"},
                                                    {2000, "2.00"},
                                                    {1500, "1.50"},
                                                    {4294967295u, "4294967.29"}};
  for (const auto& [ms, text] : cases) EXPECT_EQ(ElapsedSeconds(ms), text) << ms;
}

TEST(RunClock, TheHeadingsDateHasTheYearInFullAndNoTimeAtMidnight) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(JobLogDateTime(0), "1970-01-01");  // exactly midnight
  EXPECT_EQ(JobLogDateTime(1796998509), "2026-12-11 14:15:09");
  EXPECT_EQ(JobLogDateTime(1796947201), "2026-12-11 00:00:01");
  unsetenv("TZ");
  tzset();
}

TEST(RunThreads, PicturesSideBySideThenThreadsInsideEach) {
  struct Case {
    int threads, tasks, workers, resample;
  };
  const Case cases[] = {{2, 12, 2, 1}, {2, 1, 1, 2}, {8, 3, 3, 2},
                        {1, 5, 1, 1},  {4, 0, 1, 4}, {0, 3, 1, 1}};
  for (const Case& c : cases) {
    const ThreadSplit split = SplitThreads(c.threads, c.tasks);
    EXPECT_EQ(split.Workers, c.workers) << c.threads << " " << c.tasks;
    EXPECT_EQ(split.ResampleThreads, c.resample) << c.threads << " " << c.tasks;
  }
  EXPECT_GE(DefaultJobs(), 1);
}
