#pragma once
// Small files written whole: a record that another program, or the next run, reads while it is
// being written must find the old text or the new one, never part of either. Each system does
// this its own way (POSIX renames and links, Windows moves), in one place.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

class WholeFiles {
 public:
  virtual ~WholeFiles() = default;
  enum class Put { Done, AlreadyThere, Failed };
  // Puts `text` in place of the file there, if any. The folder is made when missing.
  virtual Put replace(const std::filesystem::path& file, std::string_view text, std::string& why) = 0;
  // Puts `text` in place unless a file is there (AlreadyThere, and it is left as it is): of two
  // programs at once, exactly one makes it.
  virtual Put create(const std::filesystem::path& file, std::string_view text, std::string& why) = 0;
  // The text of the plain file `file`, at most 64 KiB of it; nothing when there is none. Never
  // waits: a FIFO or a device in its place is no file.
  virtual std::optional<std::string> read(const std::filesystem::path& file) = 0;
};
