// The keyboard: the standard Quit key beside Ctrl+F4, a visible focus on every control, and
// Tab walking the window from the top left to the bottom right.
#include <QAction>
#include <QApplication>
#include <QFocusFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include "controls/focus_frame.h"
#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

namespace {

// The named control that holds the focus (a spin box's text field counts as the box).
std::string FocusName() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) {
      return w->objectName().toStdString();
    }
  }
  return "";
}

// The names Tab visits from the given control until it comes back round.
std::vector<std::string> TabWalk(TMainForm& f, QWidget* start, size_t max = 60) {
  f.activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
  start->setFocus(Qt::TabFocusReason);
  std::vector<std::string> names{FocusName()};
  for (size_t i = 0; i < max; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const std::string name = FocusName();
    if (name == names.front()) break;
    names.push_back(name);
  }
  return names;
}

}  // namespace

TEST_F(MainFormTest, CtrlQAndCtrlF4Quit) {
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_F4)}) {
    TMainForm& f = ReadyForm();
    EXPECT_TRUE(f.mnuExit2->shortcuts().contains(key)) << key.toString().toStdString();
    QTest::keySequence(&f, key);
    EXPECT_FALSE(f.isVisible()) << key.toString().toStdString();
    EXPECT_TRUE(f.SettingsSaved);
  }
}

TEST_F(MainFormTest, TabWalksEachPageFromTheTopLeftToTheBottomRight) {
  AddPicture("a.bmp", 4, 4);
  TMainForm& f = ReadyForm();
  std::vector<std::string> resizer = {
      "edtPath",    "btnBrowse",    "FilterCombo",     "FileList",
      "btnRefresh", "btnSellAll",   "btnInvert",       "PageControlTabs",
      "trkQuality", "radXDecrease", "chkNeverEnlarge", "spnRound",
      "spnZecimal", "btnStart",     "btnAbort",        "btnResult"};
  // A button that is disabled now (such as "Abort" outside a run) cannot take the focus.
  std::erase_if(resizer, [&](const std::string& name) {
    return !f.findChild<QWidget*>(QString::fromStdString(name))->isEnabled();
  });
  EXPECT_EQ(TabWalk(f, f.edtPath), resizer);

  f.PageControl->SetActivePageIndex(2);
  const std::vector<std::string> settings = {
      "PageControlTabs", "btnDesktopShortcut", "chkAutoStartUp", "radHintsOff",  "spnHideHint",
      "chkSkins",        "chkSounds",          "chkTrayIcon",    "spnOpacity",   "chkProtect",
      "chkPreview",      "cmbResampleQ",       "chkAddFltName",  "chkOverwrite", "edtPath",
      "btnBrowse",       "FilterCombo",        "FileList",       "btnRefresh",   "btnSellAll",
      "btnInvert"};
  EXPECT_EQ(TabWalk(f, f.PageControl->TabBar()), settings);
}

TEST_F(MainFormTest, EveryControlShowsTheKeyboardFocus) {
  AddPicture("a.bmp", 4, 4);
  TMainForm& f = ReadyForm();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  const auto* frame = f.findChild<QFocusFrame*>("FocusFrame");
  ASSERT_NE(frame, nullptr);
  // The kinds the styles draw no focus for get the frame; the others draw their own.
  struct Case {
    QWidget* widget;
    bool framed;
  };
  const Case cases[] = {
      {f.trkQuality, true}, {f.FileList, true}, {f.btnStart, false}, {f.edtPath, false}};
  for (const Case& c : cases) {
    c.widget->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(frame->widget() == c.widget && frame->isVisible(), c.framed)
        << c.widget->objectName().toStdString();
  }
  f.PageControl->SetActivePageIndex(4);
  f.Memo->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(frame->widget(), static_cast<QWidget*>(f.Memo));
}
