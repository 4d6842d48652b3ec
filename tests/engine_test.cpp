#include <cstring>
#include <sstream>
#include <stdexcept>

#include "modes/mode_text.h"
#include "harness.h"

namespace {

DevMode Mode(int32_t width, int32_t height, int32_t bits, int32_t rate) {
  DevMode m{};
  m.dmPelsWidth = width;
  m.dmPelsHeight = height;
  m.dmBitsPerPel = bits;
  m.dmDisplayFrequency = rate;
  return m;
}

struct Engine {
  SimDisplay display;
  SimToolkit toolkit;
  ScreenRes engine{display, toolkit};
  ListBox list{"List1", nullptr, 0, 0, 0, 0, 0};
  explicit Engine(std::vector<SimMode> modes) : display(std::move(modes)) {}
  std::vector<std::string> enumerate() {
    std::vector<std::string> texts{"stale"};
    engine.EnumDisplayModes(texts);
    return texts;
  }
};

}  // namespace

TEST(ModeText, DepthTable) {
  EXPECT_EQ(DepthText(1), "24bit color");
  EXPECT_EQ(DepthText(4), "16 colors");
  EXPECT_EQ(DepthText(8), "256 colors");
  EXPECT_EQ(DepthText(15), "24bit color");
  EXPECT_EQ(DepthText(16), "24bit color");
  EXPECT_EQ(DepthText(24), "24bit color");
  EXPECT_EQ(DepthText(25), "32bit color");
  EXPECT_EQ(DepthText(32), "32bit color");
  EXPECT_EQ(DepthText(-8), "24bit color");
}

TEST(ModeText, RatePartAndSeparators) {
  EXPECT_EQ(ModeText(Mode(1024, 768, 32, 85)), "1024 x 768, 32bit color, 85 Hz");
  EXPECT_EQ(ModeText(Mode(640, 480, 8, 0)), "640 x 480, 256 colors, (Hardware default)");
  EXPECT_EQ(ModeText(Mode(640, 480, 8, 1)), "640 x 480, 256 colors, (Hardware default)");
  EXPECT_EQ(ModeText(Mode(640, 480, 8, 2)), "640 x 480, 256 colors, 2 Hz");
  EXPECT_EQ(ModeText(Mode(1024, 768, 16, 60)), ModeText(Mode(1024, 768, 24, 60)));
  EXPECT_EQ(ModeText(Mode(-1, -20, 32, -5)), "-1 x -20, 32bit color, (Hardware default)");
  EXPECT_EQ(ModeText(Mode(-1, 0, 32, 2147483647)), "-1 x 0, 32bit color, 2147483647 Hz");
}

TEST(Enumeration, TableAndTextsHaveOneExtraClearedEntry) {
  Engine e({{800, 600, 32, 60}, {640, 480, 8, 0}});
  const auto texts = e.enumerate();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(texts[1], "640 x 480, 256 colors, (Hardware default)");
  EXPECT_EQ(texts[2], "0 x 0, 24bit color, (Hardware default)");
  ASSERT_EQ(e.engine.DisplayModes().size(), 3u);
  const DevMode& extra = e.engine.DisplayModes()[2];
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&extra), sizeof extra), std::string(sizeof extra, '\0'));
  EXPECT_EQ(e.display.calls.enumMode, 2 * 2 + 2);
}

TEST(Enumeration, KeepsDriverOrderAndDuplicates) {
  std::istringstream fixture("1024 768 32 60 0\n1024 768 32 60 2\n640 480 32 60\n");
  Engine e(ParseModeFixture(fixture));
  const auto texts = e.enumerate();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], texts[1]);
  EXPECT_EQ(e.engine.DisplayModes()[0].dmDisplayFlags, 0);
  EXPECT_EQ(e.engine.DisplayModes()[1].dmDisplayFlags, 2);
  EXPECT_EQ(texts[2], "640 x 480, 32bit color, 60 Hz");
}

TEST(Enumeration, NoModesGivesOnlyTheExtraEntry) {
  Engine e({});
  EXPECT_EQ(e.enumerate(), std::vector<std::string>{"0 x 0, 24bit color, (Hardware default)"});
  EXPECT_EQ(e.display.calls.enumMode, 2);
}

TEST(Enumeration, ListThatShrinksBetweenPassesLeavesClearedEntries) {
  Engine e({{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}});
  e.display.shrinkAfterCount = 1;
  const auto texts = e.enumerate();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "640 x 480, 32bit color, 60 Hz");
  EXPECT_EQ(texts[1], "0 x 0, 24bit color, (Hardware default)");
  EXPECT_EQ(texts[2], "0 x 0, 24bit color, (Hardware default)");
  EXPECT_EQ(e.engine.DisplayModes()[1].dmSize, 0);
}

TEST(Enumeration, StopsAtTheLargestListARowIndexCanAddress) {
  Engine e(std::vector<SimMode>(40000, SimMode{800, 600, 32, 60}));
  const auto texts = e.enumerate();
  EXPECT_EQ(texts.size(), 32768u);
  EXPECT_EQ(texts.back(), "0 x 0, 24bit color, (Hardware default)");
  EXPECT_EQ(e.engine.DisplayModes().back().dmPelsWidth, 0);
}

TEST(Enumeration, FixtureRejectsAMalformedLine) {
  std::vector<SimMode> modes = LoadModeFixture(TARNVEL_FIXTURES "/desktop.modes");
  ASSERT_EQ(modes.size(), 6u);
  EXPECT_EQ(modes[4].flags, 2);
  std::istringstream bad("640 480 32\n");
  EXPECT_THROW(ParseModeFixture(bad), std::runtime_error);
}

TEST(CurrentMode, LowestMatchingIndexIsSelected) {
  Engine e({{640, 480, 32, 60}, {1024, 768, 32, 60, 0}, {1024, 768, 32, 60, 2}});
  e.display.setCurrent({1024, 768, 32, 60});
  e.engine.FillModeList(e.list);
  EXPECT_EQ(e.engine.GetCurrentModeIndex(), 1);
  EXPECT_EQ(e.list.listIndex(), 1);
  EXPECT_EQ(e.list.listCount(), 3);
  EXPECT_EQ(e.list.list(2), "1024 x 768, 32bit color, 60 Hz");
  EXPECT_TRUE(e.toolkit.boxes.empty());
}

TEST(CurrentMode, RateTheDriverDoesNotListIsReported) {
  Engine e({{1024, 768, 32, 0}});
  e.display.setCurrent({1024, 768, 32, 60});
  e.engine.FillModeList(e.list);
  EXPECT_EQ(e.engine.GetCurrentModeIndex(), -1);
  EXPECT_EQ(e.list.listIndex(), -1);
  EXPECT_EQ(e.list.listCount(), 1);
  ASSERT_EQ(e.toolkit.boxes.size(), 1u);
  EXPECT_EQ(e.toolkit.boxes[0].text, "Error: Could not read current settings!");
  EXPECT_EQ(e.toolkit.boxes[0].style, 16);
  EXPECT_EQ(e.toolkit.boxes[0].title, "Tarnvel");
}

TEST(CurrentMode, NoModesNeverMatchesTheExtraEntry) {
  Engine e({});
  e.display.setCurrent({0, 0, 0, 0});  // a screen that reads like the cleared entry
  e.engine.FillModeList(e.list);
  EXPECT_EQ(e.engine.GetCurrentModeIndex(), -1);
  EXPECT_EQ(e.list.listCount(), 0);
  EXPECT_EQ(e.toolkit.boxes.size(), 1u);
}

TEST(ModeChange, HandsTheRecordOverUnchangedWithDynamicFlag) {
  Engine e({{640, 480, 32, 60}, {800, 600, 32, 75}});
  e.enumerate();
  const DevMode before = e.engine.DisplayModes()[1];
  EXPECT_EQ(e.engine.ApplyDisplayMode(1), kTrue);
  ASSERT_EQ(e.display.changes.size(), 1u);
  EXPECT_EQ(e.display.changes[0].flags, 0x80000000u);
  EXPECT_EQ(std::memcmp(&e.display.changes[0].mode, &before, sizeof before), 0);
  EXPECT_EQ(e.display.current.horzRes, 800);
}

TEST(ModeChange, EveryNonzeroCodeIsFalse) {
  Engine e({{640, 480, 32, 60}});
  e.enumerate();
  for (int32_t code : {1, -1, -2, -3, -4, -5, 7}) {
    e.display.results = {code};
    EXPECT_EQ(e.engine.ApplyDisplayMode(0), kFalse) << code;
  }
}

TEST(ModeChange, WhatTheDisplayWritesLandsInTheTable) {
  Engine e({{640, 480, 32, 60}});
  e.enumerate();
  e.display.onChange = [](DevMode& m) { m.dmDisplayFlags = 0x99; };
  e.display.results = {-1};
  e.engine.ApplyDisplayMode(0);
  EXPECT_EQ(e.engine.DisplayModes()[0].dmDisplayFlags, 0x99);
}

TEST(ModeChange, IndexOutsideTheTableIsRefusedWithoutADisplayCall) {
  Engine e({{640, 480, 32, 60}});
  EXPECT_THROW(e.engine.ApplyDisplayMode(0), std::out_of_range);  // no enumeration yet
  e.enumerate();
  EXPECT_THROW(e.engine.ApplyDisplayMode(-1), std::out_of_range);
  EXPECT_THROW(e.engine.ApplyDisplayMode(2), std::out_of_range);
  EXPECT_EQ(e.display.calls.changeMode, 0);
}

TEST(ModeChange, SwitchingBackIsTheCallersChoice) {
  Engine e({{640, 480, 32, 60}, {800, 600, 32, 60}});
  e.display.setCurrent({640, 480, 32, 60});
  e.engine.FillModeList(e.list);
  e.engine.ApplyDisplayMode(1);
  EXPECT_EQ(e.display.current.horzRes, 800);
  EXPECT_EQ(e.engine.GetCurrentModeIndex(), 0);  // the mode in force at start-up
  e.engine.ApplyDisplayMode(e.engine.GetCurrentModeIndex());
  EXPECT_EQ(e.display.current.horzRes, 640);
}
