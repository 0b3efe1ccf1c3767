#pragma once
// The window's page area: a tab bar over a stack of pages. Unlike a tab widget it can
// show a page whose tab is hidden, and it can have no active page at all (an empty page
// under the tabs), which the stored window state may ask for.
#include <QTabBar>
#include <QWidget>

class QStackedWidget;

namespace velora::app {

class TPageControl : public QWidget {
  Q_OBJECT

 public:
  explicit TPageControl(QWidget* parent = nullptr);

  // Appends a page with its tab caption; returns its index.
  int AddPage(QWidget* page, const QString& caption);
  int PageCount() const { return pages_; }
  QWidget* Page(int index) const;

  void SetTabVisible(int index, bool visible);
  bool TabVisible(int index) const;

  // The active page, or -1 when none is.
  int ActivePageIndex() const;
  // An index outside the pages leaves no page active.
  void SetActivePageIndex(int index);
  void SetActivePage(QWidget* page);

  QTabBar* TabBar() const { return tabBar_; }

 signals:
  void ActivePageChanged(int index);

 private:
  QTabBar* tabBar_;
  QStackedWidget* stack_;
  int pages_ = 0;
  int noneIndex_;  // a hidden tab over an empty page: "no page active"
};

}  // namespace velora::app
