// The end of the session while a box is open: the box takes its safe choice at once, the
// settings are saved, and the code that waited on the box goes on to the end.
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>

#include "controls/TarnoSelectFolder.h"
#include "desktop/message_boxes.h"
#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

TEST_F(MainFormTest, TheEndOfTheSessionAnswersAnOpenBoxWithItsSafeChoice) {
  struct Case {
    const char* what;
    std::function<bool()> show;  // shows the box; its answer
    bool safeAnswer;
  };
  const Case cases[] = {
      {"the update's question",
       [] { return AskYesNo("Velora Image Resizer", "A new version is available. Download it?"); },
       false},
      {"a message box",
       [] {
         velora::MsgInfo("Please read this.");
         return true;
       },
       true},
      {"the folder chooser",
       [] {
         QString folder = "/";
         return BrowseForFolder("Browse for images", folder);
       },
       false},
  };
  for (const int signal : {SIGTERM, SIGHUP}) {
    for (const Case& c : cases) {
      TMainForm& f = ReadyForm();
      // The real boxes, shown as the program shows them.
      InstallMessageBoxes();
      SetQuestionHook(nullptr);
      QTimer::singleShot(100, [signal] { std::raise(signal); });
      // Should the box stay, it is closed after a while so the test fails instead of waiting.
      QTimer rescue;
      rescue.setSingleShot(true);
      QObject::connect(&rescue, &QTimer::timeout, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
      });
      rescue.start(5000);
      QElapsedTimer clock;
      clock.start();
      const bool answer = c.show();
      EXPECT_LT(clock.elapsed(), 100 + 1000) << c.what;
      EXPECT_EQ(answer, c.safeAnswer) << c.what;
      EXPECT_TRUE(f.SettingsSaved) << c.what;
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.what;
      // Back to the recorders of the fixture for the next window.
      RecordBoxes();
    }
  }
}
