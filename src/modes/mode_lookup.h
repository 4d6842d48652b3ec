#pragma once
// The lookup by text that every switch uses, and the rows "All Resolutions" shows: shared by
// the tray's List1 and tarnvelctl.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The index of the first row, from 0 upward, equal to `text` once ASCII letters are
// lower-cased; -1 when no row is. Nothing else is normalised: blanks and commas must match.
int32_t FindModeText(std::span<const std::string> rows, std::string_view text);

// The rows "All Resolutions" shows, in order: row 0, then every later row except one that
// repeats the row taken just before it (only runs of equal neighbours collapse; row 1 is
// always taken).
std::vector<int32_t> AllResolutionsRows(std::span<const std::string> rows);
