#include "modes/screen_res.h"

#include <stdexcept>

#include "app_info.h"
#include "modes/mode_text.h"
#include "platform/display.h"
#include "platform/toolkit.h"

void ScreenRes::EnumDisplayModes(std::vector<std::string>& texts) {
  displayModes_.assign(2, DevMode{});
  displayModes_[0].dmSize = sizeof(DevMode);
  displayModes_[0].dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight;

  int32_t n = 0;
  while (n < kMaxModes && display_.enumMode(n, displayModes_[0])) ++n;

  texts.assign(static_cast<size_t>(n) + 1, std::string{});
  displayModes_.assign(static_cast<size_t>(n) + 1, DevMode{});
  for (int32_t i = 0; i <= n; ++i) {
    auto& entry = displayModes_[static_cast<size_t>(i)];
    display_.enumMode(i, entry);
    // The extra entry stays cleared even when the driver answers for number n: its list
    // grew since the count, or it offers more than kMaxModes.
    if (i == n) entry = DevMode{};
    texts[static_cast<size_t>(i)] = ModeText(entry);
  }
}

int32_t ScreenRes::FindCurrentMode() {
  const ScreenMetrics screen = display_.metrics();
  const auto last = displayModes_.empty() ? size_t{0} : displayModes_.size() - 1;
  for (size_t i = 0; i < last; ++i) {
    const DevMode& m = displayModes_[i];
    if (m.dmPelsWidth == screen.horzRes && m.dmPelsHeight == screen.vertRes && m.dmBitsPerPel == screen.bitsPixel &&
        m.dmDisplayFrequency == screen.vRefresh) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

void ScreenRes::FillModeList(ModeList& list) {
  list.clear();
  std::vector<std::string> texts;
  EnumDisplayModes(texts);
  for (size_t i = 0; i + 1 < texts.size(); ++i) list.addItem(std::move(texts[i]));

  currentModeIndex_ = FindCurrentMode();
  if (currentModeIndex_ == -1) {
    reporter_.messageBox("Error: Could not read current settings!", mb::kCritical, app::kTitle);
  } else {
    list.setListIndex(static_cast<int16_t>(currentModeIndex_));
  }
}

int32_t ScreenRes::ApplyDisplayMode(const int32_t& index) {
  if (index < 0 || static_cast<size_t>(index) >= displayModes_.size()) {
    throw std::out_of_range("ApplyDisplayMode: no display mode " + std::to_string(index));
  }
  // The record goes to the display exactly as the driver filled it, and whatever the
  // display writes into it stays in the table.
  const int32_t result = display_.changeMode(displayModes_[static_cast<size_t>(index)], kChangeDynamic);
  return result == disp_change::kSuccessful ? kTrue : kFalse;
}
