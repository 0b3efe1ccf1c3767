#include "desktop/trayicon.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace velora::app {

namespace {

class SystemTray : public TrayBackend {
 public:
  bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
  void SetIcon(const QIcon& icon) override { icon_.setIcon(icon); }
  void SetMenu(QMenu* menu) override { icon_.setContextMenu(menu); }
  void SetVisible(bool visible) override { icon_.setVisible(visible); }
  bool Visible() const override { return icon_.isVisible(); }
  void SetClickHandler(std::function<void()> handler) override {
    QObject::disconnect(connection_);
    connection_ = QObject::connect(&icon_, &QSystemTrayIcon::activated,
                                   [handler = std::move(handler)](auto reason) {
                                     if (reason == QSystemTrayIcon::Trigger && handler) handler();
                                   });
  }

 private:
  QSystemTrayIcon icon_;
  QMetaObject::Connection connection_;
};

}  // namespace

std::unique_ptr<TrayBackend> MakeSystemTray() {
  return std::make_unique<SystemTray>();
}

TTrayIcon::TTrayIcon(QWidget* window, std::unique_ptr<TrayBackend> backend)
    : QObject(window), window_(window), backend_(std::move(backend)) {
  backend_->SetVisible(false);
  backend_->SetClickHandler([this] { emit Click(); });
  if (window) window->installEventFilter(this);
  trayCheck_.setInterval(kTrayCheckMsecs);
  connect(&trayCheck_, &QTimer::timeout, this, &TTrayIcon::CheckTrayStillThere);
}

TTrayIcon::~TTrayIcon() {
  if (inTray_) QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed_);
  backend_->SetClickHandler(nullptr);
  backend_->SetVisible(false);
}

void TTrayIcon::SetIcon(const QIcon& icon) {
  backend_->SetIcon(icon);
}

void TTrayIcon::SetPopupMenu(QMenu* menu) {
  menu_ = menu;
  backend_->SetMenu(menu);
}

bool TTrayIcon::IconVisible() const {
  return backend_->Visible();
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::WindowStateChange && minimizeToTray_ &&
      window_->isMinimized()) {
    // Hidden once the state change is over: hiding inside it confuses some window managers.
    QTimer::singleShot(0, this, &TTrayIcon::HideInTray);
  }
  return QObject::eventFilter(watched, event);
}

void TTrayIcon::HideInTray() {
  if (!window_ || !minimizeToTray_ || !window_->isMinimized() || !window_->isVisible()) return;
  if (!backend_->Available()) return;  // no tray: the window stays minimized on the task bar
  backend_->SetVisible(true);
  if (!backend_->Visible()) return;  // the icon did not show: keep the task bar entry
  quitOnLastWindowClosed_ = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);
  inTray_ = true;
  window_->hide();
  trayCheck_.start();
}

void TTrayIcon::CheckTrayStillThere() {
  if (inTray_ && (!backend_->Available() || !backend_->Visible())) RestoreWindow();
}

void TTrayIcon::RestoreWindow() {
  backend_->SetVisible(false);
  trayCheck_.stop();
  if (inTray_) {
    inTray_ = false;
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed_);
  }
  if (!window_) return;
  if (window_->isMinimized()) {
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace velora::app
