#pragma once
// The lookup by text that every switch uses, shared by the tray's List1 and tarnvelctl.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The index of the first row, from 0 upward, equal to `text` once ASCII letters are
// lower-cased; -1 when no row is. Nothing else is normalised: blanks and commas must match.
int32_t FindModeText(std::span<const std::string> rows, std::string_view text);
