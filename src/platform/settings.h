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
  // False when the value could not be written; the store is then as it was.
  virtual bool write(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view value) = 0;
};
