#pragma once
// The notification-area icon. With "minimize to tray" on, minimizing the window hides it
// and shows the icon; a left click on the icon (or the window's "Exit" in the icon's
// menu) brings it back. Minimizing hides the window only where a tray exists and the
// icon really shows, so the window is never hidden without a way back: should the tray go
// away while the window is in it, the window comes back by itself.
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QWidget;

namespace velora::app {

// The desktop's tray, as far as the icon needs it; tests put a pretend tray in its place.
class TrayBackend {
 public:
  virtual ~TrayBackend() = default;
  // A tray exists on the desktop now.
  virtual bool Available() const = 0;
  virtual void SetIcon(const QIcon& icon) = 0;
  // The menu the right mouse button opens; the window owns it.
  virtual void SetMenu(QMenu* menu) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  // Called on a left click on the icon.
  virtual void SetClickHandler(std::function<void()> handler) = 0;
};

// The real tray, over QSystemTrayIcon (which re-adds itself when the panel restarts).
std::unique_ptr<TrayBackend> MakeSystemTray();

class TTrayIcon : public QObject {
  Q_OBJECT

 public:
  // Watches `window` for minimizing; the icon starts hidden.
  explicit TTrayIcon(QWidget* window, std::unique_ptr<TrayBackend> backend = MakeSystemTray());
  ~TTrayIcon() override;

  void SetIcon(const QIcon& icon);
  // The window's menu with its "Exit" entry (`mnuExit`).
  void SetPopupMenu(QMenu* menu);
  QMenu* PopupMenu() const { return menu_; }

  void SetMinimizeToTray(bool on) { minimizeToTray_ = on; }
  bool MinimizeToTray() const { return minimizeToTray_; }
  // The icon shows in the tray (the window is hidden there).
  bool IconVisible() const;

  // The window is hidden in the tray.
  bool InTray() const { return inTray_; }

  // Brings the window back from the tray: hides the icon, restores the window from its
  // minimized state, shows it and brings it to the front.
  void RestoreWindow();

  // How often, while the window is in the tray, the tray is checked to be still there.
  static constexpr int kTrayCheckMsecs = 1000;

 signals:
  // A left click on the icon; the window answers with RestoreWindow.
  void Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void HideInTray();
  void CheckTrayStillThere();

  QPointer<QWidget> window_;
  std::unique_ptr<TrayBackend> backend_;
  QPointer<QMenu> menu_;
  bool minimizeToTray_ = false;
  bool inTray_ = false;
  // While the window is hidden, closing a message box must not end the program.
  bool quitOnLastWindowClosed_ = true;
  QTimer trayCheck_;
};

}  // namespace velora::app
