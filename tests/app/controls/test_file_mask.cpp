// File-name masks: "*" and "?" only, without regard to case.
#include <gtest/gtest.h>

#include "controls/file_mask.h"

namespace velora::app {
namespace {

struct MaskCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(FileMask, MatchesWithStarAndQuestionMarkOnly) {
  const MaskCase cases[] = {
      {"*.jpg", "a.JPG", true},   {"*.JPG", "a.jpg", true},       {"*.jpg", "a.jpeg", false},
      {"*.jp", "a.jpg", false},   {"*.*", "README", true},        {"*.*", "a.b.c", true},
      {"x.*", "x", true},         {"x.*", "xy", false},           {"?.png", "a.png", true},
      {"?.png", "ab.png", false}, {"[a].jpg", "[a].jpg", true},   {"[a].jpg", "a.jpg", false},
      {"a*b*c", "aXXbYYc", true}, {"a*b*c", "aXXbYY", false},     {"*", "", true},
      {"b.jpg", "b.jpg", true},   {"ÄRGER.*", "ärger.jpg", true}, {"*.png", ".hidden.png", true},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(MatchesPattern(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)), c.matches)
        << c.pattern << " " << c.name;
  }
}

TEST(FileMask, SplitsAtSemicolonsAndDropsEmptyPatterns) {
  EXPECT_EQ(SplitMask("*.jp;*.jpeg;;*.png;"), QStringList({"*.jp", "*.jpeg", "*.png"}));
  EXPECT_TRUE(HasWildcard("a?.jpg"));
  EXPECT_FALSE(HasWildcard("[a].jpg"));
}

}  // namespace
}  // namespace velora::app
