#pragma once
// Whole files on POSIX: written under a name of their own, then renamed over the old file or
// linked in beside none.
#include "platform/files.h"

class PosixFiles final : public WholeFiles {
 public:
  Put replace(const std::filesystem::path& file, std::string_view text, std::string& why) override;
  Put create(const std::filesystem::path& file, std::string_view text, std::string& why) override;
  std::optional<std::string> read(const std::filesystem::path& file) override;
};
