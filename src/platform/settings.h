#pragma once
#include <string>
#include <string_view>

// The per-user settings store: string values by application, section and key.
class Settings {
 public:
  virtual ~Settings() = default;
  // The stored value, or `fallback` when it is missing or cannot be read.
  virtual std::string read(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view fallback) = 0;
  // May only stage the value: sync() makes the writes so far durable.
  virtual bool write(std::string_view app, std::string_view section, std::string_view key, std::string_view value) = 0;
  // Makes every write so far durable at once. False when they could not be, and the store
  // is then as it was before them.
  virtual bool sync() = 0;
  // Where the store of `app`'s `section` is there but cannot be read (no permission, something
  // other than a file in its place): which it is and why. Empty when it can be read, or is not
  // there at all.
  virtual std::string unreadable(std::string_view app, std::string_view section) = 0;
};
