#include "harness.h"
#include "window/fit.h"

namespace {

struct Layout : ::testing::Test {
  Rig rig{DesktopModes(), kXga};
  Form1& f = rig.form;
  void resize(float w, float h) {
    f.ScaleWidth = w;
    f.ScaleHeight = h;
    f.Form_Resize();
  }
};

}  // namespace

TEST_F(Layout, FitsListPanelAndFooterToTheInnerSize) {
  resize(10020, 7470);
  EXPECT_FLOAT_EQ(f.List2.left(), 120);
  EXPECT_FLOAT_EQ(f.List2.top(), 480);
  EXPECT_FLOAT_EQ(f.List2.width(), 10020 - 3285);
  EXPECT_FLOAT_EQ(f.List2.height(), 7470 - 1725);
  EXPECT_FLOAT_EQ(f.pPresets.left(), 10020 - 3015);
  EXPECT_FLOAT_EQ(f.pPresets.top(), 480);
  EXPECT_FLOAT_EQ(f.pFooter.left(), 0);
  EXPECT_FLOAT_EQ(f.pFooter.top(), 7470 - 1095);
  EXPECT_FLOAT_EQ(f.pFooter.width(), 10020);
  EXPECT_FLOAT_EQ(f.Command6.left(), 10020 - 1245);
  EXPECT_FLOAT_EQ(f.Command2.left(), 10020 - 2490);
  EXPECT_FLOAT_EQ(f.Command2.top(), 600);
  EXPECT_FLOAT_EQ(f.Line1.x1(), 150);
  EXPECT_FLOAT_EQ(f.Line1.x2(), 10020 - 300);
  EXPECT_FLOAT_EQ(f.Line1.y2(), 360);
  EXPECT_FLOAT_EQ(f.lStatus.width(), 10020);
}

TEST_F(Layout, WideningAndRaisingMoveOnlyWhatFollowsTheEdges) {
  resize(8000, 6000);
  const float presetsLeft = f.pPresets.left(), okLeft = f.Command2.left(), listWidth = f.List2.width();
  const float footerTop = f.pFooter.top(), listHeight = f.List2.height();
  resize(8000 + 500, 6000 + 300);
  EXPECT_FLOAT_EQ(f.pPresets.left(), presetsLeft + 500);
  EXPECT_FLOAT_EQ(f.Command2.left(), okLeft + 500);
  EXPECT_FLOAT_EQ(f.List2.width(), listWidth + 500);
  EXPECT_FLOAT_EQ(f.pFooter.top(), footerTop + 300);
  EXPECT_FLOAT_EQ(f.List2.height(), listHeight + 300);
  EXPECT_FLOAT_EQ(f.Command2.height(), 375);
}

TEST_F(Layout, TooSmallKeepsTheListWhileThePanelsStillMove) {
  resize(8000, 6000);
  resize(3000, 6000);
  EXPECT_FLOAT_EQ(f.List2.width(), 8000 - 3285);
  EXPECT_FLOAT_EQ(f.pPresets.left(), -15);
  EXPECT_FLOAT_EQ(f.pFooter.width(), 3000);
  resize(0, 0);  // minimized
  EXPECT_FLOAT_EQ(f.pFooter.top(), -1095);
  EXPECT_FLOAT_EQ(f.Command6.left(), -1245);
  resize(8000, 6000);  // restored
  EXPECT_FLOAT_EQ(f.List2.width(), 8000 - 3285);
  EXPECT_FLOAT_EQ(f.List2.height(), 6000 - 1725);
  resize(8000, 1000);  // wide enough, too short for the list
  EXPECT_FLOAT_EQ(f.List2.height(), 6000 - 1725);
}

TEST_F(Layout, HiddenControlsNeverShow) {
  resize(20000, 20000);
  f.List1.setVisible(true);
  f.Command1.setVisible(true);
  EXPECT_FALSE(f.List1.visible() || f.Command1.visible());
  EXPECT_FALSE(f.List1.rendered() || f.Command1.rendered());
  EXPECT_FLOAT_EQ(f.List1.left(), 1920);
  EXPECT_FLOAT_EQ(f.Label1.top(), 120);
}

TEST_F(Layout, ControlsTellTheFrontEndWhatChanged) {
  std::vector<Change> changes;
  f.List2.onChange = [&](Control&, Change c) { changes.push_back(c); };
  resize(9000, 7000);
  f.List2.addItem("x");
  f.List2.setListIndex(0);
  f.List2.setListIndex(5);  // no such row: refused, nothing reported
  EXPECT_EQ(changes, (std::vector<Change>{Change::Geometry, Change::Rows, Change::Selection}));
  EXPECT_EQ(f.List2.listIndex(), 0);
}

// The window opens on the work area, moved no more than it must; one larger than the area
// keeps its size, its title bar and its left edge on the area.
TEST(Placement, OnTheWorkAreaTitleBarAndLeftEdgeFirst) {
  const Area area{0, 30, 1024, 738};  // a panel takes the top 30 pixels
  struct Case {
    const char* what;
    Area window, placed;
  };
  const Case cases[] = {
      {"past the right and the bottom", {500, 400, 676, 525}, {348, 243, 676, 525}},
      {"above and left of it", {-100, -50, 676, 525}, {0, 30, 676, 525}},
      {"taller than the area", {100, 100, 1012, 782}, {12, 30, 1012, 782}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOnArea(c.window, area), c.placed) << c.what;
  EXPECT_EQ(PlaceOnArea({0, 0, 200, 100}, {1024, 0, 800, 600}), (Area{1024, 0, 200, 100})) << "a second monitor";
}
