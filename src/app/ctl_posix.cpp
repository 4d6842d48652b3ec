#include "app/ctl_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

namespace {

// The signal the reader of an answer wakes the waiting thread with; held, like the others.
constexpr int kAnswered = SIGUSR1;

bool WriteAll(int fd, std::string_view text, std::string& error) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = errno == EPIPE ? "output closed" : std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

const char* What(int signal) {
  switch (signal) {
    case SIGINT:
      return "interrupted";
    case SIGTERM:
      return "terminated";
    case SIGHUP:
      return "hung up";
    default:
      return "output closed";  // SIGPIPE
  }
}

}  // namespace

PosixConsole::PosixConsole() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one.
    if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) == 1) outClosed_ = true;
  }
}

bool PosixConsole::out(std::string_view text) {
  if (outClosed_) {
    error_ = "standard output is closed";
    return false;
  }
  return WriteAll(1, text, error_);
}

void PosixConsole::err(std::string_view text) {
  std::string ignored;
  WriteAll(2, text, ignored);
}

void PosixConsole::holdInterruptions() {
  sigemptyset(&held_);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction now {};
    if (sigaction(signal, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) sigaddset(&held_, signal);
  }
  sigaddset(&held_, kAnswered);
  pthread_sigmask(SIG_BLOCK, &held_, nullptr);
}

ctl::Answer PosixConsole::answer(std::chrono::milliseconds timeout) {
  // The line is read on a thread of its own, which may stay blocked when no line comes: the
  // process ends without waiting for it. It shares what it read with this thread, and wakes it.
  // It watches standard output too: a reader that went away ends the wait at once, not at the
  // next line written.
  struct Reading {
    std::mutex lock;
    bool done = false;
    ctl::Answer answer;
  };
  auto reading = std::make_shared<Reading>();
  std::thread([reading, waiting = pthread_self()] {
    std::string line;
    char c = 0;
    ssize_t n = 0;
    bool outputGone = false;
    for (;;) {
      pollfd watched[] = {{0, POLLIN, 0}, {1, 0, 0}};  // for standard output, its errors alone
      if (::poll(watched, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (watched[1].revents & (POLLERR | POLLHUP)) {
        outputGone = true;
        break;
      }
      if (!watched[0].revents) continue;
      n = ::read(0, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n != 1 || c == '\n') break;
      line += c;
    }
    {
      const std::lock_guard<std::mutex> hold(reading->lock);
      reading->answer.kind = outputGone                  ? ctl::Answer::Kind::Interrupted
                             : n == 1 || !line.empty() ? ctl::Answer::Kind::Line
                                                       : ctl::Answer::Kind::EndOfInput;
      if (outputGone) reading->answer.why = "output closed";
      reading->answer.line = std::move(line);
      reading->done = true;
    }
    pthread_kill(waiting, kAnswered);
  }).detach();

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::nanoseconds::zero()) return {};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
    const int signal = sigtimedwait(&held_, nullptr, &wait);
    if (signal == -1) {
      if (errno == EINTR) continue;
      return {};  // EAGAIN: the time is up
    }
    if (signal == kAnswered) {
      const std::lock_guard<std::mutex> hold(reading->lock);
      if (reading->done) return reading->answer;
      continue;  // another program's SIGUSR1
    }
    return {ctl::Answer::Kind::Interrupted, {}, What(signal)};
  }
}

std::string FileName(std::string_view name) {
  std::string out;
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
    out += plain ? c : '_';
  }
  return out;
}

std::optional<std::filesystem::path> RuntimeNotes::path(const std::string& monitor, std::string& why) const {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) {
    why = "XDG_RUNTIME_DIR is not set, so there is nowhere to keep it until the session ends";
    return std::nullopt;
  }
  return std::filesystem::path(runtime) / "tarnvel" / ("remember-" + server_ + "-" + FileName(monitor));
}

// Written into a file of its own first, then put in place with link(), which refuses to replace
// one that is there: of two runs at once, one record wins whole, and the real original is never
// overwritten by a second "do".
ctl::Notes::Made RuntimeNotes::make(const std::string& monitor, const std::string& mode, std::string& why) {
  const std::optional<std::filesystem::path> file = path(monitor, why);
  if (!file) return Made::Failed;
  const std::string folder = file->parent_path().string();
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = folder + ": " + std::strerror(errno);
    return Made::Failed;
  }
  const std::string draft = file->string() + ".new" + std::to_string(std::random_device{}());
  const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    why = folder + ": " + std::strerror(errno);
    return Made::Failed;
  }
  std::string error;
  const bool written = WriteAll(fd, mode + "\n", error) && ::fsync(fd) == 0;
  if (!written && error.empty()) error = std::strerror(errno);
  ::close(fd);
  Made made = Made::Created;
  if (!written) {
    why = draft + ": " + error;
    made = Made::Failed;
  } else if (::link(draft.c_str(), file->c_str()) != 0) {
    made = errno == EEXIST ? Made::AlreadyThere : Made::Failed;
    if (made == Made::Failed) why = file->string() + ": " + std::strerror(errno);
  }
  ::unlink(draft.c_str());
  return made;
}

std::optional<std::string> RuntimeNotes::read(const std::string& monitor) {
  std::string why;
  const std::optional<std::filesystem::path> file = path(monitor, why);
  if (!file) return std::nullopt;
  // Never waits: a FIFO in its place opens at once without a writer, and is no record.
  const int fd = ::open(file->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::string text;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    char buffer[512];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 4096;) text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  if (text.empty()) return std::nullopt;
  return text.substr(0, text.find('\n'));
}

void RuntimeNotes::forget(const std::string& monitor) {
  std::string why;
  if (const std::optional<std::filesystem::path> file = path(monitor, why)) ::unlink(file->c_str());
}
