#include "app/desk_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

// The lock is a file of its own beside the record, which is replaced whole by every switch: a
// lock on the record itself would be on the file the next switch throws away.
class LockedDeskFile final : public desktop::DeskFile {
 public:
  using DeskFile::DeskFile;
  ~LockedDeskFile() override { unlock(); }

  // Waits while another program switches; a switch takes a fraction of a second, and the
  // system lets go of the lock of a program that ends. Without the lock (no folder, no file),
  // the switch goes on unlocked rather than not at all.
  void lock() override {
    std::error_code error;
    std::filesystem::create_directories(path().parent_path(), error);
    std::filesystem::path name = path();
    name += ".lock";
    fd_ = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  void unlock() override {
    if (fd_ >= 0) close(fd_);  // closing lets go of the lock
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace

std::string ServerName(bool wayland) {
  const char* variable = std::getenv(wayland ? "WAYLAND_DISPLAY" : "DISPLAY");
  std::string name = variable ? variable : "";
  if (wayland) {
    name = "wayland-" + std::filesystem::path(name).filename().string();
  } else {
    const size_t colon = name.rfind(':');
    std::string host = colon == std::string::npos ? "" : name.substr(0, colon);
    std::string number = colon == std::string::npos ? name : name.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (host == "unix" || host == "localhost.localdomain") host.clear();
    name = "x11-" + (host.empty() ? "" : host + "-") + number;
  }
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

std::unique_ptr<desktop::Memory> DeskRecord(bool wayland) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return nullptr;
  return std::make_unique<LockedDeskFile>(std::filesystem::path(runtime) / "tarnvel" / ("desk-" + ServerName(wayland)));
}
