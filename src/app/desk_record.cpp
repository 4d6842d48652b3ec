#include "app/desk_record.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/posix/posix_files.h"

namespace {

// The lock is a file of its own beside the record, which is replaced whole by every switch: a
// lock on the record itself would be on the file the next switch throws away.
constexpr std::chrono::seconds kLongestWait{10};

class LockedDeskFile final : public desktop::DeskFile {
 public:
  using DeskFile::DeskFile;
  ~LockedDeskFile() override { unlock(); }

  // Waits while another program switches: a switch takes a fraction of a second, and the
  // system lets go of the lock of a program that ends. A holder that keeps it for longer than
  // any switch takes (stopped in a debugger, hung) is not waited for without end: the switch
  // then goes on unlocked, as it does where there is no lock to take (no folder, no file).
  void lock() override {
    std::error_code error;
    std::filesystem::create_directories(path().parent_path(), error);
    std::filesystem::path name = path();
    name += ".lock";
    fd_ = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    const auto end = std::chrono::steady_clock::now() + kLongestWait;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR) &&
           std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
  static PosixFiles files;
  return std::make_unique<LockedDeskFile>(std::filesystem::path(runtime) / "tarnvel" / ("desk-" + ServerName(wayland)), files);
}
