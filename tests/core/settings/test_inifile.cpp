// The settings file: layout of what is written, reading rules, damaged files, failed writes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>

#include "settings/IniFile.h"
#include "test_util.h"

namespace velora {
namespace {

using namespace std::string_literals;
using test::ReadFile;
using test::TempDir;

struct Write {
  const char* section;
  const char* ident;
  const char* value;
};

struct LayoutCase {
  const char* name;
  const char* before;  // nullptr: no file yet
  std::vector<Write> writes;
  const char* after;
};

TEST(IniFile, WritesKeepTheLayoutRules) {
  const LayoutCase cases[] = {
      {"new file, sections in the order written",
       nullptr,
       {{"WindowState", "Left", "5"},
        {"Resize", "radXDecrease", "1"},
        {"WindowState", "Maximized", "0"},
        {"Updates", "spnAutoUpdate", "4"},
        {"Settings", "LastPath", "/home/a/"}},
       "[WindowState]\nLeft=5\nMaximized=0\n[Resize]\nradXDecrease=1\n[Updates]\nspnAutoUpdate=4\n"
       "[Settings]\nLastPath=/home/a/\n"},
      {"a key written again is replaced in place, matched without regard to case",
       "[resize]\nA=1\nB=2\n",
       {{"Resize", "a", "9"}},
       "[resize]\na=9\nB=2\n"},
      {"a new key goes to the end of its own section",
       "[A]\nx=1\n\n[B]\ny=2\n",
       {{"a", "z", "3"}},
       "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
      {"a section without keys gets its first key right after its header",
       "[A]\n[B]\nk=1\n",
       {{"A", "x", "1"}},
       "[A]\nx=1\n[B]\nk=1\n"},
      {"a file without a final line break gets one before the new key",
       "[A]\nx=1",
       {{"A", "y", "2"}, {"B", "z", "3"}},
       "[A]\nx=1\ny=2\n[B]\nz=3\n"},
      {"a last line ending in a bare CR keeps it as text when it gets its line break",
       "[A]\nx=1\r",
       {{"A", "y", "2"}},
       "[A]\nx=1\r\r\ny=2\n"},
      {"new lines take the file's CRLF line ends",
       "[A]\r\nx=1\r\n",
       {{"A", "y", "2"}, {"A", "x", "7"}},
       "[A]\r\nx=7\r\ny=2\r\n"},
      {"comments, unknown keys and stray lines stay untouched",
       "; written by hand\n[Settings]\nOldKey = kept \ngarbage line\n#note\n",
       {{"Settings", "trkQuality", "74"}},
       "; written by hand\n[Settings]\nOldKey = kept \ntrkQuality=74\ngarbage line\n#note\n"},
      {"a value is stored up to its first line break",
       nullptr,
       {{"S", "LastPath", "/a\n[Settings]\ntrkQuality=5"}},
       "[S]\nLastPath=/a\n"},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string path = dir.Path("VeloraResizer.INI");
    if (c.before) dir.Write("VeloraResizer.INI", std::string(c.before));
    TTarnoIniFile ini(path);
    for (const Write& w : c.writes) ini.WriteString(w.section, w.ident, w.value);
    EXPECT_EQ(ReadFile(path), c.after);
  }
}

TEST(IniFile, IntegersAndBooleansReadByTheIntegerRule) {
  const struct {
    const char* text;
    int expected;  // with the default 42
  } cases[] = {
      {"74", 74},
      {"-3", -3},
      {"+5", 5},
      {" 7 ", 7},
      {"0x1F", 31},
      {"0X1f", 31},
      {"$ff", 255},
      {"$FFFFFFFF", -1},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", 42},
      {"0x100000000", 42},
      {"abc", 42},
      {"", 42},
      {"0x", 42},
      {"$", 42},
      {"12abc", 42},
      {"1.5", 42},
  };
  TempDir dir;
  TTarnoIniFile ini(dir.Path("s.ini"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ini.WriteString("Settings", "value", c.text);
    EXPECT_EQ(ini.ReadInteger("Settings", "value", 42), c.expected);
    // Booleans are integers: anything but 0 is true; unreadable text gives the default.
    const bool unreadable = c.expected == 42;
    EXPECT_EQ(ini.ReadBool("Settings", "value", true), unreadable || c.expected != 0);
    EXPECT_EQ(ini.ReadBool("Settings", "value", false), !unreadable && c.expected != 0);
  }
  ini.WriteString("Settings", "chkPreview", "0x0");
  EXPECT_FALSE(ini.ReadBool("Settings", "chkPreview", true));
}

TEST(IniFile, ValuesRoundTripAndEveryWriteIsOnDiskAtOnce) {
  TempDir dir;
  const std::string path = dir.Path("s.ini");
  TTarnoIniFile writer(path);
  const TTarnoIniFile reader(path);
  EXPECT_EQ(reader.ReadInteger("Settings", "spnWidth", 200), 200);
  writer.WriteInteger("Settings", "spnWidth", -17);
  EXPECT_EQ(reader.ReadInteger("Settings", "spnWidth", 200), -17);
  writer.WriteBool("Settings", "chkSkins", true);
  writer.WriteBool("Settings", "chkSounds", false);
  writer.WriteString("Settings", "LastPath", "/home/Zoë/Bilder mit Leerzeichen/");
  writer.WriteString("Settings", "Empty", "");
  EXPECT_EQ(ReadFile(path),
            "[Settings]\nspnWidth=-17\nchkSkins=1\nchkSounds=0\n"
            "LastPath=/home/Zoë/Bilder mit Leerzeichen/\nEmpty=\n");
  EXPECT_TRUE(reader.ReadBool("SETTINGS", "chkskins", false));
  EXPECT_FALSE(reader.ReadBool("Settings", "chkSounds", true));
  EXPECT_EQ(reader.ReadString("settings", "LASTPATH", ""), "/home/Zoë/Bilder mit Leerzeichen/");
  EXPECT_EQ(reader.ReadString("Settings", "Empty", "default"), "");
  EXPECT_EQ(reader.ReadString("Settings", "Missing", "default"), "default");
  EXPECT_EQ(reader.ReadString("Other", "LastPath", "default"), "default");

  // A change made behind the object's back is seen by the next read: nothing is cached.
  dir.Write("s.ini", std::string("[Settings]\nspnWidth=3\n"));
  EXPECT_EQ(reader.ReadInteger("Settings", "spnWidth", 200), 3);
}

TEST(IniFile, SectionsAndKeysAreListedOnceInFileOrder) {
  TempDir dir;
  TTarnoIniFile ini(dir.Write("s.ini", std::string("[WindowState]\nTop=1\nWidth=2\ntop=3\n"
                                                   "[Resize]\n[windowstate]\nLeft=9\n")));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"WindowState", "Resize"}));
  EXPECT_EQ(ini.ReadSection("WINDOWSTATE"), (std::vector<std::string>{"Top", "Width"}));
  EXPECT_TRUE(ini.ReadSection("Resize").empty());
  EXPECT_TRUE(ini.SectionExists("resize"));
  EXPECT_FALSE(ini.SectionExists("Updates"));
  // The first of two sections or keys of one name is the one that counts.
  EXPECT_FALSE(ini.ValueExists("WindowState", "Left"));
  EXPECT_TRUE(ini.ValueExists("WindowState", "TOP"));
  EXPECT_EQ(ini.ReadInteger("WindowState", "Top", 50), 1);
}

TEST(IniFile, LongTextValuesAreReadCutTo2047Bytes) {
  TempDir dir;
  TTarnoIniFile ini(dir.Path("s.ini"));
  const std::string longPath = "/" + std::string(2999, 'a');
  ini.WriteString("Settings", "LastPath", longPath);
  EXPECT_EQ(ini.ReadString("Settings", "LastPath", ""), longPath.substr(0, 2047));
  // A two-byte character that would straddle the limit is left out whole.
  ini.WriteString("Settings", "LastPath", std::string(2046, 'a') + "\xC3\xA9xyz");
  EXPECT_EQ(ini.ReadString("Settings", "LastPath", ""), std::string(2046, 'a'));
}

TEST(IniFile, DamagedFilesGiveDefaultsForWhatCannotBeRead) {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
  const struct {
    const char* name;
    std::string content;
    int quality;       // ReadInteger("Settings", "trkQuality", 74)
    const char* path;  // ReadString("Settings", "LastPath", "default")
  } cases[] = {
      {"binary junk", junk, 74, "default"},
      {"binary junk around good lines", junk + "\n[Settings]\ntrkQuality=80\n" + junk, 80,
       "default"},
      {"an overlong line", "[Settings]\nLastPath=" + std::string(1 << 20, 'x') + "\ntrkQuality=9\n",
       9, nullptr},
      {"keys without a section", "trkQuality=80\nLastPath=/x/\n", 74, "default"},
      {"no final line break", "[Settings]\nLastPath=/x/\ntrkQuality=80", 80, "/x/"},
      {"CRLF line ends", "[Settings]\r\nLastPath=/x/\r\ntrkQuality=80\r\n", 80, "/x/"},
      {"a NUL inside a value ends it", "[Settings]\nLastPath=/x/\0junk\n"s, 74, "/x/"},
      {"a section line without its bracket", "[Settings\ntrkQuality=80\n", 80, "default"},
      {"an empty file", "", 74, "default"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TTarnoIniFile ini(dir.Write("s.ini", c.content));
    EXPECT_EQ(ini.ReadInteger("Settings", "trkQuality", 74), c.quality);
    if (c.path) {
      EXPECT_EQ(ini.ReadString("Settings", "LastPath", "default"), c.path);
    }
    EXPECT_TRUE(ini.ReadBool("Settings", "chkPreview", true));
    // Writing into a damaged file works and keeps what was there.
    ini.WriteInteger("Settings", "spnWH", 600);
    EXPECT_EQ(ini.ReadInteger("Settings", "spnWH", 0), 600);
  }
  // No file, or a folder where the file should be, reads as a file without keys.
  TempDir dir;
  EXPECT_EQ(TTarnoIniFile(dir.Path("missing.ini")).ReadInteger("Settings", "trkQuality", 74), 74);
  EXPECT_FALSE(TTarnoIniFile(dir.Root()).SectionExists("Settings"));
}

// The exception's text names the file by its full path.
void ExpectWriteFailure(const std::string& file, const std::string& fullPath) {
  try {
    TTarnoIniFile(file).WriteInteger("Settings", "trkQuality", 74);
    ADD_FAILURE() << "the write to " << file << " did not fail";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + fullPath);
  }
}

TEST(IniFile, AFailedWriteRaisesAndLeavesTheOldFileWhole) {
  TempDir dir;
  ExpectWriteFailure(dir.Path("no such folder/s.ini"), dir.Path("no such folder/s.ini"));
  std::filesystem::create_directory(dir.Path("folder.ini"));
  ExpectWriteFailure(dir.Path("folder.ini"), dir.Path("folder.ini"));
  const std::string previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Root());
  ExpectWriteFailure("no such folder/s.ini", dir.Path("no such folder/s.ini"));
  std::filesystem::current_path(previous);

  // A disk that fills up in the middle of a write: the file keeps its old content and no
  // temporary file is left behind.
  const std::string old = "[Settings]\nLastPath=/short/\n";
  const std::string path = dir.Write("s.ini", old);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 32;  // the new content is longer than this
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  ExpectWriteFailure(path, path);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(ReadFile(path), old);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Root())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"folder.ini", "s.ini"}));
}

TEST(IniFile, AWriteKeepsTheFilesModeAndASymbolicLink) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path("real"));
  const std::string real = dir.Write("real/s.ini", std::string("[A]\nx=1\n"));
  ASSERT_EQ(chmod(real.c_str(), 0640), 0);
  std::filesystem::create_symlink("real/s.ini", dir.Path("link.ini"));
  TTarnoIniFile(dir.Path("link.ini")).WriteInteger("A", "y", 2);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.ini")));
  EXPECT_EQ(ReadFile(real), "[A]\nx=1\ny=2\n");
  struct stat st {};
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace velora
