#include "window/mode_lookup.h"

#include "window/form1.h"

int32_t FindModeText(std::span<const std::string> rows, std::string_view text) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (EqualsIgnoringCase(rows[i], text)) return static_cast<int32_t>(i);
  }
  return -1;
}
