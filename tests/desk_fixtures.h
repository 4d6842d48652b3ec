#pragma once
// The named desks of tests/fixtures/desks/, which the model's tests and the tables of the real
// display servers share: each desk, and the switches made on it with the layout after each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "desktop/desk.h"
#include "desktop/desktop_display.h"

struct DeskStep {
  std::string monitor;
  int32_t width = 0, height = 0;
  std::string after;  // the layout, "refused" or "arranged"
};

struct NamedDesk {
  std::string name;  // the file's, without .desk
  std::string text;  // the desk in the simulated desk's text form, the steps in its comments
  std::vector<DeskStep> steps;
};

inline std::vector<NamedDesk> NamedDesks() {
  std::vector<NamedDesk> desks;
  for (const auto& entry : std::filesystem::directory_iterator(TARNVEL_FIXTURES "/desks")) {
    if (entry.path().extension() != ".desk") continue;
    std::ifstream in(entry.path());
    NamedDesk desk{entry.path().stem().string(), std::string(std::istreambuf_iterator<char>(in), {}), {}};
    std::istringstream lines(desk.text);
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with("#> ")) continue;
      DeskStep step;
      std::istringstream words(line.substr(3));
      char x = 0, colon = 0;
      words >> step.monitor >> step.width >> x >> step.height >> colon;
      std::getline(words >> std::ws, step.after);
      desk.steps.push_back(step);
    }
    desks.push_back(std::move(desk));
  }
  std::sort(desks.begin(), desks.end(), [](const NamedDesk& a, const NamedDesk& b) { return a.name < b.name; });
  return desks;
}

// Every monitor as "NAME WIDTHxHEIGHT+X+Y", its mode's size and its place's corner, in the order
// of their names: what xrandr shows.
inline std::string Layout(const desktop::Desk& desk) {
  std::map<std::string, std::string> monitors;
  for (const desktop::Place& p : desk.places) {
    for (const desktop::Monitor& m : p.monitors) {
      monitors[m.name] = std::to_string(m.current().width) + "x" + std::to_string(m.current().height) + "+" +
                         std::to_string(p.rect.x) + "+" + std::to_string(p.rect.y);
    }
  }
  std::string out;
  for (const auto& [name, where] : monitors) out += (out.empty() ? "" : "; ") + name + " " + where;
  return out;
}

// The arrangement as a program keeps it in memory, where no file can be written.
struct Kept final : desktop::Memory {
  std::optional<desktop::Arrangement> record;
  std::optional<desktop::Arrangement> recall() override { return record; }
  void remember(const desktop::Arrangement& r) override { record = r; }
};

// Switches `monitor` to WIDTHxHEIGHT as the programs do, planned from `memory`; the code.
inline int32_t SwitchOn(desktop::System& system, desktop::Memory& memory, const std::string& monitor, int32_t width,
                        int32_t height) {
  desktop::DesktopDisplay driver(system, monitor, &memory);
  DevMode mode{};
  mode.dmFields = dm::kPelsWidth | dm::kPelsHeight;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  return driver.changeMode(mode, kChangeDynamic);
}

// Makes a named desk's `step` on `system` (its monitor called `monitor` there) and checks the code
// and the layout `shown` reports afterwards; `arranged` is the desk's own layout.
inline void ExpectStep(desktop::System& system, desktop::Memory& memory, const std::string& monitor, const DeskStep& step,
                       const std::string& arranged, const std::function<std::string()>& shown) {
  SCOPED_TRACE(step.monitor + " " + std::to_string(step.width) + "x" + std::to_string(step.height));
  const std::string before = shown();
  const int32_t code = SwitchOn(system, memory, monitor, step.width, step.height);
  const std::string after = shown();
  EXPECT_EQ(code, step.after == "refused" ? disp_change::kNoLayout : disp_change::kSuccessful);
  EXPECT_EQ(after, step.after == "refused" ? before : step.after == "arranged" ? arranged : step.after);
  std::printf("%s %dx%d:\n  before: %s\n  after:  %s\n", step.monitor.c_str(), step.width, step.height, before.c_str(),
              after.c_str());
}
