// Loading the settings file into the controls at start-up and writing the controls back
// once at the end.
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>

#include "controls/PATHEdit.h"
#include "controls/PageControl.h"
#include "controls/SpinEdit.h"
#include "settings/IniFile.h"
#include "util/TarnoTPU.h"
#include "window/FormMain.h"
#include "window/last_check_date.h"

namespace velora::app {

namespace {

constexpr const char* kWindowState = "WindowState";
constexpr const char* kResize = "Resize";
constexpr const char* kUpdates = "Updates";
constexpr const char* kSettings = "Settings";

// Puts a loaded state into a check box; a change runs the box's click handler, as the
// user's click would.
void LoadCheck(QCheckBox* box, bool value) {
  if (box->isChecked() == value) return;
  box->setChecked(value);
  emit box->clicked(value);
}

// A number box takes the loaded value within its range.
void LoadNumber(TSpinEdit* box, int value) {
  box->SetValue(value);
}

// Where a first start looks: the user's pictures, else the home folder; never the
// program's own folder, which holds no pictures once installed.
std::string StartFolder() {
  const std::string pictures = GetSpecialFolder(CSIDL_MYPICTURES);
  return pictures.empty() ? std::string("/") : pictures;
}

}  // namespace

void TMainForm::LoadSettings() {
  const TTarnoIniFile ini(SettingsFilePath());

  PageControl->SetActivePageIndex(ini.ReadInteger(kWindowState, "Last_used_tab", 1));

  if (ini.ValueExists(kWindowState, "Left")) {
    ApplyStoredBounds(
        ini.ReadInteger(kWindowState, "Left", 50), ini.ReadInteger(kWindowState, "Top", 50),
        ini.ReadInteger(kWindowState, "Width", 900), ini.ReadInteger(kWindowState, "Height", 850));
  }
  if (ini.ReadBool(kWindowState, "Maximized", false)) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }

  // One group: turning one on turns the others off; turning one off turns nothing on.
  const std::pair<const char*, QRadioButton*> modes[] = {
      {"radXDecrease", radXDecrease},   {"radXIncrease", radXIncrease},
      {"radSameHeight", radSameHeight}, {"radSameWidth", radSameWidth},
      {"radSameSize", radSameSize},     {"radFitInBox", radFitInBox}};
  // A file written before the box mode existed lacks its key: the mode stays off.
  const bool defaults[] = {true, false, false, false, false, false};
  for (size_t i = 0; i < std::size(modes); ++i) {
    const bool on = ini.ReadBool(kResize, modes[i].first, defaults[i]);
    if (on) {
      modes[i].second->setChecked(true);
    } else if (modes[i].second->isChecked()) {
      modes[i].second->setAutoExclusive(false);
      modes[i].second->setChecked(false);
      modes[i].second->setAutoExclusive(true);
    }
  }

  LastCheck = ParseLastCheck(ini.ReadString(kUpdates, "LastCheck", ""));
  LoadNumber(spnAutoUpdate, ini.ReadInteger(kUpdates, "spnAutoUpdate", 4));

  trkQuality->setValue(ini.ReadInteger(kSettings, "trkQuality", 74));
  // The hide pause and the opacity take effect whatever their value.
  LoadNumber(spnHideHint, ini.ReadInteger(kSettings, "spnHideHint", 3100));
  spnHideHintChange();
  LoadNumber(spnOpacity, ini.ReadInteger(kSettings, "spnOpacity", 255));
  spnOpacityChange();
  LoadNumber(spnWidth, ini.ReadInteger(kSettings, "spnWidth", 200));
  const int filter = ini.ReadInteger(kSettings, "cmbResampleQ", 6);
  // The list always holds one of the seven rows; an unknown index selects Mitchell.
  cmbResampleQ->setCurrentIndex(filter >= 0 && filter < cmbResampleQ->count() ? filter : 6);
  LoadNumber(spnWH, ini.ReadInteger(kSettings, "spnWH", 600));
  LoadNumber(spnRound, ini.ReadInteger(kSettings, "spnRound", 2));
  LoadNumber(spnZecimal, ini.ReadInteger(kSettings, "spnZecimal", 0));
  LoadCheck(chkTrayIcon, ini.ReadBool(kSettings, "chkTrayIcon", true));
  LoadCheck(chkPreview, ini.ReadBool(kSettings, "chkPreview", true));
  LoadCheck(chkSkins, ini.ReadBool(kSettings, "chkSkins", true));
  LoadCheck(chkSounds, ini.ReadBool(kSettings, "chkSounds", false));
  if (ini.ReadBool(kSettings, "radHintsOff", false)) radHintsOff->setChecked(true);
  if (ini.ReadBool(kSettings, "radHintsTooltips", true)) radHintsTooltips->setChecked(true);
  if (ini.ReadBool(kSettings, "radHintsStatBar", false)) radHintsStatBar->setChecked(true);
  LoadCheck(chkAutoStartUp, ini.ReadBool(kSettings, "chkAutoStartUp", false));
  LoadCheck(chkProtect, ini.ReadBool(kSettings, "chkProtect", true));
  LoadCheck(chkOverwrite, ini.ReadBool(kSettings, "chkOverwrite", true));
  LoadCheck(chkNeverEnlarge, ini.ReadBool(kSettings, "chkNeverEnlarge", false));
  // The folder takes effect whatever it is, also when it equals the box's text.
  const QString lastPath =
      QString::fromStdString(ini.ReadString(kSettings, "LastPath", StartFolder()));
  if (edtPath->text() == lastPath) {
    edtPath2Change();
  } else {
    edtPath->setText(lastPath);
  }

  trkQualityChange();
}

// Bounds that lie on no screen, or are smaller than the window can be, are brought onto
// the primary screen.
void TMainForm::ApplyStoredBounds(int left, int top, int width, int height) {
  QRect frame(left, top, width, height);
  const QSize minimum = minimumSizeHint().expandedTo(minimumSize());
  frame.setSize(frame.size().expandedTo(minimum));
  bool onScreen = false;
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().intersects(frame)) onScreen = true;
  }
  if (!onScreen && QGuiApplication::primaryScreen() != nullptr) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    frame.setSize(frame.size().boundedTo(area.size()).expandedTo(minimum));
    frame.moveTopLeft(area.topLeft());
  }
  move(frame.topLeft());
  resize(frame.size());
}

void TMainForm::SaveSettings() {
  TTarnoIniFile ini(SettingsFilePath());
  const bool maximized = isMaximized();
  if (!maximized) {
    // The position is the frame's top-left (what move() takes), the size the window's own
    // size without its title bar and borders (what resize() takes): the frame is not known
    // before the window is first shown, and an outer size read back as the own size would
    // grow the window by its title bar at every start.
    const QPoint frameOffset = geometry().topLeft() - pos();
    const QRect own =
        (windowState() & Qt::WindowMinimized) || !isVisible() ? normalGeometry() : geometry();
    ini.WriteInteger(kWindowState, "Left", own.left() - frameOffset.x());
    ini.WriteInteger(kWindowState, "Top", own.top() - frameOffset.y());
    ini.WriteInteger(kWindowState, "Width", own.width());
    ini.WriteInteger(kWindowState, "Height", own.height());
  }
  ini.WriteBool(kResize, "radXDecrease", radXDecrease->isChecked());
  ini.WriteBool(kResize, "radXIncrease", radXIncrease->isChecked());
  ini.WriteBool(kResize, "radSameHeight", radSameHeight->isChecked());
  ini.WriteBool(kResize, "radSameWidth", radSameWidth->isChecked());
  ini.WriteBool(kResize, "radSameSize", radSameSize->isChecked());
  ini.WriteBool(kResize, "radFitInBox", radFitInBox->isChecked());
  ini.WriteBool(kWindowState, "Maximized", maximized);
  ini.WriteInteger(kWindowState, "Last_used_tab", PageControl->ActivePageIndex());
  ini.WriteInteger(kUpdates, "spnAutoUpdate", spnAutoUpdate->Value());
  ini.WriteString(kUpdates, "LastCheck", FormatLastCheck(LastCheck));
  ini.WriteInteger(kSettings, "trkQuality", trkQuality->value());
  ini.WriteInteger(kSettings, "spnHideHint", spnHideHint->Value());
  ini.WriteInteger(kSettings, "spnOpacity", spnOpacity->Value());
  ini.WriteInteger(kSettings, "spnWidth", spnWidth->Value());
  ini.WriteInteger(kSettings, "cmbResampleQ", cmbResampleQ->currentIndex());
  ini.WriteInteger(kSettings, "spnWH", spnWH->Value());
  ini.WriteInteger(kSettings, "spnRound", spnRound->Value());
  ini.WriteInteger(kSettings, "spnZecimal", spnZecimal->Value());
  ini.WriteBool(kSettings, "chkPreview", chkPreview->isChecked());
  ini.WriteBool(kSettings, "chkTrayIcon", chkTrayIcon->isChecked());
  ini.WriteBool(kSettings, "chkSkins", chkSkins->isChecked());
  ini.WriteBool(kSettings, "chkSounds", chkSounds->isChecked());
  ini.WriteBool(kSettings, "radHintsOff", radHintsOff->isChecked());
  ini.WriteBool(kSettings, "radHintsTooltips", radHintsTooltips->isChecked());
  ini.WriteBool(kSettings, "radHintsStatBar", radHintsStatBar->isChecked());
  ini.WriteBool(kSettings, "chkAutoStartUp", chkAutoStartUp->isChecked());
  ini.WriteBool(kSettings, "chkProtect", chkProtect->isChecked());
  ini.WriteBool(kSettings, "chkOverwrite", chkOverwrite->isChecked());
  ini.WriteBool(kSettings, "chkNeverEnlarge", chkNeverEnlarge->isChecked());
  ini.WriteString(kSettings, "LastPath", edtPath->text().toStdString());
}

bool TMainForm::SaveSettingsOnce() {
  if (SettingsSaved) return true;
  SettingsSaved = true;
  try {
    SaveSettings();
    return true;
  } catch (const EIniFileException& error) {
    MsgError(error.Message());
    return false;
  }
}

}  // namespace velora::app
