#pragma once
// Stand-ins for the desktop in the window's tests: a tray that can be told to exist, a
// recorder of what the desktop was asked to open, and a recorder of the launcher and
// start-up entry writes.
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "desktop/desktop_entries.h"
#include "desktop/shell_open.h"
#include "desktop/trayicon.h"

namespace velora::app::testing {

// A tray whose existence the test decides; its state is shared with the test through a
// pointer that outlives the icon that owns the tray.
struct FakeTrayState {
  bool available = true;
  bool visible = false;
  bool showFails = false;  // the icon does not appear although a tray exists
  QMenu* menu = nullptr;
  int iconsSet = 0;
  std::function<void()> click;
};

class FakeTray : public TrayBackend {
 public:
  explicit FakeTray(FakeTrayState* state) : state_(state) {}
  bool Available() const override { return state_->available; }
  void SetIcon(const QIcon&) override { ++state_->iconsSet; }
  void SetMenu(QMenu* menu) override { state_->menu = menu; }
  void SetVisible(bool visible) override {
    state_->visible = visible && state_->available && !state_->showFails;
  }
  bool Visible() const override { return state_->visible; }
  void SetClickHandler(std::function<void()> handler) override {
    state_->click = std::move(handler);
  }

 private:
  FakeTrayState* state_;
};

// Records every URL the window hands to the desktop and answers with `accept`; the
// real opener is back when it goes.
class OpenedUrls {
 public:
  explicit OpenedUrls(bool accept = true) : accept_(accept) {
    SetDesktopOpener([this](const QUrl& url) {
      urls.push_back(url);
      return accept_;
    });
  }
  ~OpenedUrls() { SetDesktopOpener(nullptr); }
  OpenedUrls(const OpenedUrls&) = delete;
  OpenedUrls& operator=(const OpenedUrls&) = delete;
  void SetAccept(bool accept) { accept_ = accept; }

  std::vector<QUrl> urls;

 private:
  bool accept_;
};

// Records the launcher and start-up entry requests instead of writing files.
class RecordingDesktopEntries : public DesktopEntryWriter {
 public:
  bool CreateAppShortcut(const std::string& linkName, bool onDesktop) override {
    shortcuts.push_back({linkName, onDesktop});
    return writes;
  }
  bool SetAppAutoStart(bool enable) override {
    autoStarts.push_back(enable);
    return true;
  }

  std::vector<std::pair<std::string, bool>> shortcuts;
  std::vector<bool> autoStarts;
  bool writes = true;  // false: every launcher fails to be written
};

}  // namespace velora::app::testing
