#include "desktop/desk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/rate.h"

namespace desktop {

bool Place::primary() const {
  return std::any_of(monitors.begin(), monitors.end(), [](const Monitor& m) { return m.primary; });
}

std::optional<Target> Driven(const Desk& desk, std::string_view name) {
  std::optional<Target> first;
  for (size_t p = 0; p < desk.places.size(); ++p) {
    const auto& monitors = desk.places[p].monitors;
    for (size_t m = 0; m < monitors.size(); ++m) {
      const bool chosen = name.empty() ? monitors[m].primary : monitors[m].name == name;
      if (chosen) return Target{p, m};
      if (!first) first = Target{p, m};
    }
  }
  return name.empty() ? first : std::nullopt;
}

const Monitor& At(const Desk& desk, Target target) {
  return desk.places.at(target.place).monitors.at(target.monitor);
}

std::vector<size_t> Offered(const Desk& desk, Target target) {
  const Place& place = desk.places.at(target.place);
  const Monitor& driven = At(desk, target);
  std::vector<size_t> offered;
  for (size_t i = 0; i < driven.modes.size(); ++i) {
    const Mode& mode = driven.modes[i];
    const bool everywhere = std::all_of(place.monitors.begin(), place.monitors.end(), [&](const Monitor& m) {
      return ModeOfSize(m, mode.width, mode.height, mode.rate).has_value();
    });
    if (everywhere) offered.push_back(i);
  }
  return offered;
}

std::optional<size_t> ModeOfSize(const Monitor& monitor, int32_t width, int32_t height, double rate) {
  std::optional<size_t> best;
  for (size_t i = 0; i < monitor.modes.size(); ++i) {
    const Mode& m = monitor.modes[i];
    if (m.width != width || m.height != height) continue;
    if (!best || std::fabs(m.rate - rate) < std::fabs(monitor.modes[*best].rate - rate)) best = i;
  }
  return best;
}

Rect Extent(const Mode& mode, double scale, uint32_t transform, bool logical) {
  const bool turned = transform % 2 == 1;
  double width = turned ? mode.height : mode.width;
  double height = turned ? mode.width : mode.height;
  if (logical && scale > 0) {
    width /= scale;
    height /= scale;
  }
  return {0, 0, static_cast<int32_t>(std::lround(width)), static_cast<int32_t>(std::lround(height))};
}

DevMode Record(const Desk& desk, const Monitor& monitor, const Mode& mode) {
  DevMode m{};
  std::strncpy(m.dmDeviceName, monitor.name.c_str(), sizeof m.dmDeviceName - 1);
  m.dmSize = sizeof(DevMode);
  m.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFlags | dm::kDisplayFrequency;
  m.dmBitsPerPel = desk.bitsPerPixel;
  m.dmPelsWidth = mode.width;
  m.dmPelsHeight = mode.height;
  m.dmDisplayFlags = mode.interlaced ? dm::kInterlaced : 0;
  m.dmDisplayFrequency = RoundedHz(mode.rate);
  return m;
}

ScreenMetrics Metrics(const Desk& desk, const Mode& mode) {
  return {mode.width, mode.height, desk.bitsPerPixel, RoundedHz(mode.rate)};
}

bool Matches(const Desk& desk, const Mode& mode, const DevMode& record) {
  const auto carries = [&](int32_t field) { return (record.dmFields & field) != 0; };
  return mode.width == record.dmPelsWidth && mode.height == record.dmPelsHeight &&
         (!carries(dm::kDisplayFrequency) || record.dmDisplayFrequency <= 1 ||
          RoundedHz(mode.rate) == record.dmDisplayFrequency) &&
         (!carries(dm::kDisplayFlags) || mode.interlaced == ((record.dmDisplayFlags & dm::kInterlaced) != 0)) &&
         (!carries(dm::kBitsPerPel) || record.dmBitsPerPel == desk.bitsPerPixel);
}

bool InForce(const DevMode& asked, const ScreenMetrics& now) {
  if (now.horzRes != asked.dmPelsWidth || now.vertRes != asked.dmPelsHeight) return false;
  if ((asked.dmFields & dm::kBitsPerPel) && now.bitsPixel != asked.dmBitsPerPel) return false;
  return !(asked.dmFields & dm::kDisplayFrequency) || asked.dmDisplayFrequency <= 1 ||
         now.vRefresh == asked.dmDisplayFrequency;
}

// The text form: one item a line, its words separated by blanks, '#' to the end of a line a
// comment.
//   desk physical|logical BITS
//   place X Y [WIDTH HEIGHT] [scale S] [turn T]      the size follows from the first monitor's
//   monitor NAME [primary]                           mode where it is left out
//   mode WIDTHxHEIGHT@RATE [id ID] [scales S,S,...] [prefer S] [interlaced] [current]
namespace {

// What a desk can hold, so that no sum of its coordinates overflows: X's screens end at 32767,
// monitors come by the dozen at most, and scales lie between a tenth and ten.
constexpr int32_t kFarthest = 1000000;
constexpr size_t kMostPlaces = 64;
bool Within(int32_t v, int32_t low = -kFarthest) { return v >= low && v <= kFarthest; }
bool Scale(double s) { return s >= 0.1 && s <= 10; }

std::string Number(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

template <typename T>
bool Read(std::string_view text, T& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc{} && ptr == end;
}

// A name or id survives the text only when it is one word.
bool Word(std::string_view text) {
  return !text.empty() && text.find_first_of(" \t\r\n#") == std::string_view::npos;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t at = 0;
  while ((at = line.find_first_not_of(" \t\r", at)) != std::string_view::npos) {
    const size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

bool ReadMode(const std::vector<std::string_view>& w, Mode& mode, bool& current) {
  const std::string_view size = w[1];
  const size_t x = size.find('x'), at = size.find('@');
  if (x == std::string_view::npos || at == std::string_view::npos || at < x) return false;
  if (!Read(size.substr(0, x), mode.width) || !Read(size.substr(x + 1, at - x - 1), mode.height) ||
      !Read(size.substr(at + 1), mode.rate) || !Within(mode.width, 1) || !Within(mode.height, 1) ||
      !(mode.rate >= 0 && mode.rate < 1e6)) {
    return false;
  }
  for (size_t i = 2; i < w.size(); ++i) {
    const bool valued = i + 1 < w.size();
    if (w[i] == "current") {
      current = true;
    } else if (w[i] == "interlaced") {
      mode.interlaced = true;
    } else if (w[i] == "id" && valued) {
      mode.id = std::string(w[++i]);
    } else if (w[i] == "prefer" && valued) {
      if (!Read(w[++i], mode.preferredScale) || !Scale(mode.preferredScale)) return false;
    } else if (w[i] == "scales" && valued) {
      std::string_view list = w[++i];
      for (size_t comma; !list.empty(); list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1)) {
        comma = list.find(',');
        double scale = 0;
        if (!Read(list.substr(0, comma), scale) || !Scale(scale)) return false;
        mode.scales.push_back(scale);
      }
    } else {
      return false;
    }
  }
  return true;
}

// The place's size where the text left it out, and whether every monitor has a mode in force.
bool Finish(Place& place, bool sized, bool logical, const std::vector<int>& currents) {
  if (place.monitors.empty()) return false;
  for (size_t m = 0; m < place.monitors.size(); ++m) {
    if (currents[m] != 1) return false;
  }
  if (!sized) {
    const Rect extent = Extent(place.monitors.front().current(), place.scale, place.transform, logical);
    place.rect.width = extent.width;
    place.rect.height = extent.height;
  }
  return Within(place.rect.width, 1) && Within(place.rect.height, 1);
}

}  // namespace

std::string Format(const Desk& desk) {
  std::string out = std::string("desk ") + (desk.logical ? "logical " : "physical ") + std::to_string(desk.bitsPerPixel) + "\n";
  for (const Place& place : desk.places) {
    const Rect& r = place.rect;
    out += "place " + std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " +
           std::to_string(r.height) + " scale " + Number(place.scale) + " turn " + std::to_string(place.transform) + "\n";
    for (const Monitor& monitor : place.monitors) {
      if (!Word(monitor.name)) return {};
      out += "monitor " + monitor.name + (monitor.primary ? " primary\n" : "\n");
      for (size_t i = 0; i < monitor.modes.size(); ++i) {
        const Mode& m = monitor.modes[i];
        out += "mode " + std::to_string(m.width) + "x" + std::to_string(m.height) + "@" + Number(m.rate);
        if (!m.id.empty()) {
          if (!Word(m.id)) return {};
          out += " id " + m.id;
        }
        if (!m.scales.empty()) {
          out += " scales ";
          for (size_t s = 0; s < m.scales.size(); ++s) out += (s ? "," : "") + Number(m.scales[s]);
        }
        if (m.preferredScale != 1) out += " prefer " + Number(m.preferredScale);
        if (m.interlaced) out += " interlaced";
        if (i == monitor.mode) out += " current";
        out += "\n";
      }
    }
  }
  return out;
}

std::optional<std::vector<Desk>> ParseAll(std::string_view text) {
  std::vector<Desk> desks;
  Place* place = nullptr;
  bool sized = false;
  std::vector<int> currents;  // per monitor of the place: how many modes say "current"
  const auto finishPlace = [&] { return !place || Finish(*place, sized, desks.back().logical, currents); };
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    line = line.substr(0, line.find('#'));
    const std::vector<std::string_view> w = Words(line);
    if (w.empty()) continue;
    if (w[0] == "desk") {
      if (!finishPlace() || w.size() != 3 || (w[1] != "physical" && w[1] != "logical")) return std::nullopt;
      Desk& desk = desks.emplace_back();
      desk.logical = w[1] == "logical";
      if (!Read(w[2], desk.bitsPerPixel) || desk.bitsPerPixel <= 0) return std::nullopt;
      place = nullptr;
    } else if (w[0] == "place") {
      if (desks.empty() || !finishPlace() || w.size() < 3 || desks.back().places.size() == kMostPlaces) return std::nullopt;
      place = &desks.back().places.emplace_back();
      currents.clear();
      if (!Read(w[1], place->rect.x) || !Read(w[2], place->rect.y) || !Within(place->rect.x) || !Within(place->rect.y)) {
        return std::nullopt;
      }
      size_t i = 3;
      sized = w.size() >= 5 && w[3] != "scale" && w[3] != "turn";
      if (sized && (!Read(w[3], place->rect.width) || !Read(w[4], place->rect.height))) return std::nullopt;
      for (i = sized ? 5 : 3; i + 1 < w.size(); i += 2) {
        if (w[i] == "scale") {
          if (!Read(w[i + 1], place->scale) || !Scale(place->scale)) return std::nullopt;
        } else if (w[i] == "turn") {
          if (!Read(w[i + 1], place->transform) || place->transform > 7) return std::nullopt;
        } else {
          return std::nullopt;
        }
      }
      if (i != w.size()) return std::nullopt;
    } else if (w[0] == "monitor") {
      if (!place || w.size() < 2 || w.size() > 3 || (w.size() == 3 && w[2] != "primary")) return std::nullopt;
      place->monitors.push_back({std::string(w[1]), {}, 0, w.size() == 3});
      currents.push_back(0);
    } else if (w[0] == "mode") {
      if (!place || place->monitors.empty() || w.size() < 2) return std::nullopt;
      Monitor& monitor = place->monitors.back();
      Mode mode;
      bool current = false;
      if (!ReadMode(w, mode, current)) return std::nullopt;
      if (current) {
        monitor.mode = monitor.modes.size();
        ++currents.back();
      }
      monitor.modes.push_back(std::move(mode));
    } else {
      return std::nullopt;
    }
  }
  if (!finishPlace()) return std::nullopt;
  // A desk has each monitor once: no system reports two of one name.
  for (const Desk& desk : desks) {
    if (desk.places.empty()) return std::nullopt;
    std::vector<std::string_view> names;
    for (const Place& p : desk.places) {
      for (const Monitor& m : p.monitors) names.push_back(m.name);
    }
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end()) return std::nullopt;
  }
  return desks;
}

std::optional<Desk> Parse(std::string_view text) {
  auto desks = ParseAll(text);
  if (!desks || desks->size() != 1) return std::nullopt;
  return std::move(desks->front());
}

}  // namespace desktop
