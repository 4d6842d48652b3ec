// Clicks that the system delivers while a handler runs (a mode change broadcasting, a message
// box or menu running its own loop) are dropped: nothing opens later by itself. A choice made
// in a menu the tray host drew waits until that handler has returned.
#include "harness.h"

namespace {

struct Reentrance : ::testing::Test {
  // Three depths at two sizes, so the colour-depth menu exists.
  Rig rig{{{800, 600, 8, 60},
           {800, 600, 16, 60},
           {800, 600, 32, 60},
           {1024, 768, 8, 60},
           {1024, 768, 16, 60},
           {1024, 768, 32, 60}},
          kXga};
  Form1& f = rig.form;
  void SetUp() override { rig.load(); }
  void releaseOnIcon() { f.Form_MouseMove(0, 0, MessageAsX(mouse::kLeftUp, rig.toolkit.twipsPerPixel), 0); }
};

}  // namespace

// A preset is chosen; while its change is under way the user clicks the icon again. That click
// neither runs inside the switch nor opens a menu once it is over. The next click does, and
// that menu knows the new mode, so a depth switch keeps 800 x 600.
TEST_F(Reentrance, ClickDuringAModeChangeIsDroppedAndTheNextMenuKnowsTheNewMode) {
  f.mnuMain3.setCaption("800 x 600, 32bit color, 60 Hz");
  std::vector<std::string> currentAtPopup;
  bool inChange = false;
  int popupsInChange = 0;
  rig.toolkit.choose = [&](const MenuEntry&) -> const MenuEntry* {
    popupsInChange += inChange;
    currentAtPopup.push_back(f.mnuResDef.caption());
    return currentAtPopup.size() == 1 ? &f.mnuMain3 : f.mnuAllColor[0];  // then "8bit color"
  };
  rig.display.onChange = [&](DevMode&) {
    if (rig.display.changes.size() != 1) return;
    inChange = true;
    f.Form_MouseMove(0, 0, MessageAsX(mouse::kLeftDown, rig.toolkit.twipsPerPixel), 0);
    releaseOnIcon();
    inChange = false;
  };
  releaseOnIcon();
  EXPECT_EQ(popupsInChange, 0);
  EXPECT_EQ(currentAtPopup.size(), 1u) << "the click made during the change opened a menu afterwards";
  EXPECT_FALSE(f.handling());

  releaseOnIcon();
  ASSERT_EQ(currentAtPopup.size(), 2u);
  EXPECT_EQ(currentAtPopup[1], "Current: 800 x 600, 32bit color, 60 Hz");
  ASSERT_EQ(rig.display.changes.size(), 2u);
  EXPECT_EQ(rig.display.changes[1].mode.dmPelsWidth, 800);
  EXPECT_EQ(rig.display.changes[1].mode.dmBitsPerPel, 8);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 800 x 600, 256 colors, 60 Hz");
}

// Clicks on the icon and on the editor's buttons while a box is open do nothing, then or
// later; a choice in the host's menu still runs once the box has gone.
TEST_F(Reentrance, InputDuringAMessageBoxIsDroppedButAHostMenuChoiceWaits) {
  f.mnuMain1.setCaption("no such mode");
  int popupsWhileBoxOpen = -1;
  rig.toolkit.onMessageBox = [&] {
    rig.toolkit.onMessageBox = nullptr;
    releaseOnIcon();
    releaseOnIcon();
    f.click(f.Command6);  // Cancel in the editor
    f.runMenuEntry(f.mnuConfig);
    popupsWhileBoxOpen = rig.toolkit.popups;
  };
  rig.clickIcon(&f.mnuMain1);
  EXPECT_EQ(popupsWhileBoxOpen, 1);
  EXPECT_EQ(rig.toolkit.popups, 1);
  EXPECT_EQ(rig.toolkit.hides, 1);  // start-up's only: Cancel was dropped
  EXPECT_EQ(rig.toolkit.shows, 1);  // "Configure Pre-Sets..." from the host's menu ran after the box
  EXPECT_FALSE(f.handling());
  rig.clickIcon(nullptr);
  EXPECT_EQ(rig.toolkit.popups, 2);  // a click after the box is ordinary input
}

TEST_F(Reentrance, AHostDrawnMenuChoiceWaitsAndNothingRunsAfterExit) {
  rig.display.onChange = [&](DevMode&) {
    f.runMenuEntry(f.mnuExit);
    f.runMenuEntry(f.mnuAbout);
    EXPECT_FALSE(f.ended());
  };
  ASSERT_NE(f.mnuAllA[1], nullptr);
  f.runMenuEntry(*f.mnuAllA[1]);
  EXPECT_EQ(rig.display.current.horzRes, 800);
  EXPECT_TRUE(f.ended());
  EXPECT_TRUE(rig.toolkit.boxes.empty());  // About never ran
  releaseOnIcon();
  EXPECT_EQ(rig.toolkit.popups, 0);
}
