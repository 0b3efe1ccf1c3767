// The launcher and the start-up entry: what is written where, and that the program's
// path survives the Desktop Entry quoting whatever characters it holds.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "desktop/desktop_entries.h"
#include "scoped_home.h"
#include "util/TarnoTPU.h"

namespace velora::app {
namespace {

using testing::ScopedHome;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

QStringList FilesIn(const std::string& folder) {
  return QDir(QString::fromStdString(folder))
      .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Collects the messages the functions show.
struct MessageRecorder {
  MessageRecorder() {
    SetMessageHook([this](MessageKind kind, const std::string& text) {
      messages.push_back({kind, text});
    });
  }
  ~MessageRecorder() { SetMessageHook(nullptr); }
  std::vector<std::pair<MessageKind, std::string>> messages;
};

struct ExecCase {
  std::string argument;
  std::string written;  // as it stands in the file after "Exec="
};

TEST(DesktopExecArgument, QuotesAndEscapesByTheDesktopEntryRules) {
  const ExecCase cases[] = {
      {"/usr/bin/velora-resizer", R"("/usr/bin/velora-resizer")"},
      {"/opt/my apps/velora", R"("/opt/my apps/velora")"},
      {R"(/a"b)", R"("/a\\"b")"},
      {"/a`b", R"("/a\\`b")"},
      {"/a$HOME", R"("/a\\$HOME")"},
      {R"(/a\b)", R"("/a\\\\b")"},
      {"/100%/x%f", R"("/100%%/x%%f")"},
      {R"(/"$`\%)", R"("/\\"\\$\\`\\\\%%")"},
      {"/it's;a&b|c*d?e#f(g)h<i>j~k", R"("/it's;a&b|c*d?e#f(g)h<i>j~k")"},
      {"/Bilder/Größe ½/€", R"("/Bilder/Größe ½/€")"},
  };
  for (const auto& c : cases) {
    const auto written = DesktopExecArgument(c.argument);
    ASSERT_TRUE(written.has_value()) << c.argument;
    EXPECT_EQ(*written, c.written) << c.argument;
  }
}

TEST(DesktopExecArgument, RefusesControlCharactersAndBrokenUtf8) {
  const std::string refused[] = {
      "/a\nb",          "/a\rb", "/a\tb", std::string("/a\0b", 4), "/a\x1b[0m", "/a\x7f",
      "/a\xff",          // no UTF-8 lead byte
      "/a\xc3",          // cut short
      "/a\xc0\xaf",      // overlong "/"
      "/a\xed\xa0\x80",  // a surrogate
  };
  for (const auto& text : refused) {
    EXPECT_FALSE(DesktopExecArgument(text).has_value()) << text;
    EXPECT_FALSE(DesktopStringValue(text).has_value()) << text;
  }
  EXPECT_EQ(DesktopStringValue(R"(C:\odd\name)"), R"(C:\\odd\\name)");
}

// The desktop's own launcher reads the entry back: a program at a path full of the
// characters that need quoting starts, and sees its own path unchanged. (GLib checks that
// the program exists before it turns "%%" into "%", so it cannot start a program whose
// path holds a "%"; that character is left to the table above.)
TEST(DesktopExecArgument, TheDesktopStartsTheProgramAtItsOwnPath) {
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  if (gio.isEmpty()) GTEST_SKIP() << "gio is not installed";
  ScopedHome home;
  const std::string folder = home.MakeFolder(R"(odd "$HOME" `x` \n 'y')");
  const std::string program = folder + "/report $0";
  const std::string record = home.Home() + "/started-as";
  {
    std::ofstream script(program);
    script << "#!/bin/sh\nprintf '%s' \"$0\" > '" << record << "'\n";
  }
  ::chmod(program.c_str(), 0755);
  const std::string entry = home.Home() + "/odd.desktop";
  {
    std::ofstream out(entry);
    out << "[Desktop Entry]\nType=Application\nName=Odd\nExec=" << *DesktopExecArgument(program)
        << "\n";
  }
  QProcess launch;
  launch.start(gio, {QStringLiteral("launch"), QString::fromStdString(entry)});
  ASSERT_TRUE(launch.waitForFinished(10000));
  ASSERT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
  for (int i = 0; i < 100 && !Exists(record); ++i) QThread::msleep(50);
  QThread::msleep(50);  // the record is written in one printf
  EXPECT_EQ(ReadFile(record), program);
}

TEST(AutoStart, EnablingWritesTheEntryAndDisablingRemovesIt) {
  ScopedHome home;
  MessageRecorder messages;
  const std::string entry = home.Home() + "/.config/autostart/velora-resizer.desktop";
  EXPECT_EQ(AutoStartEntryPath("/opt/Velora 1/velora-resizer"), entry);

  ASSERT_TRUE(SetAutoStart("/opt/Velora 1/velora-resizer", true));
  EXPECT_EQ(ReadFile(entry),
            "[Desktop Entry]\nType=Application\nName=Velora Image Resizer\n"
            "Exec=\"/opt/Velora 1/velora-resizer\"\nIcon=example.velora.ImageResizer\n");
  EXPECT_EQ(FilesIn(home.Home() + "/.config/autostart"), QStringList{"velora-resizer.desktop"});

  // Written again at each start while the setting is on, with the current path.
  ASSERT_TRUE(SetAutoStart("/usr/bin/velora-resizer", true));
  EXPECT_NE(ReadFile(entry).find("Exec=\"/usr/bin/velora-resizer\"\n"), std::string::npos);

  EXPECT_TRUE(SetAutoStart("/usr/bin/velora-resizer", false));
  EXPECT_FALSE(Exists(entry));
  EXPECT_TRUE(SetAutoStart("/usr/bin/velora-resizer", false));  // nothing to remove: no error
  EXPECT_TRUE(messages.messages.empty());
}

TEST(AutoStart, TheEntryIsNamedAfterTheExecutableWithoutItsExtension) {
  ScopedHome home;
  const std::string autostart = home.Home() + "/.config/autostart/";
  EXPECT_EQ(AutoStartEntryPath("/opt/velora/VeloraResizer.bin"),
            autostart + "VeloraResizer.desktop");
  EXPECT_EQ(AutoStartEntryPath("/opt/velora/velora-resizer"), autostart + "velora-resizer.desktop");
  EXPECT_EQ(AutoStartEntryPath("/opt/velora.d/velora"), autostart + "velora.desktop");
}

TEST(AutoStart, TheRunningProgramsEntryStartsThisExecutable) {
  ScopedHome home;
  ASSERT_TRUE(SetAppAutoStart(true));
  const std::string self = AppExePath();
  const std::string entry = AutoStartEntryPath(self);
  EXPECT_EQ(entry, home.Home() + "/.config/autostart/" + NamePart(self) + ".desktop");
  EXPECT_NE(ReadFile(entry).find("Exec=" + *DesktopExecArgument(self) + "\n"), std::string::npos);
  ASSERT_TRUE(SetAppAutoStart(false));
  EXPECT_FALSE(Exists(entry));
}

TEST(AutoStart, AWriteThatFailsIsReportedAndLeavesNothingBehind) {
  ScopedHome home;
  MessageRecorder messages;
  // A folder where the entry should be: the entry cannot replace it.
  home.MakeFolder(".config/autostart/velora-resizer.desktop");
  EXPECT_FALSE(SetAutoStart("/opt/velora/velora-resizer", true));
  // A path no entry can carry.
  EXPECT_FALSE(SetAutoStart("/opt/new\nline/velora-resizer", true));
  const std::vector<std::pair<MessageKind, std::string>> expected = {
      {MessageKind::Error, "Failed to set data for 'velora-resizer'"},
      {MessageKind::Error, "Failed to set data for 'velora-resizer'"}};
  EXPECT_EQ(messages.messages, expected);
  EXPECT_EQ(FilesIn(home.Home() + "/.config/autostart"), QStringList{});
}

TEST(AutoStart, WithoutAConfigFolderNothingHappensAndNothingIsSaid) {
  ScopedHome home;
  MessageRecorder messages;
  unsetenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(AutoStartEntryPath("/usr/bin/velora-resizer"), "");
  EXPECT_FALSE(SetAutoStart("/usr/bin/velora-resizer", true));
  EXPECT_FALSE(SetAutoStart("/usr/bin/velora-resizer", false));
  EXPECT_TRUE(messages.messages.empty());
}

std::string LauncherText(const std::string& exec) {
  return "[Desktop Entry]\nType=Application\nName=Velora Image Resizer\nExec=" + exec +
         "\nPath=" + *DesktopStringValue(AppFolder()) + "\nIcon=example.velora.ImageResizer\n";
}

TEST(Shortcut, TheLauncherOnTheDesktopStartsTheTargetInTheProgramsFolder) {
  ScopedHome home;
  const std::string desktop = home.MakeFolder("Desktop");
  const std::string launcher = desktop + "/Velora Image Resizer.desktop";
  EXPECT_EQ(ShortcutPath("Velora Image Resizer", true), launcher);

  ASSERT_TRUE(CreateShortcut("Velora Image Resizer", "/opt/Velora $1/velora-resizer", true));
  EXPECT_EQ(ReadFile(launcher), LauncherText(R"("/opt/Velora \\$1/velora-resizer")"));
  struct stat st {};
  ASSERT_EQ(::stat(launcher.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0111u) << std::oct << st.st_mode;
  EXPECT_EQ(FilesIn(desktop), QStringList{"Velora Image Resizer.desktop"});

  // A second press replaces it without a question and it stays executable.
  ASSERT_TRUE(CreateShortcut("Velora Image Resizer", "/usr/bin/velora-resizer", true));
  EXPECT_EQ(ReadFile(launcher), LauncherText(R"("/usr/bin/velora-resizer")"));
  ASSERT_EQ(::stat(launcher.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0111u);
  EXPECT_EQ(FilesIn(desktop), QStringList{"Velora Image Resizer.desktop"});
}

TEST(Shortcut, TheLauncherIsAValidDesktopEntry) {
  const QString validate = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
  if (validate.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
  ScopedHome home;
  home.MakeFolder("Desktop");
  ASSERT_TRUE(CreateShortcut("Velora Image Resizer", R"(/opt/"a" `b` $c \d 5%/velora)", true));
  ASSERT_TRUE(SetAutoStart(R"(/opt/"a" `b` $c \d 5%/velora-resizer)", true));
  for (const std::string& entry :
       {ShortcutPath("Velora Image Resizer", true), AutoStartEntryPath("/x/velora-resizer")}) {
    QProcess check;
    check.start(validate, {QString::fromStdString(entry)});
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
  }
}

TEST(Shortcut, TheDesktopFolderNamedInUserDirsIsUsed) {
  ScopedHome home;
  const std::string desktop = home.MakeFolder("Schreibtisch");
  home.MakeFolder(".config");
  std::ofstream(home.Home() + "/.config/user-dirs.dirs")
      << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  ASSERT_TRUE(CreateAppShortcut("Velora Image Resizer", true));
  EXPECT_EQ(ReadFile(desktop + "/Velora Image Resizer.desktop"),
            LauncherText(*DesktopExecArgument(AppExePath())));

  // A FIFO or a device in its place is not read (it would block or never end): the
  // usual Desktop folder then.
  const std::string dirs = home.Home() + "/.config/user-dirs.dirs";
  const std::string usual = home.MakeFolder("Desktop");
  ::unlink(dirs.c_str());
  ASSERT_EQ(::mkfifo(dirs.c_str(), 0644), 0);
  EXPECT_EQ(ShortcutPath("Velora Image Resizer", true), usual + "/Velora Image Resizer.desktop");
  ::unlink(dirs.c_str());
  std::filesystem::create_symlink("/dev/zero", dirs);
  EXPECT_EQ(ShortcutPath("Velora Image Resizer", true), usual + "/Velora Image Resizer.desktop");
}

TEST(Shortcut, WithoutADesktopFolderNothingIsWritten) {
  ScopedHome home;
  EXPECT_EQ(ShortcutPath("Velora Image Resizer", true), "");
  EXPECT_FALSE(CreateAppShortcut("Velora Image Resizer", true));
  // user-dirs.dirs names the home itself: the desktop is turned off.
  home.MakeFolder(".config");
  std::ofstream(home.Home() + "/.config/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/\"\n";
  EXPECT_EQ(ShortcutPath("Velora Image Resizer", true), "");
  EXPECT_FALSE(CreateAppShortcut("Velora Image Resizer", true));
  EXPECT_EQ(FilesIn(home.Home()), QStringList{});
  // A target no entry can carry writes nothing either.
  home.MakeFolder("Desktop");
  EXPECT_FALSE(CreateShortcut("Velora Image Resizer", "/opt/a\tb", true));
  EXPECT_EQ(FilesIn(home.Home() + "/Desktop"), QStringList{});
}

TEST(Shortcut, OffTheDesktopItGoesIntoTheApplicationsMenu) {
  ScopedHome home;
  const std::string launcher =
      home.Home() + "/.local/share/applications/Velora Image Resizer.desktop";
  ASSERT_TRUE(CreateShortcut("Velora Image Resizer", "/usr/bin/velora-resizer", false));
  EXPECT_EQ(ReadFile(launcher), LauncherText(R"("/usr/bin/velora-resizer")"));
}

}  // namespace
}  // namespace velora::app
