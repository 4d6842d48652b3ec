#pragma once
// A display system in memory: a desk from a fixture (several monitors, mirrored sets, scales),
// changed by the plans it is given, with answers a test can script.
#include <deque>
#include <string>
#include <vector>

#include "desktop/desktop_display.h"

class SimDesk final : public desktop::System {
 public:
  explicit SimDesk(desktop::Desk desk) : desk(std::move(desk)) {}

  std::optional<desktop::Desk> read() override;
  int32_t change(const desktop::Planner& plan) override;

  desktop::Desk desk;  // the desk in force
  // Result codes for the next changes that the plan allows, in order; once empty, they succeed.
  std::deque<int32_t> results;
  bool unreachable = false;  // the system neither answers nor changes
  int reads = 0;
  int changes = 0;
};

// A desk in the text form of desktop::Format; throws std::runtime_error for anything else.
desktop::Desk DeskFixture(const std::string& text);
desktop::Desk LoadDeskFixture(const std::string& path);
