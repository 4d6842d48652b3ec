#include "window/fit.h"

#include <algorithm>
#include <vector>

Area PlaceOnArea(const Area& window, const Area& area) {
  const auto onto = [](int at, int size, int start, int room) {
    return size >= room ? start : std::clamp(at, start, start + room - size);
  };
  return {onto(window.left, window.width, area.left, area.width), onto(window.top, window.height, area.top, area.height),
          window.width, window.height};
}

FontFit FitFont(double largest, double smallest, double step, const std::function<bool(double)>& fits) {
  for (double size = std::max(largest, smallest);; size -= step) {
    if (fits(size)) return {size, true};
    if (size - step < smallest) return {size, false};
  }
}

std::string ShortenInTheMiddle(std::string_view text, int room, const std::function<int(std::string_view)>& width) {
  if (width(text) <= room) return std::string(text);
  static constexpr std::string_view kEllipsis = "\u2026";
  // Where each character starts: continuation bytes of UTF-8 start none.
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  if (starts.empty()) return {};
  const auto shortened = [&](size_t kept) {
    const size_t head = (kept + 1) / 2, tail = kept / 2;
    const size_t headEnd = head < starts.size() ? starts[head] : text.size();
    const size_t tailStart = tail == 0 ? text.size() : starts[starts.size() - tail];
    return std::string(text.substr(0, headEnd)) + std::string(kEllipsis) + std::string(text.substr(tailStart));
  };
  // The most characters that still fit; each one more only widens the text.
  size_t low = 0, high = starts.size() - 1;
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    if (width(shortened(mid)) <= room) {
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return shortened(low);
}
