// The command line: the names given, made absolute against the folder the program was
// started in; a start without names and without settings opens the user's pictures.
#include <QDir>

#include "mainform_fixture.h"
#include "window/command_line.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST(CommandLine, NamesAreTakenAsGivenAndMadeAbsoluteAgainstTheStartFolder) {
  struct Case {
    const char* what;
    QStringList raw;   // argv as the program received it
    QStringList kept;  // what Qt leaves after taking its own options
    QStringList paths;
  };
  const QString start = "/home/u/odd";
  const Case cases[] = {
      {"nothing", {"velora-resizer"}, {"velora-resizer"}, {}},
      {"the current folder", {"v", "."}, {"v", "."}, {"/home/u/odd"}},
      {"a file here", {"v", "normal.jpg"}, {"v", "normal.jpg"}, {"/home/u/odd/normal.jpg"}},
      {"a file below", {"v", "sub/x.jpg"}, {"v", "sub/x.jpg"}, {"/home/u/odd/sub/x.jpg"}},
      {"the folder above", {"v", ".."}, {"v", ".."}, {"/home/u"}},
      {"an absolute name", {"v", "/p/./q/"}, {"v", "/p/./q/"}, {"/p/q"}},
      {"a name beginning with -", {"v", "-x.jpg"}, {"v", "-x.jpg"}, {"/home/u/odd/-x.jpg"}},
      {"Qt's options are not names",
       {"v", "-style", "Fusion", "a.jpg"},
       {"v", "a.jpg"},
       {"/home/u/odd/a.jpg"}},
      {"after --, Qt's options are names too",
       {"v", "a.jpg", "--", "-reverse", "--", "b.jpg"},
       {"v", "a.jpg", "--", "--", "b.jpg"},
       {"/home/u/odd/a.jpg", "/home/u/odd/-reverse", "/home/u/odd/--", "/home/u/odd/b.jpg"}},
      {"an empty name", {"v", ""}, {"v", ""}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AbsolutePaths(CommandLineNames(c.raw, c.kept), start), c.paths) << c.what;
  }
}

// Where a clean start (no settings, no names) looks: the pictures folder the desktop names,
// else the home folder; never the program's own folder.
TEST_F(MainFormTest, ACleanStartOpensThePicturesFolderElseHome) {
  struct Case {
    const char* what;
    std::string userDirs;  // user-dirs.dirs, or "" for none
    std::string folder;    // made when not empty, below the home folder
    std::string expected;  // below the home folder
  };
  const Case cases[] = {
      {"named and present", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "Bilder", "Bilder/"},
      {"named but missing", "XDG_PICTURES_DIR=\"$HOME/Gone\"\n", "", ""},
      {"not named", "", "", ""},
  };
  for (const Case& c : cases) {
    form.reset();
    std::remove(SettingsPath().c_str());
    const std::string homeFolder = home.Home();
    const std::string dirs = homeFolder + "/.config/user-dirs.dirs";
    std::remove(dirs.c_str());
    if (!c.userDirs.empty()) {
      velora::ForceFolder(homeFolder + "/.config/");
      std::ofstream(dirs) << c.userDirs;
    }
    if (!c.folder.empty()) velora::ForceFolder(homeFolder + "/" + c.folder + "/");
    TMainForm& f = MakeForm();
    EXPECT_EQ(f.edtPath->text().toStdString(), homeFolder + "/" + c.expected) << c.what;
    EXPECT_EQ(f.FileList->Folder().toStdString() + "/", homeFolder + "/" + c.expected) << c.what;
    EXPECT_NE(f.edtPath->text().toStdString(), velora::AppFolder()) << c.what;
  }
}
