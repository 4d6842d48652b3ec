#pragma once
// A Form1 on the simulated platform: a mode table in, start-up run, controls and recorded
// calls out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"
#include "window/form1.h"

// Form1 with the simulated settings, shell and toolkit, on a display of the test's choosing:
// the simulated one, or a backend stacked on it.
struct Program {
  SimSettings settings;
  SimShell shell;
  SimToolkit toolkit;
  Form1 form;

  explicit Program(DisplayDriver& display) : form{Platform{display, settings, shell, toolkit}} {}

  // Stores a preset the way an earlier OK would have.
  void store(int preset, const std::string& value) {
    settings.values[SimSettings::path("Tarnvel", "Settings", "d" + std::to_string(preset))] = value;
  }
  std::string stored(int preset) const {
    auto it = settings.values.find(SimSettings::path("Tarnvel", "Settings", "d" + std::to_string(preset)));
    return it == settings.values.end() ? "<missing>" : it->second;
  }
  Program& load() {
    form.Form_Load();
    return *this;
  }
  // Makes the next pop-up answer with `entry`.
  void choose(const MenuEntry* entry) {
    toolkit.choose = [entry](const MenuEntry&) { return entry; };
  }
  // A left click on the icon: press, then release, as the shell reports them.
  void clickIcon(const MenuEntry* entry) {
    choose(entry);
    form.Form_MouseMove(0, 0, MessageAsX(mouse::kLeftDown, toolkit.twipsPerPixel), 0);
    form.Form_MouseMove(0, 0, MessageAsX(mouse::kLeftUp, toolkit.twipsPerPixel), 0);
  }
  // Chooses `text` in the list and presses the switch button, as a user of the window does.
  void switchTo(const std::string& text) {
    form.SelectModeByText(text);
    ASSERT_NE(form.List1.listIndex(), -1) << text;
    form.Command1_Click();
  }
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : toolkit.boxes) texts.push_back(box.text);
    return texts;
  }
  std::vector<std::string> rows(const ListBox& list) const {
    std::vector<std::string> out;
    for (int i = 0; i < list.listCount(); ++i) out.push_back(list.list(i));
    return out;
  }
};

// The display first, so that it is there before the program that drives it.
struct WithSimDisplay {
  SimDisplay display;
};

// The program on the simulated display.
struct Rig : WithSimDisplay, Program {
  Rig(std::vector<SimMode> modes, SimMode current) : WithSimDisplay{SimDisplay(std::move(modes))}, Program(display) {
    display.setCurrent(current);
  }
  Rig& load() {
    Program::load();
    return *this;
  }
};

// A display offering the usual sizes at 32 bits and 60 Hz, running 1024 x 768.
inline std::vector<SimMode> DesktopModes() {
  return {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}, {1280, 1024, 32, 60}, {1600, 1200, 32, 60}};
}
inline constexpr SimMode kXga{1024, 768, 32, 60};

// The version the build gives the program, as the tip and the About box write it.
inline const std::string kVersion =
    std::to_string(app::kVersionMajor) + "." + std::to_string(app::kVersionMinor) + "." + std::to_string(app::kVersionRevision);

inline const std::string kNotSupported = "Error changing resolution... Resolution is not supported...";
inline const std::string kChangeFailed = "Error changing resolution...";
