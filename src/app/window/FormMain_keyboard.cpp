// The keyboard's way through the window: Tab walks it as it is read, from the top left to
// the bottom right (the header, the file list, then the page on the right, top down).
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "controls/PATHEdit.h"
#include "controls/PageControl.h"
#include "controls/SpinEdit.h"
#include "controls/TarnoFileListBox.h"
#include "window/FormMain.h"

namespace velora::app {

void TMainForm::SetTabOrder() {
  const QList<QWidget*> header = {edtPath, btnBrowse, FilterCombo};
  const QList<QWidget*> left = {FileList, btnRefresh, btnSellAll, btnInvert};
  const QList<QWidget*> resizer = {trkQuality,      radXDecrease,  radXIncrease, radSameSize,
                                   radSameWidth,    radSameHeight, radFitInBox,  spnWH,
                                   chkNeverEnlarge, spnRound,      spnZecimal,   spnWidth,
                                   spnHeight,       btn43,         btnStart,     btnAbort,
                                   btnResult,       btnManual,     btnSupport};
  const QList<QWidget*> settings = {
      btnDesktopShortcut, chkAutoStartUp,  spnAutoUpdate, radHintsOff,
      radHintsTooltips,   radHintsStatBar, spnHideHint,   chkSkins,
      chkSounds,          chkTrayIcon,     spnOpacity,    chkProtect,
      chkPreview,         cmbResampleQ,    chkAddFltName, chkOverwrite};
  const QList<QWidget*> order = header + left + QList<QWidget*>{PageControl->TabBar()} + resizer +
                                settings + QList<QWidget*>{mmoLicense, btnAgree, Memo};
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

}  // namespace velora::app
