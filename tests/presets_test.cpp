#include "harness.h"

namespace {

std::vector<std::string> Captions(Form1& f) {
  return {f.mnuMain1.caption(), f.mnuMain2.caption(), f.mnuMain3.caption(), f.mnuMain4.caption()};
}
std::vector<std::string> Texts(Form1& f) { return {f.Text1.text(), f.Text2.text(), f.Text3.text(), f.Text4.text()}; }

}  // namespace

TEST(PresetLoading, FirstRunTakesDefaultsAndWritesNothing) {
  Rig rig(DesktopModes(), kXga);
  rig.load();
  const std::vector<std::string> expected{"1600 x 1200, 32bit color, 60 Hz", "1024 x 768, 32bit color, 60 Hz",
                                          "800 x 600, 32bit color, 60 Hz", "640 x 480, 32bit color, 60 Hz"};
  EXPECT_EQ(Captions(rig.form), expected);
  EXPECT_EQ(Texts(rig.form), expected);
  EXPECT_EQ(rig.settings.writes, 0);
  EXPECT_EQ(rig.settings.reads, 4);
}

TEST(PresetLoading, FallsBackTo1280x1024AndHidesWhatHasNoDefault) {
  Rig rig({{1280, 1024, 32, 75}, {1024, 768, 32, 75}, {800, 600, 16, 75}, {1600, 1200, 32, 60}}, {1024, 768, 32, 75});
  rig.load();
  EXPECT_EQ(Captions(rig.form),
            (std::vector<std::string>{"1280 x 1024, 32bit color, 75 Hz", "1024 x 768, 32bit color, 75 Hz", "", ""}));
  EXPECT_FALSE(rig.form.mnuMain3.visible() || rig.form.mnuMain4.visible());
  EXPECT_TRUE(rig.form.mnuMain1.visible());
  EXPECT_EQ(rig.form.Text3.text(), "");
}

TEST(PresetLoading, OfferedStoredValuesWinAsWritten) {
  Rig rig({{1024, 768, 32, 60}, {1024, 768, 32, 85}, {640, 480, 32, 60}}, kXga);
  rig.store(1, "1024 x 768, 32bit color, 85 Hz");  // another rate than the one in force
  rig.store(2, "640 X 480, 32BIT Color, 60 hz");
  rig.store(3, "1024 x 768, 32bit color, 100 Hz");  // no longer offered
  rig.store(4, "");
  rig.load();
  EXPECT_EQ(Captions(rig.form),
            (std::vector<std::string>{"1024 x 768, 32bit color, 85 Hz", "640 X 480, 32BIT Color, 60 hz", "",
                                      "640 x 480, 32bit color, 60 Hz"}));
  EXPECT_EQ(rig.stored(3), "1024 x 768, 32bit color, 100 Hz");  // kept until the next OK
}

TEST(PresetLoading, HardwareDefaultRateBuildsNoDefault) {
  Rig rig({{1024, 768, 32, 0}, {640, 480, 32, 0}}, {1024, 768, 32, 0});
  rig.load();
  EXPECT_EQ(Captions(rig.form), std::vector<std::string>(4, ""));
  EXPECT_FALSE(rig.form.mnuMain1.visible() || rig.form.mnuMain2.visible() || rig.form.mnuMain3.visible() ||
               rig.form.mnuMain4.visible());
}

TEST(PresetLoading, RowsTheEditorDoesNotListStillLoad) {
  Rig rig({{1600, 1200, 32, 60}, {1024, 768, 32, 60}}, kXga);  // row 0 never reaches List2
  rig.store(2, "1600 x 1200, 32bit color, 60 Hz");  // stored, not preset 2's default
  rig.load();
  EXPECT_EQ(rig.form.mnuMain1.caption(), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(rig.form.mnuMain2.caption(), "1600 x 1200, 32bit color, 60 Hz");
}

TEST(PresetLoading, UnreadableStoreCountsAsEmpty) {
  Rig rig(DesktopModes(), kXga);
  rig.store(1, "640 x 480, 32bit color, 60 Hz");
  rig.settings.failReads = true;
  rig.load();
  EXPECT_EQ(rig.form.mnuMain1.caption(), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_FALSE(rig.form.ended());
}

namespace {

struct Editor : ::testing::Test {
  Rig rig{DesktopModes(), kXga};
  Form1& f = rig.form;
  void SetUp() override { rig.load(); }
};

}  // namespace

// Opened and opened again, the editor is on the start-up mode with the keyboard in List2,
// the lowest tab index that can take it; without List2 the next one in tab order has it.
TEST_F(Editor, OpensOnTheStartUpModeWithTheKeyboardInTheFirstControl) {
  rig.clickIcon(&f.mnuConfig);
  EXPECT_TRUE(rig.toolkit.shown);
  EXPECT_EQ(rig.toolkit.eventPasses, 2);
  EXPECT_EQ(f.List2.listIndex(), 1);
  EXPECT_EQ(f.List2.list(1), "1024 x 768, 32bit color, 60 Hz");
  f.List2.setListIndex(3);
  rig.toolkit.focus(f.Command6);  // the user went on to Cancel
  f.mnuConfig_Click();            // a second opening replaces the user's pick
  EXPECT_EQ(f.List2.listIndex(), 1);
  EXPECT_EQ(rig.toolkit.focused, &f.List2);
  f.List2.setVisible(false);
  f.mnuConfig_Click();
  EXPECT_EQ(rig.toolkit.focused, &f.Command5);  // tab index 5; Label1, List1 and Command1 take none
  f.pPresets.setVisible(false);
  f.mnuConfig_Click();
  EXPECT_EQ(rig.toolkit.focused, &f.Command6);  // tab index 18: the panel hides what it holds
}

// Drivers list modes twice that differ only where the text does not look; List2 shows such a
// run once, so its rows no longer line up with List1's.
TEST(EditorWithRepeats, OpensOnTheStartUpModeAfterRepeatedRows) {
  Rig rig({{640, 480, 32, 60},
           {1280, 1024, 32, 60},
           {1280, 1024, 32, 60},
           {1280, 1024, 32, 60},
           {1024, 576, 32, 60},
           {1024, 768, 32, 60}},
          kXga);
  rig.load();
  ASSERT_EQ(rig.form.StartupModeIndex, 5);
  rig.form.mnuConfig_Click();
  ASSERT_EQ(rig.form.List2.listIndex(), 2);
  rig.form.cmdMove_Click();
  rig.form.Command2_Click();
  EXPECT_EQ(rig.stored(1), "1024 x 768, 32bit color, 60 Hz");
}

TEST(EditorWithoutRow, StartUpRowZeroOrUnknownSelectsNothing) {
  for (SimMode current : {SimMode{640, 480, 32, 60}, SimMode{1152, 864, 32, 60}}) {
    Rig rig(DesktopModes(), current);
    rig.load();
    rig.form.List2.setListIndex(2);
    rig.form.mnuConfig_Click();
    EXPECT_TRUE(rig.toolkit.shown);
    EXPECT_EQ(rig.form.List2.listIndex(), -1);
  }
}

TEST_F(Editor, CopyButtonsFillTheirBoxOnly) {
  f.mnuConfig_Click();
  f.List2.setListIndex(-1);
  f.cmdMove_Click();
  EXPECT_EQ(f.Text1.text(), "1600 x 1200, 32bit color, 60 Hz");
  f.List2.setListIndex(0);
  f.cmdMove_Click();
  f.Command3_Click();
  f.List2.setListIndex(3);
  f.Command4_Click();
  f.Command5_Click();
  EXPECT_EQ(Texts(f), (std::vector<std::string>{"800 x 600, 32bit color, 60 Hz", "800 x 600, 32bit color, 60 Hz",
                                                "1600 x 1200, 32bit color, 60 Hz", "1600 x 1200, 32bit color, 60 Hz"}));
  EXPECT_EQ(f.mnuMain1.caption(), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(rig.settings.writes, 0);
}

TEST_F(Editor, CancelKeepsEditsForTheNextOpeningOnly) {
  f.mnuConfig_Click();
  f.List2.setListIndex(0);
  f.cmdMove_Click();
  f.Command6_Click();
  EXPECT_FALSE(rig.toolkit.shown);
  EXPECT_EQ(f.mnuMain1.caption(), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(rig.settings.writes, 0);
  f.mnuConfig_Click();
  EXPECT_EQ(f.Text1.text(), "800 x 600, 32bit color, 60 Hz");
  f.Command2_Click();
  EXPECT_EQ(rig.stored(1), "800 x 600, 32bit color, 60 Hz");
}

TEST_F(Editor, OkSavesAllFourAndShowsOrHidesEntries) {
  f.mnuConfig_Click();
  f.Text2.setText("");
  f.Command2_Click();
  EXPECT_FALSE(rig.toolkit.shown);
  EXPECT_EQ(rig.settings.writes, 4);
  EXPECT_EQ(rig.settings.syncs, 1);
  EXPECT_EQ(rig.stored(1), "1600 x 1200, 32bit color, 60 Hz");
  EXPECT_EQ(rig.stored(2), "");
  EXPECT_FALSE(f.mnuMain2.visible());
  EXPECT_EQ(rig.display.calls.changeMode, 0);

  Rig next(DesktopModes(), kXga);  // the next start hides the emptied preset
  next.settings = rig.settings;
  next.load();
  EXPECT_EQ(next.form.mnuMain2.caption(), "1024 x 768, 32bit color, 60 Hz");  // an empty value falls back

  f.mnuConfig_Click();
  f.Text2.setText("anything at all");
  f.Command2_Click();
  EXPECT_TRUE(f.mnuMain2.visible());
  EXPECT_EQ(rig.stored(2), "anything at all");
}

TEST_F(Editor, UnwritableStoreLosesNothingAndCrashesNothing) {
  rig.store(1, "640 x 480, 32bit color, 60 Hz");
  rig.settings.failWrites = true;
  f.Text1.setText("800 x 600, 32bit color, 60 Hz");
  f.Command2_Click();
  EXPECT_EQ(rig.stored(1), "640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(f.mnuMain1.caption(), "800 x 600, 32bit color, 60 Hz");
  EXPECT_FALSE(rig.toolkit.shown);
  ASSERT_EQ(rig.toolkit.boxes.size(), 1u);
  EXPECT_EQ(rig.toolkit.boxes[0].text, "Unable to save the presets. They apply until Tarnvel is closed.");
  EXPECT_EQ(rig.toolkit.boxes[0].style, mb::kCritical);
  EXPECT_EQ(rig.toolkit.boxes[0].title, "Tarnvel");
}

// A save fails when any one of its four writes is refused (a store that writes each value at
// once, as the registry does), or when the store cannot make them durable.
TEST(Saving, EveryPartThatFailsIsReported) {
  const std::vector<std::string> unsaved{"Unable to save the presets. They apply until Tarnvel is closed."};
  for (const std::string fails : {"", "sync", "d1", "d4"}) {  // the first and the last
    Rig rig(DesktopModes(), kXga);
    rig.load();
    rig.settings.failSync = fails == "sync";
    rig.settings.failKey = fails;
    rig.form.Command2_Click();
    EXPECT_EQ(rig.boxTexts(), fails.empty() ? std::vector<std::string>{} : unsaved) << "failing: " << fails;
  }
}

TEST_F(Editor, PresetCommandsSwitchByCaption) {
  f.mnuMain3.setCaption("800 X 600, 32BIT COLOR, 60 HZ");
  f.mnuMain4.setCaption("800 x 600, 32bit color, 60 Hz");
  rig.clickIcon(&f.mnuMain3);
  rig.clickIcon(&f.mnuMain4);
  ASSERT_EQ(rig.display.changes.size(), 2u);
  EXPECT_EQ(rig.display.changes[0].mode.dmPelsWidth, 800);
  EXPECT_EQ(rig.display.changes[1].mode.dmPelsWidth, 800);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(f.lStatus.caption(), "Current Resolution: 1024 x 768, 32bit color, 60 Hz");
}

TEST_F(Editor, PresetThatNamesNoModeSwitchesNothing) {
  f.mnuMain1.setCaption("1152 x 864, 32bit color, 60 Hz");
  f.mnuMain2.setCaption("");
  rig.clickIcon(&f.mnuMain1);
  rig.clickIcon(&f.mnuMain2);
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>(2, kNotSupported));
  EXPECT_EQ(rig.display.calls.changeMode, 0);
}

TEST_F(Editor, PresetChosenDuringAnEditUsesTheConfirmedCaption) {
  rig.clickIcon(&f.mnuConfig);
  f.List2.setListIndex(0);
  f.cmdMove_Click();  // Text1 now says 800 x 600, not yet confirmed
  rig.clickIcon(&f.mnuMain1);
  EXPECT_EQ(rig.display.current.horzRes, 1600);
  EXPECT_TRUE(rig.toolkit.shown);
}
