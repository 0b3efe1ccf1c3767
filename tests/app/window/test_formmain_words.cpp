// The window's words: captions that named another platform use the Linux desktop's words,
// and misspelled captions and hints are spelled right.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "controls/TarnoSelectFolder.h"
#include "mainform_fixture.h"

using namespace velora::app;
using namespace velora::app::testing;

namespace {

QString Caption(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  return QString();
}

// Every caption and hint a widget and its children show.
QStringList Words(const QWidget& root) {
  QStringList words{Caption(&root), root.toolTip()};
  for (const QWidget* w : root.findChildren<QWidget*>()) words << Caption(w) << w->toolTip();
  return words;
}

}  // namespace

TEST_F(MainFormTest, CaptionsAndHintsReadAsOnALinuxDesktop) {
  TMainForm& f = ReadyForm();
  struct Case {
    const char* name;
    const char* caption;  // nullptr: not checked
    const char* hint;     // nullptr: not checked
  };
  const Case cases[] = {
      {"chkAutoStartUp", "Start when I log in", "This program will start when you log in"},
      {"Label2", "Auto search for updates every                   days", nullptr},
      {"radHintsOff", "Turn off the embedded help system",
       "Don't use the embedded help system. No pop-up will appear and no info will be "
       "displayed in status bar."},
      {"lblHintHide", "Hide hint after                    milliseconds.",
       "The hints will automatically disappear after this interval.\nIf you don't have time to "
       "read the hints, please increase this value by a few seconds."},
      {"Label4",
       "* Experimental. It will require a little bit more memory. Takes effect after restart. "
       "May slow down the program",
       nullptr},
      {"chkOverwrite", "Overwrite existing images",
       "If this is NOT checked the program will not overwrite the images that already exist "
       "in the output folder.\nRecommended: Checked"},
      {"radSameSize", nullptr,
       "This will make all output images to have the same width and height.\nYou must specify "
       "the width and height in the red box.\nYou may distort your images if they have a "
       "ratio different from the one chosen."},
      {"chkSounds", nullptr, "Make a sound on 'COPY' event"},
      {"btn43", nullptr,
       "Set 4/3 aspect ratio.\nMost computer screens and digital cameras use this aspect "
       "ratio."},
  };
  for (const Case& c : cases) {
    const QWidget* widget = f.findChild<QWidget*>(c.name);
    ASSERT_NE(widget, nullptr) << c.name;
    if (c.caption) {
      EXPECT_EQ(Caption(widget).toStdString(), c.caption) << c.name;
    }
    if (c.hint) {
      EXPECT_EQ(widget->toolTip().toStdString(), c.hint) << c.name;
    }
  }
}

TEST_F(MainFormTest, NoCaptionNamesAnotherPlatformOrIsMisspelled) {
  links = {"", "", "http://127.0.0.1:9/vendor", "http://127.0.0.1:9/forum"};
  TMainForm& f = ReadyForm();
  TSelectDirDlg chooser;
  QStringList words = Words(f) + Words(chooser);
  words << f.WelcomeText;
  for (const QAction* action : f.findChildren<QAction*>())
    words << action->text() << action->toolTip();
  for (const char* wrong :
       {"Windows", "My Doc", "MY DOC", "Drives", "evey", "embeded", "miliseconds", "efect",
        "existen", "choused", "sond", "from more", "ration.", "than your", "break nothing",
        "with few", "with about", "allow few"}) {
    for (const QString& text : words) {
      EXPECT_FALSE(text.contains(QString::fromUtf8(wrong)))
          << wrong << " in: " << text.toStdString();
    }
  }
}

TEST(SelectFolderWords, PlacesListTheVolumesByName) {
  TSelectDirDlg chooser;
  EXPECT_EQ(chooser.findChild<QLabel*>("lblDrives")->text(), "&Places:");
  EXPECT_EQ(chooser.findChild<QPushButton*>("BitBtn2")->text(), "Documents");
  const auto* places = chooser.findChild<QComboBox*>("DriveList");
  ASSERT_GT(places->count(), 0);
  EXPECT_EQ(places->itemText(0), "Computer");
  EXPECT_EQ(places->itemData(0).toString(), "/");
  EXPECT_EQ(places->itemData(0, Qt::ToolTipRole).toString(), "/");
  for (int i = 0; i < places->count(); ++i) {
    // Names, not the raw devices.
    EXPECT_FALSE(places->itemText(i).startsWith("/")) << places->itemText(i).toStdString();
  }
  struct Case {
    const char* root;
    const char* label;
    const char* name;
  };
  const Case cases[] = {
      {"/", "", "Computer"},
      {"/", "debian-root", "Computer"},
      {"/media/ann/STICK", "STICK", "STICK"},
      {"/media/ann/1234-ABCD", "", "1234-ABCD"},
      {"/mnt/backup", "Backup disk", "Backup disk"},
      {"/mnt/data", "", "data"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VolumeName(c.root, c.label).toStdString(), c.name) << c.root;
  }
}
