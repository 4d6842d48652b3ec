#pragma once
// The arrangement kept in a file, for programs that run once per switch (tarnvelctl) and for
// the tray program beside them: a switch by one and the way back by the other meet.
#include <filesystem>

#include "desktop/desktop_display.h"
#include "platform/files.h"

namespace desktop {

class DeskFile : public Memory {
 public:
  DeskFile(std::filesystem::path path, WholeFiles& files) : path_(std::move(path)), files_(files) {}
  // Nothing when the file is missing, unreadable or not two desks.
  std::optional<Arrangement> recall() override;
  // Written whole or not at all; a file that cannot be written keeps nothing, and says so
  // nowhere: the switch itself is done either way.
  void remember(const Arrangement& record) override;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  WholeFiles& files_;
};

}  // namespace desktop
