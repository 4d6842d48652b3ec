// Input that the system delivers while a handler runs (a mode change broadcasting, a message
// box or menu running its own loop) must wait until that handler has returned.
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
  void releaseOnIcon() { f.Form_MouseMove(0, 0, 514 * rig.toolkit.twipsPerPixel, 0); }
};

}  // namespace

// A preset is chosen; while its change is under way the user clicks the icon again and picks a
// colour depth. That menu must already know the new mode, so the depth switch keeps 800 x 600.
TEST_F(Reentrance, ClickDuringAModeChangeOpensTheMenuAfterTheSwitchIsRecorded) {
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
    f.Form_MouseMove(0, 0, 513 * rig.toolkit.twipsPerPixel, 0);
    releaseOnIcon();
    inChange = false;
  };
  releaseOnIcon();

  EXPECT_EQ(popupsInChange, 0);
  ASSERT_EQ(currentAtPopup.size(), 2u);
  EXPECT_EQ(currentAtPopup[1], "Current: 800 x 600, 32bit color, 60 Hz");
  ASSERT_EQ(rig.display.changes.size(), 2u);
  EXPECT_EQ(rig.display.changes[1].mode.dmPelsWidth, 800);
  EXPECT_EQ(rig.display.changes[1].mode.dmBitsPerPel, 8);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 800 x 600, 256 colors, 60 Hz");
  EXPECT_FALSE(f.handling());
}

TEST_F(Reentrance, InputDuringAMessageBoxWaitsForItAndManyClicksOpenOneMenu) {
  f.mnuMain1.setCaption("no such mode");
  int popupsWhileBoxOpen = -1;
  rig.toolkit.onMessageBox = [&] {
    rig.toolkit.onMessageBox = nullptr;
    releaseOnIcon();
    releaseOnIcon();
    f.click(f.Command6);  // Cancel in the editor, also waiting its turn
    popupsWhileBoxOpen = rig.toolkit.popups;
  };
  rig.clickIcon(&f.mnuMain1);
  EXPECT_EQ(popupsWhileBoxOpen, 1);
  EXPECT_EQ(rig.toolkit.popups, 2);
  EXPECT_EQ(rig.toolkit.hides, 2);  // start-up's, then Cancel's
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
