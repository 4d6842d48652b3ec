#pragma once
// The last switch kept in a file, for a program that runs once per switch (tarnvelctl): the way
// back of the next run is exact too.
#include <filesystem>

#include "desktop/desktop_display.h"

namespace desktop {

class DeskFile final : public Memory {
 public:
  explicit DeskFile(std::filesystem::path path) : path_(std::move(path)) {}
  // Nothing when the file is missing, unreadable or not two desks.
  std::optional<Switch> recall() override;
  // Written whole or not at all; a file that cannot be written leaves no memory, and says so
  // nowhere: the switch itself is done either way.
  void remember(const Switch& last) override;

 private:
  std::filesystem::path path_;
};

}  // namespace desktop
