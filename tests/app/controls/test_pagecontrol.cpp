// The page area can show a page whose tab is hidden, and no page at all.
#include <gtest/gtest.h>

#include <QLabel>
#include <QTabBar>

#include "controls/PageControl.h"

using velora::app::TPageControl;

namespace {

struct Pages {
  TPageControl control;
  Pages() {
    for (const char* caption : {"A", "B", "C", "D", "E"}) {
      control.AddPage(new QLabel(caption), caption);
    }
    control.SetTabVisible(1, false);
  }
};

}  // namespace

TEST(PageControl, ActivePageAndNone) {
  Pages p;
  EXPECT_EQ(p.control.ActivePageIndex(), 0);
  p.control.SetActivePageIndex(1);  // a page whose tab is hidden still shows
  EXPECT_EQ(p.control.ActivePageIndex(), 1);
  EXPECT_FALSE(p.control.TabVisible(1));
  for (int outside : {-1, -2, 5, 99}) {
    p.control.SetActivePageIndex(outside);
    EXPECT_EQ(p.control.ActivePageIndex(), -1) << outside;
  }
  p.control.TabBar()->setCurrentIndex(2);  // the user picks a tab
  EXPECT_EQ(p.control.ActivePageIndex(), 2);
}

TEST(PageControl, HidingTheActiveTabKeepsItsPage) {
  Pages p;
  p.control.SetActivePageIndex(3);
  p.control.SetTabVisible(3, false);
  EXPECT_EQ(p.control.ActivePageIndex(), 3);
  p.control.SetTabVisible(3, true);
  EXPECT_TRUE(p.control.TabVisible(3));
}
