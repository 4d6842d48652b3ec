#include "platform/sim/sim_display.h"

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::vector<SimMode> ParseModeFixture(std::istream& in) {
  std::vector<SimMode> modes;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream fields(line);
    SimMode m;
    if (!(fields >> m.width)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      throw std::runtime_error("mode fixture line " + std::to_string(number) + ": " + line);
    }
    if (!(fields >> m.height >> m.bitsPerPel >> m.rate)) {
      throw std::runtime_error("mode fixture line " + std::to_string(number) + ": " + line);
    }
    fields >> m.flags;
    modes.push_back(m);
  }
  return modes;
}

std::vector<SimMode> LoadModeFixture(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open mode fixture " + path);
  return ParseModeFixture(in);
}

bool SimDisplay::enumMode(int32_t modeNum, DevMode& mode) {
  ++calls.enumMode;
  if (modeNum < 0 || static_cast<size_t>(modeNum) >= modes.size()) {
    if (shrinkAfterCount) {
      if (*shrinkAfterCount < modes.size()) modes.resize(*shrinkAfterCount);
      shrinkAfterCount.reset();
    }
    return false;
  }
  const SimMode& m = modes[static_cast<size_t>(modeNum)];
  mode = DevMode{};
  std::strcpy(mode.dmDeviceName, "SIM");
  mode.dmSize = sizeof(DevMode);
  mode.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFlags | dm::kDisplayFrequency;
  mode.dmBitsPerPel = m.bitsPerPel;
  mode.dmPelsWidth = m.width;
  mode.dmPelsHeight = m.height;
  mode.dmDisplayFlags = m.flags;
  mode.dmDisplayFrequency = m.rate;
  return true;
}

ScreenMetrics SimDisplay::metrics() {
  ++calls.metrics;
  return current;
}

int32_t SimDisplay::changeMode(DevMode& mode, uint32_t flags) {
  ++calls.changeMode;
  changes.push_back({mode, flags});
  if (onChange) onChange(mode);
  // A display refuses a record without a size, unless the test scripted otherwise.
  int32_t result = mode.dmPelsWidth > 0 && mode.dmPelsHeight > 0 ? disp_change::kSuccessful : disp_change::kBadParam;
  if (!results.empty()) {
    result = results.front();
    results.pop_front();
  }
  if (result == disp_change::kSuccessful && !changesTakeNoEffect) {
    current = {mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel, mode.dmDisplayFrequency};
  }
  return result;
}
