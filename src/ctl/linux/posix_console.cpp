#include "ctl/linux/posix_console.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// The signal the reader of an answer wakes the waiting thread with; held, like the others.
constexpr int kAnswered = SIGUSR1;

bool WriteAll(int fd, std::string_view text, ctl::OutError& error) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int code = n < 0 ? errno : EIO;
      error = code == EPIPE ? ctl::OutError{ctl::OutError::Kind::Closed, "output closed"}
                            : ctl::OutError{ctl::OutError::Kind::Failed, std::strerror(code)};
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
    error_ = {ctl::OutError::Kind::Failed, "standard output is closed"};
    return false;
  }
  return WriteAll(1, text, error_);
}

void PosixConsole::err(std::string_view text) {
  ctl::OutError ignored;
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
