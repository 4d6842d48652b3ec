#include "harness.h"
#include "window/fit.h"

namespace {

struct Menus : ::testing::Test {
  // 1024 x 768 at two depths; 800 x 600 only at 32 bits; 640 x 480 at 16 and 24 bits.
  Rig rig{{{1024, 768, 8, 60}, {1024, 768, 32, 60}, {800, 600, 32, 60}, {640, 480, 16, 60}, {640, 480, 24, 60}}, kXga};
  Form1& f = rig.form;
  void SetUp() override { rig.load(); }
  const MenuEntry* depth(const std::string& caption) {
    for (int i = 0; i < f.mnuAllColor.count(); ++i)
      if (f.mnuAllColor[i]->caption() == caption) return f.mnuAllColor[i];
    return nullptr;
  }
};

}  // namespace

TEST_F(Menus, AllResolutionsItemSwitchesToItsCaption) {
  rig.clickIcon(f.mnuAllA[2]);
  EXPECT_EQ(rig.display.current.horzRes, 800);
  EXPECT_EQ(f.mnuResDef.caption(), "Current: 800 x 600, 32bit color, 60 Hz");
}

TEST(MenusWithRepeats, EqualCaptionsApplyTheFirstRow) {
  Rig rig({{640, 480, 16, 60}, {800, 600, 32, 60}, {640, 480, 24, 60}}, {800, 600, 32, 60});
  rig.load();
  rig.clickIcon(rig.form.mnuAllA[2]);  // reads like row 0
  ASSERT_EQ(rig.display.changes.size(), 1u);
  EXPECT_EQ(rig.display.changes[0].mode.dmBitsPerPel, 16);
  EXPECT_EQ(rig.form.List1.listIndex(), 0);
}

TEST_F(Menus, ColourDepthKeepsSizeAndRate) {
  ASSERT_NE(depth("256 colors"), nullptr);
  rig.clickIcon(depth("256 colors"));
  EXPECT_EQ(rig.display.current.bitsPixel, 8);
  EXPECT_EQ(f.mnuResDef.tag(), "1024 x 768, 256 colors, 60 Hz");
  rig.clickIcon(depth("256 colors"));  // the depth in force: switched to again
  EXPECT_EQ(rig.display.calls.changeMode, 2);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
}

TEST_F(Menus, UnofferedDepthIsReportedAndNothingMoves) {
  rig.clickIcon(f.mnuAllA[2]);  // 800 x 600 has no 256-colour mode
  const int16_t selected = f.List1.listIndex();
  rig.clickIcon(depth("256 colors"));
  EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{
                                "The Resolution and Color Depth: 800 x 600, 256 colors, 60 Hz is not supported..."});
  EXPECT_EQ(rig.toolkit.boxes[0].style, 0);
  EXPECT_EQ(rig.toolkit.boxes[0].title, "Tarnvel");
  EXPECT_EQ(rig.display.calls.changeMode, 1);
  EXPECT_EQ(f.List1.listIndex(), selected);
}

TEST_F(Menus, TagThatIsNoModeTextSwitchesNothing) {
  for (const char* tag : {"", "garbage", "1024 x 768", ",,,,"}) {
    f.mnuResDef.setTag(tag);
    f.mnuAllColor_Click(1);
  }
  EXPECT_EQ(rig.display.calls.changeMode, 0);
  EXPECT_EQ(rig.boxTexts()[0], "The Resolution and Color Depth: , 32bit color, is not supported...");
  EXPECT_EQ(rig.boxTexts()[2], "The Resolution and Color Depth: 1024 x 768, 32bit color, is not supported...");
  f.mnuAllColor_Click(40);  // no such item
  EXPECT_EQ(rig.toolkit.boxes.size(), 4u);
}

TEST_F(Menus, CurrentEntryDropsItsPrefixCaseSensitively) {
  rig.clickIcon(&f.mnuResDef);
  EXPECT_EQ(rig.boxTexts().back(), "Your Current Resolution Settings are: \r\n\r\n1024 x 768, 32bit color, 60 Hz");
  f.mnuResDef.setCaption("Current: current: x Current: y");
  f.mnuResDef_Click();
  EXPECT_EQ(rig.boxTexts().back(), "Your Current Resolution Settings are: \r\n\r\ncurrent: x y");
  EXPECT_EQ(rig.toolkit.boxes.back().title, "Tarnvel");
}

TEST_F(Menus, AboutShowsFiveLines) {
  rig.clickIcon(&f.mnuAbout);
  ASSERT_EQ(rig.toolkit.boxes.size(), 1u);
  EXPECT_EQ(rig.toolkit.boxes[0].text,
            "Tarnvel\r\n\r\nVersion: " + kVersion + "\r\nDeveloper: Quorvane\r\n" + std::string(app::kWebsite));
  EXPECT_EQ(rig.toolkit.boxes[0].title, "About...");
  EXPECT_EQ(rig.toolkit.boxes[0].style, 0);
  EXPECT_NE(app::kWebsite.back(), '/');
}

TEST_F(Menus, WebsiteOpensTheAddressWithASlash) {
  rig.toolkit.directory = "/srv/somewhere";
  rig.clickIcon(&f.mnuWebsite);
  rig.toolkit.directory = "/tmp";
  rig.clickIcon(&f.mnuWebsite);
  ASSERT_EQ(rig.shell.executions.size(), 2u);
  const auto& first = rig.shell.executions[0];
  EXPECT_EQ(first.owner, 0u);
  EXPECT_EQ(first.operation, "open");
  EXPECT_EQ(first.file, std::string(app::kWebsite) + "/");
  EXPECT_FALSE(first.parameters.has_value());
  EXPECT_EQ(first.directory, "/srv/somewhere");
  EXPECT_EQ(first.show, 5);
  EXPECT_EQ(rig.shell.executions[1].directory, "/tmp");
  EXPECT_TRUE(rig.toolkit.boxes.empty());
}

// A caption too wide for the screen keeps its start and its end around "…", as much of both
// as fits; one that fits stays whole. Every character is one unit wide here, "…" too.
TEST(Shortening, KeepsTheStartAndTheEndAroundAnEllipsis) {
  const auto width = [](std::string_view text) {
    int n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  struct Case {
    std::string text;
    int room;
    std::string shown;
  };
  const Case cases[] = {
      {"1024 x 768, 32bit color, 60 Hz", 30, "1024 x 768, 32bit color, 60 Hz"},
      {"1024 x 768, 32bit color, 60 Hz", 12, "1024 x\u202660 Hz"},
      {"abcdef", 2, "a\u2026"},
      {"abcdef", 1, "\u2026"},
      {"\u00e9\u00e9\u00e9\u00e9\u00e9", 4, "\u00e9\u00e9\u2026\u00e9"},  // never half a character
  };
  for (const Case& c : cases) {
    const std::string shown = ShortenInTheMiddle(c.text, c.room, width);
    EXPECT_EQ(shown, c.shown) << c.text << " in " << c.room;
    EXPECT_LE(width(shown), std::max(c.room, 1));
  }
}
