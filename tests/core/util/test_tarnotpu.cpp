// The utility library: folder texts, file tests, folder creation, messages, and the
// text and number helpers.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;

namespace {

// Records every message instead of printing it.
struct RecordedMessages {
  std::vector<std::pair<MessageKind, std::string>> messages;
  RecordedMessages() {
    SetMessageHook([this](MessageKind k, const std::string& t) { messages.emplace_back(k, t); });
  }
  ~RecordedMessages() { SetMessageHook(nullptr); }
};

}  // namespace

TEST(TarnoTPU, FolderTexts) {
  EXPECT_EQ(WithTrailingDelimiter(""), "");
  EXPECT_EQ(WithTrailingDelimiter("/home"), "/home/");
  EXPECT_EQ(WithTrailingDelimiter("/home/photos/"), "/home/photos/");
  EXPECT_EQ(WithTrailingDelimiter("/a//"), "/a//");
  EXPECT_EQ(AppFolder().back(), '/');
  EXPECT_EQ(FolderPart("/a/b.c/d"), "/a/b.c/");
  EXPECT_EQ(NamePart("/a/b.c/d"), "d");
}

TEST(TarnoTPU, ValidFolder) {
  test::TempDir dir;
  const std::string file = dir.Write("file.txt", "x");
  EXPECT_TRUE(ValidFolder(dir.Root()));
  EXPECT_TRUE(ValidFolder(dir.Root() + "/"));
  EXPECT_FALSE(ValidFolder(dir.Root() + " "));
  EXPECT_FALSE(ValidFolder(""));
  EXPECT_FALSE(ValidFolder(file));
  EXPECT_TRUE(ValidFolder("/"));
}

TEST(TarnoTPU, FileNameNoExt) {
  const char* cases[][2] = {{"/a/b.c.jpg", "b.c"}, {"/x.y/README", ""},    {".jpg", ""},
                            {"/p/CAT.JPG", "CAT"}, {"/p/a.b.jpeg", "a.b"}, {"cat.png", "cat"}};
  for (const auto& c : cases) EXPECT_EQ(FileNameNoExt(c[0]), c[1]) << c[0];
}

TEST(TarnoTPU, FileExistsMsgTellsWhy) {
  test::TempDir dir;
  RecordedMessages rec;
  EXPECT_TRUE(FileExistsMsg(dir.Write("a.bmp", "x")));
  EXPECT_FALSE(FileExistsMsg(""));
  EXPECT_FALSE(FileExistsMsg(dir.Path("gone.bmp")));
  EXPECT_FALSE(FileExistsMsg(dir.Root()));  // a folder is not a file
  ASSERT_EQ(rec.messages.size(), 3u);
  EXPECT_EQ(rec.messages[0].first, MessageKind::Plain);
  EXPECT_EQ(rec.messages[0].second, "No file specified!");
  EXPECT_EQ(rec.messages[1].second, "File \"" + dir.Path("gone.bmp") + "\" does not exist");
}

TEST(TarnoTPU, CanWriteToLeavesNothingBehindAndNeverChangesAFile) {
  test::TempDir dir;
  EXPECT_TRUE(CanWriteTo(dir.Root()));
  EXPECT_FALSE(FileExists(dir.Path("WritePermTest.DeleteMe")));
  const std::string probe = dir.Write("WritePermTest.DeleteMe", "keep me");
  EXPECT_TRUE(CanWriteTo(dir.Root()));
  EXPECT_EQ(test::ReadFile(probe), "keep me");
  EXPECT_TRUE(CanWriteTo(dir.Path("new.txt")));
  EXPECT_FALSE(FileExists(dir.Path("new.txt")));
  EXPECT_FALSE(CanWriteTo(dir.Path("missing/new.txt")));
  if (geteuid() != 0) {  // root may write anywhere
    ::mkdir(dir.Path("ro").c_str(), 0555);
    EXPECT_FALSE(CanWriteTo(dir.Path("ro")));
  }
}

TEST(TarnoTPU, ForceFolderAndMakeFolder) {
  test::TempDir dir;
  RecordedMessages rec;
  EXPECT_FALSE(ForceFolder(""));
  EXPECT_TRUE(ForceFolder("/"));
  EXPECT_TRUE(ForceFolder(dir.Path("A/B/C/")));
  EXPECT_TRUE(ValidFolder(dir.Path("A/B/C")));
  EXPECT_EQ(MakeFolder(dir.Path("A/B")), 0);
  EXPECT_EQ(MakeFolder(dir.Path("A/D")), 1);
  dir.Write("file", "x");
  EXPECT_EQ(MakeFolder(dir.Path("file/sub")), -1);
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].first, MessageKind::Error);
  EXPECT_EQ(rec.messages[0].second, "Cannot create directory!\r\n" + dir.Path("file/sub"));
}

TEST(TarnoTPU, SettingsFolderIsMadeUnderTheConfigHome) {
  test::TempDir dir;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.Root().c_str(), 1);
  const std::string folder = SettingsFolder(kProductName);
  EXPECT_EQ(folder, dir.Root() + "/Velora Image Resizer/");
  EXPECT_TRUE(ValidFolder(folder));
  EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), dir.Root() + "/");
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(TarnoTPU, MessagesSkipEmptyTextsAndExpandMarkers) {
  RecordedMessages rec;
  MsgError("");
  MsgWarning("HelloCRLF World");
  MsgInfo("x");
  ASSERT_EQ(rec.messages.size(), 2u);
  EXPECT_EQ(rec.messages[0].first, MessageKind::Warning);
  EXPECT_EQ(rec.messages[0].second, "Hello\r\nWorld");
  EXPECT_STREQ(MessageTitle(MessageKind::Plain), "Velora Image Resizer");
  EXPECT_STREQ(MessageTitle(MessageKind::Error), "Error");
  EXPECT_STREQ(MessageTitle(MessageKind::Warning), "Warning");
  EXPECT_STREQ(MessageTitle(MessageKind::Info), "Information");
}

TEST(TarnoTPU, ExpandCRLF) {
  const char* cases[][2] = {{"HelloCRLF World", "Hello\r\nWorld"},
                            {"aCRLFb", "a\r\nb"},
                            {"a CRLF b", "a \r\nb"},
                            {"a CRLF  b", "a\r\nb"},
                            {"none", "none"}};
  for (const auto& c : cases) EXPECT_EQ(ExpandCRLF(c[0]), c[1]) << c[0];
}

TEST(TarnoTPU, FormatReal) {
  struct Case {
    int decimals;
    double x;
    const char* text;
  } cases[] = {{2, 3.14159, "3.14"},
               {2, 2.999, "2.99"},
               {2, 5, "5"},
               {2, 1.25, "1.25"},
               {0, 1.5, "1."},
               {1, -0.25, "-0.2"},
               {2, 1.234, "1.23"},
               {2, 1.5, "1.5"},
               {2, 0, "0"},
               {2, 1e15, "1E15"},
               {2, 0.00001, "1E-5"},
               {4, 0.0001, "0.0001"},
               {2, 123456789012345.0, "123456789012345"},
               {2, 1.0 / 3, "0.33"}};
  for (const auto& c : cases) EXPECT_EQ(FormatReal(c.decimals, c.x), c.text) << c.x;
}

TEST(TarnoTPU, TextHelpers) {
  EXPECT_EQ(LastPos(".", "a.b.c"), 4);
  EXPECT_EQ(LastPos(".", "abc"), 0);
  EXPECT_EQ(LastPos("", "abc"), 0);
  EXPECT_EQ(LastPos("ab", "abab"), 3);
  EXPECT_EQ(CopyRange("abcdef", 2, 4), "bcd");
  EXPECT_EQ(CopyRange("abcdef", 1, 0), "");
  EXPECT_EQ(CopyRange("abcdef", 0, 1), "ab");
  EXPECT_EQ(CopyRange("abc", 3, 10), "c");
  EXPECT_EQ(CopyRange("abc", 4, 10), "");
  EXPECT_EQ(ReverseText("abc"), "cba");
  EXPECT_EQ(ReverseText(""), "");
  EXPECT_EQ(IntText(-42), "-42");
  EXPECT_EQ(IntText(0), "0");
}

TEST(TarnoTPU, ShellOpenGoesThroughTheHook) {
  std::string opened;
  SetShellOpenHook([&](const std::string& t) { opened = t; });
  ShellOpen("https://velora.example/");
  SetShellOpenHook(nullptr);
  EXPECT_EQ(opened, "https://velora.example/");
}
