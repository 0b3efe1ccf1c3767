#include "controls/PageControl.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace velora::app {

TPageControl::TPageControl(QWidget* parent) : QWidget(parent) {
  tabBar_ = new QTabBar(this);
  tabBar_->setObjectName("PageControlTabs");
  tabBar_->setDrawBase(true);
  tabBar_->setExpanding(false);
  stack_ = new QStackedWidget(this);
  stack_->setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tabBar_);
  layout->addWidget(stack_, 1);

  noneIndex_ = tabBar_->addTab(QString());
  stack_->addWidget(new QWidget(stack_));
  tabBar_->setTabVisible(noneIndex_, false);

  connect(tabBar_, &QTabBar::currentChanged, this, [this](int index) {
    stack_->setCurrentIndex(index < 0 ? noneIndex_ : index);
    emit ActivePageChanged(ActivePageIndex());
  });
}

int TPageControl::AddPage(QWidget* page, const QString& caption) {
  // Pages go before the hidden "none" tab, which stays last.
  const int index = pages_++;
  tabBar_->insertTab(index, caption);
  stack_->insertWidget(index, page);
  noneIndex_ = pages_;
  if (pages_ == 1) tabBar_->setCurrentIndex(0);  // the first page starts active
  stack_->setCurrentIndex(tabBar_->currentIndex());
  return index;
}

QWidget* TPageControl::Page(int index) const {
  return index >= 0 && index < pages_ ? stack_->widget(index) : nullptr;
}

void TPageControl::SetTabVisible(int index, bool visible) {
  if (index < 0 || index >= pages_) return;
  const int active = ActivePageIndex();
  tabBar_->setTabVisible(index, visible);
  // Hiding a tab leaves its page where it is: the page stays active without a tab.
  if (!visible && index == active) SetActivePageIndex(active);
}

bool TPageControl::TabVisible(int index) const {
  return index >= 0 && index < pages_ && tabBar_->isTabVisible(index);
}

int TPageControl::ActivePageIndex() const {
  const int index = tabBar_->currentIndex();
  return index >= 0 && index < pages_ ? index : -1;
}

void TPageControl::SetActivePageIndex(int index) {
  const int target = index >= 0 && index < pages_ ? index : noneIndex_;
  if (tabBar_->currentIndex() == target) {
    stack_->setCurrentIndex(target);
    return;
  }
  tabBar_->setCurrentIndex(target);
}

void TPageControl::SetActivePage(QWidget* page) {
  SetActivePageIndex(stack_->indexOf(page));
}

}  // namespace velora::app
