// What the user reads and in which order: the window's controls, their focus order, and the
// pop-up menu's entries, checked against the window's design, one table each.
#include <tuple>

#include "harness.h"

namespace {

struct ControlRow {
  const char* name;
  ControlKind kind;
  const char* container;  // "" for the window itself
  const char* caption;
  float left, top, width, height;
  int tab;
};

constexpr ControlRow kControls[] = {
    {"Label1", ControlKind::Label, "", "Available Resolutions", 120, 120, 2895, 255, 0},
    {"List1", ControlKind::ListBox, "", "", 1920, 2760, 675, 255, 1},
    {"Command1", ControlKind::Button, "", "Switch!", 600, 3120, 1215, 495, 2},
    {"List2", ControlKind::ListBox, "", "", 120, 480, 2895, 3540, 3},
    {"pPresets", ControlKind::Panel, "", "", 3360, 480, 3015, 3615, 4},
    {"Label2", ControlKind::Label, "pPresets", "Default Item 1:", 0, 0, 2895, 255, 16},
    {"cmdMove", ControlKind::Button, "pPresets", ">", 0, 240, 255, 255, 11},
    {"Text1", ControlKind::TextBox, "pPresets", "Text1", 240, 240, 2535, 285, 12},
    {"Label3", ControlKind::Label, "pPresets", "Default Item 2:", 0, 720, 2895, 255, 15},
    {"Command3", ControlKind::Button, "pPresets", ">", 0, 960, 255, 255, 9},
    {"Text2", ControlKind::TextBox, "pPresets", "Text1", 240, 960, 2535, 285, 10},
    {"Label4", ControlKind::Label, "pPresets", "Default Item 3:", 0, 1440, 2895, 255, 14},
    {"Command4", ControlKind::Button, "pPresets", ">", 0, 1680, 255, 255, 7},
    {"Text3", ControlKind::TextBox, "pPresets", "Text1", 240, 1680, 2535, 285, 8},
    {"Label5", ControlKind::Label, "pPresets", "Default Item 4:", 0, 2280, 2895, 255, 13},
    {"Command5", ControlKind::Button, "pPresets", ">", 0, 2520, 255, 255, 5},
    {"Text4", ControlKind::TextBox, "pPresets", "Text1", 240, 2520, 2535, 285, 6},
    {"pFooter", ControlKind::Panel, "", "", 120, 4200, 6135, 1095, 17},
    {"lStatus", ControlKind::Label, "pFooter", "Current Resolution: Unknown", 0, 0, 5775, 255, 20},
    {"Command2", ControlKind::Button, "pFooter", "OK", 3600, 600, 1095, 375, 19},
    {"Command6", ControlKind::Button, "pFooter", "Cancel", 4800, 600, 1095, 375, 18},
};

struct MenuRow {
  const char* name;
  const char* caption;
  const char* items;  // the item array of a sub-menu, or ""
};

constexpr MenuRow kMenu[] = {
    {"mnuCancel", "(Cancel)", ""},
    {"mnuBar4", "-", ""},
    {"mnuExit", "Exit/Close Program", ""},
    {"mnuAbout", "About Program...", ""},
    {"mnubar3", "-", ""},
    {"mnuWebsite", "Quorvane Website", ""},
    {"mnuBar7", "-", ""},
    {"mnuColorDepth", "Select Color Depth", "mnuAllColor"},
    {"mnubar5", "-", ""},
    {"mnuResDef", "DefRes", ""},
    {"mnuBar2", "-", ""},
    {"mnuConfig", "Configure Pre-Sets...", ""},
    {"bar1", "-", ""},
    {"mnuMain1", "1280x1024x32", ""},
    {"mnuMain2", "1280x1024x16", ""},
    {"mnuMain3", "1024x768x32", ""},
    {"mnuMain4", "1024x768x16", ""},
    {"mnuBar6", "-", ""},
    {"mnuAll", "All Resolutions", "mnuAllA"},
};

std::string Caption(const Control& c) {
  switch (c.kind()) {
    case ControlKind::Label:
      return static_cast<const Label&>(c).caption();
    case ControlKind::Button:
      return static_cast<const Button&>(c).caption();
    case ControlKind::TextBox:
      return static_cast<const TextBox&>(c).text();
    default:
      return "";
  }
}

struct Design : ::testing::Test {
  Rig rig{DesktopModes(), kXga};
  Form1& f = rig.form;
};

}  // namespace

TEST_F(Design, ControlsCaptionsPlacesAndFocusOrder) {
  std::vector<const Control*> shown;
  for (const Control* c : f.controls()) {
    if (c->kind() != ControlKind::Line) shown.push_back(c);
  }
  ASSERT_EQ(shown.size(), std::size(kControls));
  for (size_t i = 0; i < shown.size(); ++i) {
    const Control& c = *shown[i];
    const ControlRow& want = kControls[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(c.name(), want.name);
    EXPECT_EQ(c.kind(), want.kind);
    EXPECT_EQ(c.container() ? c.container()->name() : "", want.container);
    EXPECT_EQ(Caption(c), want.caption);
    EXPECT_EQ(std::make_tuple(c.left(), c.top(), c.width(), c.height()),
              std::make_tuple(want.left, want.top, want.width, want.height));
    EXPECT_EQ(c.tabIndex(), want.tab);
    EXPECT_EQ(c.rendered(), c.name() != "List1" && c.name() != "Command1");
  }
  EXPECT_EQ(std::make_tuple(f.Line1.x1(), f.Line1.y1(), f.Line1.x2(), f.Line1.y2()),
            std::make_tuple(0.0f, 360.0f, 5880.0f, 360.0f));
}

TEST_F(Design, PopUpMenuEntriesInOrder) {
  EXPECT_EQ(f.mnuRes.caption(), "mnuRes");
  ASSERT_EQ(f.mnuRes.children.size(), std::size(kMenu));
  for (size_t i = 0; i < std::size(kMenu); ++i) {
    const MenuEntry& entry = *f.mnuRes.children[i];
    const MenuRow& want = kMenu[i];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(entry.name(), want.name);
    EXPECT_EQ(entry.caption(), want.caption);
    EXPECT_EQ(entry.separator(), std::string_view(want.caption) == "-");
    EXPECT_TRUE(entry.visible());
    EXPECT_EQ(entry.items() ? entry.items()->name() : "", want.items);
    if (entry.items()) {
      ASSERT_EQ(entry.items()->count(), 1);
      EXPECT_EQ((*entry.items())[0]->caption(), "all");
    }
  }
}

// After start-up on a display with one depth: what the menu shows, top to bottom.
TEST_F(Design, PopUpMenuAfterStartUp) {
  rig.load();
  std::vector<std::string> shown;
  for (const MenuEntry* entry : f.mnuRes.children) {
    if (entry->visible()) shown.push_back(entry->caption());
  }
  const std::vector<std::string> expected{"(Cancel)",
                                          "-",
                                          "Exit/Close Program",
                                          "About Program...",
                                          "-",
                                          "Quorvane Website",
                                          "-",
                                          "-",
                                          "Current: 1024 x 768, 32bit color, 60 Hz",
                                          "-",
                                          "Configure Pre-Sets...",
                                          "-",
                                          "1600 x 1200, 32bit color, 60 Hz",
                                          "1024 x 768, 32bit color, 60 Hz",
                                          "800 x 600, 32bit color, 60 Hz",
                                          "640 x 480, 32bit color, 60 Hz",
                                          "-",
                                          "All Resolutions"};
  EXPECT_EQ(shown, expected);
  std::vector<std::string> all;
  for (int32_t i = 0; i < f.mnuAllA.count(); ++i) {
    if (f.mnuAllA[i]->visible()) all.push_back(f.mnuAllA[i]->caption());
  }
  EXPECT_EQ(all, rig.rows(f.List1));
}

// Each preset entry runs its own preset: four entries, four modes.
TEST_F(Design, EachPresetEntrySwitchesToItsOwnMode) {
  rig.load();
  const std::pair<MenuEntry*, int32_t> presets[] = {
      {&f.mnuMain1, 1600}, {&f.mnuMain2, 1024}, {&f.mnuMain3, 800}, {&f.mnuMain4, 640}};
  for (const auto& [entry, width] : presets) {
    SCOPED_TRACE(entry->name());
    rig.clickIcon(entry);
    EXPECT_EQ(rig.display.changes.back().mode.dmPelsWidth, width);
    EXPECT_EQ(f.mnuResDef.tag(), entry->caption());
  }
  EXPECT_EQ(rig.display.changes.size(), 4u);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
}
