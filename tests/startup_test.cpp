#include "harness.h"

namespace {
const std::string kNoDisplays =
    "Tarnvel is unable to find any supported displays. Please make sure you are using the latest "
    "versions of your monitor and video card drivers.";
}

TEST(Startup, BuildsStatusCurrentEntryAndMenus) {
  Rig rig(DesktopModes(), kXga);
  rig.load();
  Form1& f = rig.form;
  EXPECT_EQ(f.StartupModeIndex, 2);
  EXPECT_EQ(f.List1.listIndex(), 2);
  EXPECT_EQ(f.lStatus.caption(), "Current Resolution: 1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuResDef.tag(), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuAllA.count(), 5);
  EXPECT_EQ(f.mnuAllA[0]->caption(), "640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuAllA[4]->caption(), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(rig.rows(f.List2).front(), "800 x 600, 32bit color, 60 Hz");
  EXPECT_FALSE(f.mnuColorDepth.visible());
  EXPECT_EQ(f.mnuAllColor.count(), 1);
  EXPECT_EQ(f.mnuAllColor[0]->caption(), "all");
  EXPECT_TRUE(rig.toolkit.boxes.empty());
  EXPECT_FALSE(rig.toolkit.shown);
  EXPECT_EQ(rig.shell.icons.size(), 1u);
  EXPECT_FALSE(f.ended());
}

TEST(Startup, OnlyNeighbouringDuplicatesCollapse) {
  Rig rig({{640, 480, 32, 60},
           {640, 480, 32, 60},
           {800, 600, 32, 60},
           {1024, 768, 32, 60, 0},
           {1024, 768, 32, 60, 2},
           {640, 480, 32, 60}},
          kXga);
  rig.load();
  Form1& f = rig.form;
  EXPECT_EQ(f.mnuAllA[0]->caption(), f.mnuAllA[1]->caption());
  EXPECT_EQ(f.mnuAllA[4], nullptr);
  ASSERT_NE(f.mnuAllA[5], nullptr);
  EXPECT_EQ(f.mnuAllA[5]->caption(), "640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(rig.rows(f.List2),
            (std::vector<std::string>{"640 x 480, 32bit color, 60 Hz", "800 x 600, 32bit color, 60 Hz",
                                      "1024 x 768, 32bit color, 60 Hz", "640 x 480, 32bit color, 60 Hz"}));
}

TEST(Startup, ColourDepthItemsInOrderOfFirstAppearance) {
  Rig rig({{1024, 768, 8, 60}, {1024, 768, 32, 60}, {800, 600, 8, 60}, {800, 600, 32, 60}}, kXga);
  rig.load();
  EXPECT_TRUE(rig.form.mnuColorDepth.visible());
  ASSERT_EQ(rig.form.mnuAllColor.count(), 2);
  EXPECT_EQ(rig.form.mnuAllColor[0]->caption(), "256 colors");
  EXPECT_EQ(rig.form.mnuAllColor[1]->caption(), "32bit color");
}

TEST(Startup, DepthsSharingOneTextHideTheDepthMenu) {
  Rig rig({{1024, 768, 16, 60}, {1024, 768, 24, 60}}, {1024, 768, 16, 60});
  rig.load();
  EXPECT_FALSE(rig.form.mnuColorDepth.visible());
}

TEST(Startup, ColourDepthsAreBuiltAfterPendingEventsRan) {
  Rig rig({{1024, 768, 8, 60}, {1024, 768, 32, 60}}, kXga);
  int itemsDuringPass = -1;
  bool hiddenDuringPass = false, iconDuringPass = false;
  rig.toolkit.onProcessEvents = [&] {
    itemsDuringPass = rig.form.mnuAllColor.count();
    hiddenDuringPass = !rig.toolkit.shown;
    iconDuringPass = !rig.shell.icons.empty();
  };
  rig.load();
  EXPECT_EQ(itemsDuringPass, 1);
  EXPECT_TRUE(hiddenDuringPass && iconDuringPass);
  EXPECT_EQ(rig.form.mnuAllColor.count(), 2);
}

// The icon exists during that pass, so a click can come in. Start-up is busy: the click opens
// nothing, then or later, and the next click's menu has the colour depths.
TEST(Startup, ClickDuringThePendingEventsIsDropped) {
  Rig rig({{1024, 768, 8, 60}, {1024, 768, 32, 60}}, kXga);
  int depthItemsAtPopup = -1;
  rig.toolkit.choose = [&](const MenuEntry&) {
    depthItemsAtPopup = rig.form.mnuAllColor.count();
    return &rig.form.mnuExit;
  };
  rig.toolkit.onProcessEvents = [&] { rig.form.Form_MouseMove(0, 0, MessageAsX(mouse::kRightUp, rig.toolkit.twipsPerPixel), 0); };
  rig.load();
  EXPECT_EQ(rig.toolkit.popups, 0);
  EXPECT_FALSE(rig.form.ended());
  rig.form.Form_MouseMove(0, 0, MessageAsX(mouse::kRightUp, rig.toolkit.twipsPerPixel), 0);
  EXPECT_EQ(depthItemsAtPopup, 2);
  EXPECT_TRUE(rig.form.ended());
  EXPECT_TRUE(rig.shell.icons.empty());
}

TEST(Startup, OneModeEndsWithAMessageAndNoIcon) {
  Rig rig({kXga}, kXga);
  rig.load();
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{kNoDisplays});
  EXPECT_EQ(rig.toolkit.boxes[0].style, 0);
  EXPECT_EQ(rig.toolkit.boxes[0].title, "Tarnvel");
  EXPECT_TRUE(rig.form.ended());
  EXPECT_TRUE(rig.toolkit.ended);
  EXPECT_TRUE(rig.shell.icons.empty());
  EXPECT_EQ(rig.settings.reads, 0);
}

TEST(Startup, NoModesReportsBothProblemsAndEnds) {
  Rig rig({}, kXga);
  rig.load();
  EXPECT_EQ(rig.boxTexts(), (std::vector<std::string>{"Error: Could not read current settings!", kNoDisplays}));
  EXPECT_TRUE(rig.form.ended());
}

TEST(Startup, AnotherInstanceEndsSilentlyAndLeavesItsIcon) {
  Rig rig(DesktopModes(), kXga);
  rig.shell.icons.insert({0x1234, 1});  // the running instance's icon
  rig.toolkit.otherInstance = true;
  rig.load();
  EXPECT_TRUE(rig.form.ended());
  EXPECT_TRUE(rig.toolkit.boxes.empty());
  EXPECT_EQ(rig.display.calls.enumMode, 0);
  ASSERT_EQ(rig.shell.notifications.size(), 1u);
  EXPECT_EQ(rig.shell.notifications[0].message, nim::kDelete);
  EXPECT_EQ(rig.shell.notifications[0].data.uID, 0u);
  EXPECT_EQ(rig.shell.icons.size(), 1u);
}

TEST(Startup, ModeInForceNotFoundStillStarts) {
  Rig rig(DesktopModes(), {1152, 864, 32, 60});
  rig.store(2, "800 X 600, 32BIT COLOR, 60 HZ");
  rig.load();
  Form1& f = rig.form;
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{"Error: Could not read current settings!"});
  EXPECT_EQ(f.StartupModeIndex, -1);
  EXPECT_EQ(f.lStatus.caption(), "Current Resolution: Unknown");
  EXPECT_EQ(f.mnuResDef.caption(), "Current: Unknown");
  EXPECT_EQ(f.mnuResDef.tag(), "");
  EXPECT_FALSE(f.ended());
  EXPECT_EQ(rig.shell.icons.size(), 1u);
  // Stored values still load; no default can be built without a rate.
  EXPECT_EQ(f.mnuMain2.caption(), "800 X 600, 32BIT COLOR, 60 HZ");
  EXPECT_FALSE(f.mnuMain1.visible());
  EXPECT_TRUE(f.mnuMain2.visible());
}

TEST(StartupFaults, DriverOfferingMoreModesThanAListHolds) {
  std::vector<SimMode> modes;
  for (int i = 0; i < 40000; ++i) modes.push_back({640 + i, 480, i % 3 ? 32 : 8, 60});
  Rig rig(modes, {640 + 39999, 480, 32, 60});  // past the rows kept: not found, start-up goes on
  rig.load();
  EXPECT_EQ(rig.form.List1.listCount(), 32767);
  EXPECT_EQ(rig.form.List2.listCount(), 32766);
  EXPECT_EQ(rig.form.mnuAllA.count(), 32767);
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{"Error: Could not read current settings!"});
  EXPECT_FALSE(rig.form.ended());
  rig.clickIcon(rig.form.mnuAllA[32766]);
  EXPECT_EQ(rig.display.current.horzRes, 640 + 32766);
}

TEST(StartupFaults, ListThatShrinksBetweenPassesStillStarts) {
  Rig rig(DesktopModes(), kXga);
  rig.display.shrinkAfterCount = 3;  // the mode in force, 1024 x 768, is row 2 and survives
  rig.load();
  EXPECT_EQ(rig.form.List1.listCount(), 5);
  EXPECT_EQ(rig.form.List1.list(3), "0 x 0, 24bit color, (Hardware default)");
  EXPECT_EQ(rig.form.List1.list(4), "0 x 0, 24bit color, (Hardware default)");
  EXPECT_EQ(rig.form.mnuAllA[4], nullptr);  // equal to row 3 just before it
  EXPECT_EQ(rig.form.StartupModeIndex, 2);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
  rig.clickIcon(rig.form.mnuAllA[3]);  // a cleared entry: the display refuses it
  EXPECT_EQ(rig.display.current.horzRes, 1024);
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{kChangeFailed});
}
