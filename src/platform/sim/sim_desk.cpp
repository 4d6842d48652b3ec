#include "platform/sim/sim_desk.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

std::optional<desktop::Desk> SimDesk::read() {
  ++reads;
  if (unreachable) return std::nullopt;
  return desk;
}

int32_t SimDesk::change(const desktop::Planner& plan) {
  ++changes;
  if (unreachable) return disp_change::kFailed;
  desktop::Planned planned = plan(desk);
  if (planned.code != disp_change::kSuccessful) return planned.code;
  int32_t result = disp_change::kSuccessful;
  if (!results.empty()) {
    result = results.front();
    results.pop_front();
  }
  if (result == disp_change::kSuccessful) desk = std::move(planned.desk);
  return result;
}

desktop::Desk DeskFixture(const std::string& text) {
  std::optional<desktop::Desk> desk = desktop::Parse(text);
  if (!desk) throw std::runtime_error("not a desk fixture:\n" + text);
  return std::move(*desk);
}

desktop::Desk LoadDeskFixture(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open desk fixture " + path);
  return DeskFixture(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}
