#pragma once
// The public test suites: standard picture suites and other projects' samples, kept
// outside the repository. Tests look for them in $VELORA_CORPUS when it is set, else in
// ../shared/corpus beside the source tree; a test that reads them starts with
// SKIP_WITHOUT_CORPUS(). No GoogleTest here: the fuzz replays use it too.
#include <string>

namespace velora::test {

// The suites' folder, where it is looked for.
std::string CorpusDir();
// A file of the suites, for example Corpus("bmp/bmpsuite/g/pal8.bmp").
std::string Corpus(const std::string& relative);
// Empty when the suites' folder is there; otherwise one line naming the folder.
std::string CorpusMissing();
// CI (CI=true) runs every suite test, so there a missing folder is a failure, not a skip.
bool CorpusRequired();

}  // namespace velora::test

// Skips the calling test when the suites are absent (fails it in CI).
#define SKIP_WITHOUT_CORPUS()                                                              \
  do {                                                                                     \
    if (const std::string missing_ = ::velora::test::CorpusMissing(); !missing_.empty()) { \
      if (::velora::test::CorpusRequired()) {                                              \
        FAIL() << missing_;                                                                \
      }                                                                                    \
      GTEST_SKIP() << missing_;                                                            \
    }                                                                                      \
  } while (false)
