#pragma once
// The records of --remember as small files, one a monitor, on any system: the system gives the
// folder, the way files are written whole, and the session a record belongs to.
#include <filesystem>
#include <string>
#include <string_view>

#include "ctl/tarnvelctl.h"
#include "platform/files.h"

namespace ctl {

// A name as a part of a file name, the same on every system: letters, digits and "-" as they
// are, any other byte "_". Two names may meet in one file name; the record holds the name.
std::string FileName(std::string_view name);

class FileNotes final : public Notes {
 public:
  struct Place {
    std::filesystem::path folder;  // empty: there is nowhere to keep records, for `whyNot`
    std::string prefix, suffix;    // a record is prefix + FileName(monitor) + suffix
    std::string session;           // where the folder outlives a logon session, that session
    std::string whyNot;
  };
  FileNotes(WholeFiles& files, Place place) : files_(files), place_(std::move(place)) {}

  Made make(const std::string& monitor, const std::string& mode, std::string& why) override;
  std::optional<std::string> read(const std::string& monitor) override;
  void forget(const std::string& monitor) override;
  std::vector<std::string> kept() override;

 private:
  // A record as written: "monitor NAME", "session ID" (only where there is one) and the mode
  // text, a line each. Records without the monitor's line (older ones) are the file name's.
  struct Record {
    std::string monitor, session, mode;
  };
  std::optional<Record> load(const std::filesystem::path& file);
  std::filesystem::path file(const std::string& monitor) const;

  WholeFiles& files_;
  Place place_;
};

}  // namespace ctl
