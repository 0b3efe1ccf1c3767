// The update check in the window, against a server on this machine, and the about box.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <csignal>
#include <cstdlib>

#include "loopback_http_server.h"
#include "mainform_fixture.h"
#include "window/FormAbout.h"
#include "window/last_check_date.h"

using namespace velora::app;
using namespace velora::app::testing;
using velora::test::HttpResponse;
using velora::test::LoopbackHttpServer;

namespace {

constexpr const char* kError =
    "Updating: error contacting the web site. Please manually check for updates.";

std::string Meta(const std::string& name, const std::string& value) {
  return "<META NAME=\"" + name + "\" CONTENT=\"" + value + "\">\r\n";
}

// The temporary folder, where a first download goes, as a folder of the test's own.
class ScopedTempFolder {
 public:
  ScopedTempFolder() {
    const char* old = std::getenv("TMPDIR");
    if (old) saved_ = old;
    hadOld_ = old != nullptr;
    setenv("TMPDIR", dir_.Root().c_str(), 1);
  }
  ~ScopedTempFolder() {
    if (hadOld_) {
      setenv("TMPDIR", saved_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  std::string Folder() const { return dir_.Root() + "/"; }

 private:
  velora::test::TempDir dir_;
  std::string saved_;
  bool hadOld_ = false;
};

class UpdateTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    updatePage = server.Url("/info.html");
    server.Serve("/update.bin", HttpResponse(200, "the new program"));
  }
  void Offer(const std::string& version) {
    server.Serve("/info.html",
                 HttpResponse(200, Meta("TarnoProduct", "Velora") + Meta("TarnoVersion", version) +
                                       Meta("TarnoDownload", server.Url("/update.bin")) +
                                       Meta("TarnoClientSideName", "velora-update.bin")));
  }
  size_t PageRequests() const {
    size_t n = 0;
    for (const auto& r : server.Requests()) n += r.target == "/info.html";
    return n;
  }
  // A window whose automatic check has had its chance to run.
  TMainForm& Started(const std::string& settings) {
    WriteSettings("[WindowState]\nLast_used_tab=0\n" + settings);
    TMainForm& f = MakeForm();
    QApplication::processEvents();
    return f;
  }

  // A window shown while its automatic check waits for a server that never answers.
  TMainForm& ShownWhileTheServerIsSilent() {
    server.Handle("/info.html", [](const velora::test::HttpRequest&,
                                   velora::test::HttpConnection& c) { c.Stall(); });
    WriteSettings("[WindowState]\nLast_used_tab=0\n");
    TMainForm& f = MakeForm();
    f.WebUpdate.StallTimeout = std::chrono::seconds(20);
    f.show();
    return f;
  }

  LoopbackHttpServer server;
  ScopedTempFolder temp;
};

}  // namespace

TEST_F(UpdateTest, TheAutomaticCheckRunsWhenDue) {
  Offer(velora::GetFileVersion());
  const double today = std::floor(NowAsDays());
  struct Case {
    const char* what;
    int interval;
    double lastCheck;
    bool due;
  };
  const Case cases[] = {
      {"never checked", 4, 0, true},
      {"five days ago", 4, today - 5, true},
      {"yesterday", 4, today - 1, false},
      {"interval 0", 0, 0, false},
      {"a date in the future", 4, today + 30, true},
      {"today, interval 1", 1, today, false},
  };
  for (const Case& c : cases) {
    const size_t before = PageRequests();
    TMainForm& f = Started("[Updates]\nspnAutoUpdate=" + std::to_string(c.interval) +
                           "\nLastCheck=" + FormatLastCheck(c.lastCheck) + "\n");
    EXPECT_EQ(PageRequests() - before, c.due ? 1u : 0u) << c.what;
    if (c.due) {
      EXPECT_NEAR(f.LastCheck, NowAsDays(), 0.01) << c.what;
      EXPECT_EQ(Status(), "Updating: no updates available at this time.") << c.what;
    }
  }
}

TEST_F(UpdateTest, VersionsAndTheirStatusTexts) {
  TMainForm& f = Started("[Updates]\nspnAutoUpdate=0\n");
  const std::string current = velora::GetFileVersion();
  Offer(current);
  f.mnuUpdates->trigger();
  EXPECT_EQ(Status(), "Updating: no updates available at this time.");
  Offer("0.9.9.9");
  f.mnuUpdates->trigger();
  EXPECT_EQ(Status(), "Updating: no updates available at this time.");
  EXPECT_TRUE(questions.empty());

  Offer("9.0.0.0");
  answer = true;
  f.mnuUpdates->trigger();
  EXPECT_EQ(Status().toStdString(),
            "A new version was found: 9.0.0.0   |    Your current version is: " + current);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], "Update has been downloaded to \n     " + temp.Folder() +
                              "\nDon't forget to close this program, before running the "
                              "update!\n\nDo you want to open this folder for you?");
  EXPECT_EQ(velora::test::ReadFile(temp.Folder() + "velora-update.bin"), "the new program");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], temp.Folder());

  // Found again: the copy in the temporary folder stays; this one goes to "Updates".
  answer = false;
  f.mnuUpdates->trigger();
  const std::string updates = velora::SettingsFolder(velora::kProductName) + "Updates/";
  EXPECT_EQ(velora::test::ReadFile(updates + "velora-update.bin"), "the new program");
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_NE(questions[1].find(updates), std::string::npos);
  EXPECT_EQ(opened.size(), 1u);  // "No" opens nothing
}

TEST_F(UpdateTest, FailuresEndWithTheErrorTextAndStillMoveTheLastCheck) {
  TMainForm& f = Started("[Updates]\nspnAutoUpdate=0\n");
  server.Serve("/info.html", HttpResponse(404, "not here"));
  f.LastCheck = 1000;
  f.mnuUpdates->trigger();
  EXPECT_EQ(Status(), kError);
  EXPECT_NEAR(f.LastCheck, NowAsDays(), 0.01);

  // The update file cannot be made (its folder is gone): no event from the checker, yet
  // the hopeful text does not stay.
  Offer("9.0.0.0");
  setenv("TMPDIR", (temp.Folder() + "missing").c_str(), 1);
  f.mnuUpdates->trigger();
  EXPECT_EQ(Status(), kError);
  EXPECT_TRUE(questions.empty());
}

TEST_F(UpdateTest, ASilentServerNeitherDelaysTheWindowNorKeepsItFromClosing) {
  QElapsedTimer clock;
  clock.start();
  TMainForm& f = ShownWhileTheServerIsSilent();
  bool painted = false;
  QTimer::singleShot(0, &f, [&] {
    // Inside the check, waiting for the silent server.
    painted = QTest::qWaitForWindowExposed(&f, 5000);
    EXPECT_TRUE(f.WebUpdate.Checking());
    f.close();
  });
  QTest::qWait(50);
  const qint64 waited = clock.elapsed();
  EXPECT_TRUE(painted);
  EXPECT_LT(waited, 10000);
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(f.SettingsSaved);
  EXPECT_NE(Status(), kError);  // nothing said after the window went
}

TEST_F(UpdateTest, TheEndOfTheSessionDuringACheckStopsTheTransferAndSaysNothing) {
  QElapsedTimer clock;
  clock.start();
  TMainForm& f = ShownWhileTheServerIsSilent();
  bool checking = false;
  QTimer::singleShot(0, &f, [&] {
    checking = f.WebUpdate.Checking();
    std::raise(SIGTERM);  // answered on the window thread, inside the check
  });
  QTest::qWait(50);
  EXPECT_TRUE(checking);
  EXPECT_LT(clock.elapsed(), 10000);
  EXPECT_FALSE(f.WebUpdate.Checking());
  EXPECT_TRUE(f.SettingsSaved);
  EXPECT_NE(Status(), kError);  // the program is ending: no text, no question
  EXPECT_TRUE(questions.empty());
}

TEST_F(UpdateTest, AnEmptyPageAddressTurnsCheckingOff) {
  updatePage.clear();
  TMainForm& f = Started("");
  EXPECT_FALSE(f.mnuUpdates->isVisible());
  EXPECT_FALSE(f.spnAutoUpdate->isVisibleTo(f.tabSettings));
  EXPECT_FALSE(f.Label2->isVisibleTo(f.tabSettings));
  f.CheckUpdates(true);
  EXPECT_EQ(PageRequests(), 0u);
}

TEST(AboutBox, ShowsTheVersionAndClosesOnAnyClickOrEsc) {
  for (int way = 0; way < 4; ++way) {
    TAboutBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.size(), QSize(634, 366));
    EXPECT_EQ(box.lblVersion->text().toStdString(), "Version " + velora::GetFileVersion());
    EXPECT_FALSE(box.lblCredits->text().isEmpty());
    EXPECT_EQ(box.lblVersion->pos(), QPoint(10, 14));
    EXPECT_EQ(box.lblCredits->pos(), QPoint(23, 201));
    switch (way) {
      case 0:
        QTest::mouseClick(box.aboutImage, Qt::LeftButton, {}, QPoint(300, 300));
        break;
      case 1:
        QTest::mouseClick(box.lblVersion, Qt::LeftButton);
        break;
      case 2:
        QTest::mouseClick(box.lblCredits, Qt::LeftButton);
        break;
      case 3:
        QTest::keyClick(&box, Qt::Key_Escape);
        break;
    }
    EXPECT_FALSE(box.isVisible()) << way;
  }
}

TEST(AboutBox, KeepsItsSizeWithoutItsPictureAndOpensCentred) {
  TAboutBox box(nullptr, ":/no-such-picture.png");
  EXPECT_EQ(box.size(), QSize(634, 366));
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_LE((box.geometry().center() - screen.center()).manhattanLength(), 2);
}

TEST_F(MainFormTest, TheAboutMenuOpensANewModalBoxEachTime) {
  TMainForm& f = ReadyForm();
  f.move(0, 0);
  for (int i = 0; i < 2; ++i) {
    TAboutBox* seen = nullptr;
    QTimer::singleShot(0, [&] {
      seen = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
      ASSERT_NE(seen, nullptr);
      EXPECT_TRUE(seen->isModal());
      QTest::keyClick(seen, Qt::Key_Escape);
    });
    f.mnuAbout->trigger();
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(f.findChildren<TAboutBox*>().size(), 0);  // released when it closed
  }
}
