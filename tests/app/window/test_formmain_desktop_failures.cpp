// What the desktop cannot do is said, once: no program to open an address or folder, no
// desktop folder for the launcher.
#include <QAction>
#include <QPushButton>

#include "controls/internet_label.h"
#include "desktop/shell_open.h"
#include "mainform_fixture.h"
#include "window/web_addresses.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, NoProgramToOpenAnAddressOrFolderIsSaid) {
  links = {"http://127.0.0.1:9/product", "http://127.0.0.1:9/manual", "", ""};
  TMainForm& f = ReadyForm();
  // The program's own opener, over a desktop that has no program for anything.
  InstallShellOpen();
  struct RestoreOpener {
    ~RestoreOpener() { SetDesktopOpener(nullptr); }
  } restore;
  std::vector<QUrl> asked;
  SetDesktopOpener([&asked](const QUrl& url) {
    asked.push_back(url);
    return false;
  });
  struct Case {
    const char* what;
    std::function<void()> press;
    std::string target;
  };
  const Case cases[] = {
      {"F1", [&f] { QTest::keyClick(&f, Qt::Key_F1); }, links.OnlineManual},
      {"Online manual", [&f] { f.btnManual->click(); }, links.OnlineManual},
      {"Show result", [&f] { f.btnResult->click(); }, Folder() + "Output/"},
      {"Program web page", [&f] { f.mnuProgramPage->trigger(); }, links.ProductPage},
      {"the header's link", [&f] { QTest::mouseClick(f.InternetLabel, Qt::LeftButton); },
       links.ProductPage},
  };
  for (const Case& c : cases) {
    messages.clear();
    asked.clear();
    c.press();
    EXPECT_EQ(asked.size(), 1u) << c.what;
    ASSERT_EQ(messages.size(), 1u) << c.what;
    EXPECT_EQ(messages[0].kind, velora::MessageKind::Warning) << c.what;
    EXPECT_EQ(messages[0].text, NoProgramText(c.target)) << c.what;
  }
  // A desktop that opens it: not a word.
  messages.clear();
  SetDesktopOpener([](const QUrl&) { return true; });
  f.btnManual->click();
  EXPECT_TRUE(messages.empty());
}

TEST_F(MainFormTest, ALauncherThatCannotBeWrittenIsSaidOnThePressOnly) {
  // No desktop folder: not at the first start (it is no error there), but on the button.
  entries->writes = false;
  TMainForm& f = MakeForm();
  ASSERT_TRUE(f.FirstRun);
  EXPECT_EQ(entries->shortcuts.size(), 1u);
  EXPECT_TRUE(messages.empty());
  f.btnDesktopShortcut->click();
  EXPECT_EQ(entries->shortcuts.size(), 2u);
  ASSERT_EQ(Texts(velora::MessageKind::Error).size(), 1u);
  EXPECT_EQ(Texts(velora::MessageKind::Error)[0],
            "Cannot create the launcher \"Velora Image Resizer.desktop\": there is no desktop "
            "folder (it would be " +
                home.Home() + "/Desktop/).");
}
