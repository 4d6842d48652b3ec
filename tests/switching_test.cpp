#include "harness.h"

namespace {

struct Switching : ::testing::Test {
  Rig rig{{{640, 480, 32, 60}, {800, 600, 32, 60}, {800, 600, 32, 60, 2}, {1024, 768, 32, 60}}, kXga};
  Form1& f = rig.form;
  void SetUp() override { rig.load(); }
};

}  // namespace

TEST_F(Switching, SwitchesTheSelectedRowAndNamesItCurrent) {
  f.SelectModeByText("800 x 600, 32bit color, 60 Hz");
  f.Command1_Click();
  EXPECT_EQ(rig.display.current.horzRes, 800);
  EXPECT_EQ(rig.display.changes.back().mode.dmDisplayFlags, 0);  // the first of the equal rows
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuResDef.tag(), "800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(f.lStatus.caption(), "Current Resolution: 1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(f.StartupModeIndex, 3);
  EXPECT_EQ(f.List1.listIndex(), 1);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
}

TEST_F(Switching, TheModeInForceIsSwitchedToAgain) {
  f.mnuResDef.setCaption("Current: stale");
  f.Command1_Click();  // start-up left the mode in force selected
  EXPECT_EQ(rig.display.calls.changeMode, 1);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 1024 x 768, 32bit color, 60 Hz");
}

TEST_F(Switching, NoSelectionTriesNothing) {
  f.SelectModeByText("800 x 600,32bit color, 60 Hz");
  EXPECT_EQ(f.List1.listIndex(), -1);
  f.Command1_Click();
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{kNotSupported});
  EXPECT_EQ(rig.toolkit.boxes[0].style, 0);
  EXPECT_EQ(rig.toolkit.boxes[0].title, "Tarnvel");
  EXPECT_EQ(rig.display.calls.changeMode, 0);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 1024 x 768, 32bit color, 60 Hz");
}

TEST_F(Switching, RefusedChangeKeepsTheCurrentEntry) {
  for (int32_t code : {1, -1, -2, -3, -4, -5}) {
    rig.display.results = {code};
    f.SelectModeByText("640 x 480, 32bit color, 60 Hz");
    f.Command1_Click();
  }
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>(6, kChangeFailed));
  EXPECT_EQ(f.mnuResDef.tag(), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_EQ(rig.display.current.horzRes, 1024);
}

TEST_F(Switching, LookupsIgnoreLetterCaseOnly) {
  EXPECT_EQ(f.FindModeByText("800 X 600, 32BIT COLOR, 60 hz"), 1);
  EXPECT_EQ(f.FindModeByText("800 x 600, 32bit color, 60 Hz "), -1);
  EXPECT_EQ(f.FindModeByText("800 x 600 32bit color, 60 Hz"), -1);
  EXPECT_EQ(f.FindModeByText(""), -1);
  f.List1.setListIndex(0);
  EXPECT_EQ(f.FindModeByText("1024 x 768, 32bit color, 60 Hz"), 3);
  EXPECT_EQ(f.List1.listIndex(), 0);  // a find never moves the selection
  f.SelectModeByText("1024 X 768, 32BIT COLOR, 60 HZ");
  EXPECT_EQ(f.List1.listIndex(), 3);
}

TEST(SwitchingEmptyList, LookupsFindNothing) {
  Rig rig({}, kXga);
  EXPECT_EQ(rig.form.FindModeByText("640 x 480, 32bit color, 60 Hz"), -1);
  rig.form.SelectModeByText("640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(rig.form.List1.listIndex(), -1);
}
