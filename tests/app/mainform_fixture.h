#pragma once
// The main window under test: a home and settings folder of its own, a folder of small
// pictures, a pretend tray, and every message, question, opened address and desktop
// entry recorded instead of shown or written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controls/PATHEdit.h"
#include "controls/PageControl.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "controls/click_label.h"
#include "controls/question_box.h"
#include "desktop_fakes.h"
#include "picture/picture.h"
#include "preview/PreviewImage.h"
#include "scoped_home.h"
#include "test_util.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"

namespace velora::app::testing {

struct Message {
  MessageKind kind;
  std::string text;
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedCurrent_ = QDir::currentPath();
    RecordBoxes();
  }

  // Every message, question and opened address is recorded instead of shown.
  void RecordBoxes() {
    SetMessageHook([this](MessageKind kind, const std::string& text) {
      messages.push_back({kind, text});
      if (onMessage) onMessage(kind, text);
    });
    SetShellOpenHook([this](const std::string& target) { opened.push_back(target); });
    SetQuestionHook([this](const std::string&, const std::string& text) {
      questions.push_back(text);
      return answer;
    });
  }

  void TearDown() override {
    form.reset();
    SetMessageHook(nullptr);
    SetShellOpenHook(nullptr);
    SetQuestionHook(nullptr);
    QDir::setCurrent(savedCurrent_);
  }

  // A window as the program makes it, before (or, with lateInit, after) its start-up.
  TMainForm& MakeForm(bool lateInit = true) {
    form.reset();
    TMainFormServices services;
    services.Entries = entries;
    services.MakeTray = [this] { return std::make_unique<FakeTray>(&tray); };
    form = std::make_unique<TMainForm>(services);
    form->UpdatePageURL = updatePage;  // no test reaches beyond this machine
    form->Links = links;
    form->UserGuide = userGuide;
    if (lateInit) form->LateInit();
    return *form;
  }

  // A window past its first run, showing the picture folder, with "Image resizer" active.
  TMainForm& ReadyForm() {
    WriteSettings("[Settings]\nLastPath=" + Folder() + "\nchkPreview=0\n");
    TMainForm& f = MakeForm();
    f.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
    f.PageControl->SetActivePageIndex(0);
    return f;
  }

  std::string SettingsPath() const { return TMainForm::SettingsFilePath(); }
  // Ends the window under test first: its own save would replace the file.
  void WriteSettings(const std::string& text) {
    form.reset();
    ForceFolder(FolderPart(SettingsPath()));
    std::ofstream(SettingsPath(), std::ios::binary) << text;
  }
  std::string SettingsText() const { return test::ReadFile(SettingsPath()); }

  // The picture folder, with a trailing "/".
  std::string Folder() const { return pictures.Root() + "/"; }
  // A BMP of the given size with a pattern that differs by seed.
  std::string AddPicture(const std::string& name, int width, int height, unsigned seed = 1) {
    TBitmap bitmap;
    test::FillPattern(bitmap, width, height, seed);
    const std::string path = pictures.Path(name);
    bitmap.SaveFile(path);
    return path;
  }

  QString Status() const { return form->StatBar->currentMessage(); }
  std::vector<std::string> Texts(MessageKind kind) const {
    std::vector<std::string> texts;
    for (const Message& m : messages) {
      if (m.kind == kind) texts.push_back(m.text);
    }
    return texts;
  }

  ScopedHome home;
  test::TempDir pictures;
  FakeTrayState tray;
  std::shared_ptr<RecordingDesktopEntries> entries = std::make_shared<RecordingDesktopEntries>();
  std::vector<Message> messages;
  std::function<void(MessageKind, const std::string&)> onMessage;
  std::vector<std::string> opened;
  std::vector<std::string> questions;
  bool answer = false;
  std::string updatePage;  // the update check's page; empty: no checks
  TWebAddresses links;     // the product's pages; empty ones are hidden
  std::string userGuide;   // the installed guide; empty: none
  std::unique_ptr<TMainForm> form;

 private:
  QString savedCurrent_;
};

}  // namespace velora::app::testing
