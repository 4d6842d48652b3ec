#include "modes/mode_lookup.h"

#include "modes/mode_text.h"

int32_t FindModeText(std::span<const std::string> rows, std::string_view text) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (EqualsIgnoringCase(rows[i], text)) return static_cast<int32_t>(i);
  }
  return -1;
}

std::vector<int32_t> AllResolutionsRows(std::span<const std::string> rows) {
  std::vector<int32_t> shown;
  if (rows.empty()) return shown;
  shown.push_back(0);
  std::string_view lastTaken;
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rows[i] == lastTaken) continue;
    lastTaken = rows[i];
    shown.push_back(static_cast<int32_t>(i));
  }
  return shown;
}
