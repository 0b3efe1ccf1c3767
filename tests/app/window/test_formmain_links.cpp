// The product's web addresses and the user guide: an address left empty hides what would
// open it, F1 falls back to the guide installed with the program, and the guide the build
// made is where the program looks for it.
#include <QAction>
#include <QFile>
#include <QPushButton>
#include <fstream>

#include "controls/internet_label.h"
#include "mainform_fixture.h"
#include "window/user_guide.h"

using namespace velora::app;
using namespace velora::app::testing;
using velora::FolderPart;
using velora::ForceFolder;

namespace {

struct Shown {
  bool www, programPage, similar, support, manual;
};

Shown WhatShows(const TMainForm& f) {
  return {f.InternetLabel->isVisibleTo(f.pnlHeader), f.mnuProgramPage->isVisible(),
          f.mnuCompanyPage->isVisible(),
          f.mnuSupport->isVisible() && f.btnSupport->isVisibleTo(f.tabResizer),
          f.mnuOnlineHelp->isVisible() && f.btnManual->isVisibleTo(f.tabResizer)};
}

}  // namespace

TEST_F(MainFormTest, EachEmptyAddressHidesWhatWouldOpenIt) {
  const std::string guide = pictures.Write("guide.html", "<html></html>");
  struct Case {
    TWebAddresses links;
    std::string userGuide;
    Shown shown;
  };
  const Case cases[] = {
      {{}, "", {false, false, false, false, false}},
      {{}, guide, {false, false, false, false, true}},
      {{"http://127.0.0.1:9/p", "", "", ""}, "", {true, true, false, false, false}},
      {{"", "http://127.0.0.1:9/m", "", ""}, "", {false, false, false, false, true}},
      {{"", "", "http://127.0.0.1:9/v", ""}, "", {false, false, true, false, false}},
      {{"", "", "", "http://127.0.0.1:9/s"}, "", {false, false, false, true, false}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    links = cases[i].links;
    userGuide = cases[i].userGuide;
    TMainForm& f = ReadyForm();
    const Shown shown = WhatShows(f);
    EXPECT_EQ(shown.www, cases[i].shown.www) << i;
    EXPECT_EQ(shown.programPage, cases[i].shown.programPage) << i;
    EXPECT_EQ(shown.similar, cases[i].shown.similar) << i;
    EXPECT_EQ(shown.support, cases[i].shown.support) << i;
    EXPECT_EQ(shown.manual, cases[i].shown.manual) << i;
  }
}

TEST_F(MainFormTest, EveryLinkOpensItsOwnAddress) {
  links = {"http://127.0.0.1:9/product", "http://127.0.0.1:9/manual", "http://127.0.0.1:9/vendor",
           "http://127.0.0.1:9/forum"};
  OpenedUrls desktop;  // the header label hands its address to the desktop itself
  TMainForm& f = ReadyForm();
  emit f.InternetLabel->Click();
  ASSERT_EQ(desktop.urls.size(), 1u);
  EXPECT_EQ(desktop.urls[0], QUrl("http://127.0.0.1:9/product"));
  f.mnuProgramPage->trigger();
  f.mnuCompanyPage->trigger();
  f.mnuSupport->trigger();
  QTest::keyClick(&f, Qt::Key_F1);
  f.btnManual->click();
  f.lblAspectClick();
  const std::vector<std::string> expected = {
      "http://127.0.0.1:9/product", "http://127.0.0.1:9/vendor", "http://127.0.0.1:9/forum",
      "http://127.0.0.1:9/manual",  "http://127.0.0.1:9/manual", "http://127.0.0.1:9/manual"};
  EXPECT_EQ(opened, expected);
  EXPECT_TRUE(f.WelcomeText.contains("for more downloads.\nhttp://127.0.0.1:9/vendor"));
}

TEST_F(MainFormTest, WithoutAWebManualF1OpensTheInstalledGuide) {
  userGuide = pictures.Write("user-guide.html", "<html></html>");
  TMainForm& f = ReadyForm();
  QTest::keyClick(&f, Qt::Key_F1);
  f.btnManual->click();
  const std::vector<std::string> expected = {userGuide, userGuide};
  EXPECT_EQ(opened, expected);
  // Without a vendor's site the log starts as the plain log it is: no sentence that
  // points nowhere.
  EXPECT_FALSE(f.WelcomeText.contains("web site"));
}

TEST(UserGuide, FoundBesideTheProgramInstalledOrBuilt) {
  velora::test::TempDir root;
  const std::string relative = UserGuideBelowPrefix();
  ForceFolder(root.Path("usr/bin/"));
  ForceFolder(root.Path("build/src/app/"));
  EXPECT_EQ(FindUserGuide(root.Path("usr/bin/")), "");
  for (const std::string prefix : {"usr/", "build/"}) {
    const std::string guide = root.Path(prefix + relative);
    ForceFolder(FolderPart(guide));
    std::ofstream(guide) << "<html></html>";
  }
  EXPECT_EQ(FindUserGuide(root.Path("usr/bin/")), root.Path("usr/" + relative));
  EXPECT_EQ(FindUserGuide(root.Path("build/src/app/")), root.Path("build/" + relative));
}

TEST(UserGuide, TheBuildMadeItFromTheProjectsText) {
  const std::string guide = FindUserGuide(std::string(VELORA_BINARY_DIR) + "/src/app/");
  ASSERT_FALSE(guide.empty());
  const std::string page = velora::test::ReadFile(guide);
  EXPECT_NE(page.find("<title>Velora Image Resizer user guide</title>"), std::string::npos);
  for (const char* words : {"<h2>Keys</h2>", "F9", "Ctrl+Q", "Start when I log in"}) {
    EXPECT_NE(page.find(words), std::string::npos) << words;
  }
}
