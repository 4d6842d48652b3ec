#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace {

constexpr size_t kLongest = 64 * 1024;

std::string Failure(const std::filesystem::path& file) { return file.string() + ": " + std::strerror(errno); }

// Writes `text` into a new file of a name no other program uses, beside `file`, in a folder
// only its owner can enter; the draft's name, or nothing (`why` says why).
std::optional<std::filesystem::path> Draft(const std::filesystem::path& file, std::string_view text, std::string& why) {
  const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = Failure(folder);
    return std::nullopt;
  }
  std::filesystem::path draft = file;
  draft += ".new" + std::to_string(std::random_device{}());
  const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    why = Failure(draft);
    return std::nullopt;
  }
  bool written = true;
  while (written && !text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      written = false;
      break;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  // On the disk before it takes the old file's place: after a crash, the old text or the new.
  written = written && ::fsync(fd) == 0;
  if (!written) why = Failure(draft);
  ::close(fd);
  if (written) return draft;
  ::unlink(draft.c_str());
  return std::nullopt;
}

}  // namespace

WholeFiles::Put PosixFiles::replace(const std::filesystem::path& file, std::string_view text, std::string& why) {
  const std::optional<std::filesystem::path> draft = Draft(file, text, why);
  if (!draft) return Put::Failed;
  if (::rename(draft->c_str(), file.c_str()) == 0) return Put::Done;
  why = Failure(file);
  ::unlink(draft->c_str());
  return Put::Failed;
}

// link() refuses to put a name where one is: unlike a check before a rename, that leaves no
// moment for another program to make the file in between.
WholeFiles::Put PosixFiles::create(const std::filesystem::path& file, std::string_view text, std::string& why) {
  const std::optional<std::filesystem::path> draft = Draft(file, text, why);
  if (!draft) return Put::Failed;
  Put put = Put::Done;
  if (::link(draft->c_str(), file.c_str()) != 0) {
    put = errno == EEXIST ? Put::AlreadyThere : Put::Failed;
    if (put == Put::Failed) why = Failure(file);
  }
  ::unlink(draft->c_str());
  return put;
}

std::optional<std::string> PosixFiles::read(const std::filesystem::path& file) {
  // A FIFO opens at once without a writer when asked not to wait, and is then no file.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> text;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    text.emplace();
    char buffer[4096];
    for (ssize_t n; text->size() < kLongest && (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        text.reset();
        break;
      }
      text->append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  if (text && text->size() > kLongest) text->resize(kLongest);
  return text;
}
