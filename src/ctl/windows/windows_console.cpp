#include "ctl/windows/windows_console.h"

#include <windows.h>

#include <string>

#include "platform/win32/win32_system.h"

namespace {

// Why the last call failed; a reader that went away is a closed output.
ctl::OutError LastError() {
  const DWORD code = GetLastError();
  if (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) {
    return {ctl::OutError::Kind::Closed, "output closed"};
  }
  return {ctl::OutError::Kind::Failed, SystemMessage(code)};
}

// Text as a console and a batch file expect it: CR LF line ends.
bool Write(HANDLE handle, std::string_view text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  for (std::string_view rest = crlf; !rest.empty();) {
    DWORD written = 0;
    if (!WriteFile(handle, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) || written == 0) return false;
    rest.remove_prefix(written);
  }
  return true;
}

// The console's handlers run on threads of their own. Ctrl+C and Ctrl+Break end the wait; a
// console that closes ends the process as soon as its handler returns, so that handler waits,
// a few seconds at most, until the switch is taken back.
HANDLE gInterrupted = nullptr;  // set by the handler
HANDLE gTakenBack = nullptr;
volatile LONG gSignal = -1;

BOOL WINAPI OnConsoleEvent(DWORD type) {
  InterlockedExchange(&gSignal, static_cast<LONG>(type));
  SetEvent(gInterrupted);
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
    WaitForSingleObject(gTakenBack, 4000);
  }
  return TRUE;
}

struct Reading {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ctl::Answer answer;
};

DWORD WINAPI ReadLine(void* param) {
  auto* reading = static_cast<Reading*>(param);
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  std::string line;
  char c = 0;
  DWORD n = 0;
  bool newline = false;
  while (ReadFile(in, &c, 1, &n, nullptr) && n == 1) {
    if (c == '\n') {
      newline = true;
      break;
    }
    if (c != '\r') line += c;
  }
  reading->answer.kind = newline || !line.empty() ? ctl::Answer::Kind::Line : ctl::Answer::Kind::EndOfInput;
  reading->answer.line = std::move(line);
  SetEvent(reading->ready);
  return 0;
}

}  // namespace

bool WindowsConsole::out(std::string_view text) {
  const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    error_ = {ctl::OutError::Kind::Failed, "standard output is closed"};
    return false;
  }
  if (Write(handle, text)) return true;
  error_ = LastError();
  return false;
}

void WindowsConsole::err(std::string_view text) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle && handle != INVALID_HANDLE_VALUE) Write(handle, text);
}

void WindowsConsole::holdInterruptions() {
  gInterrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  gTakenBack = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

ctl::Answer WindowsConsole::answer(std::chrono::milliseconds timeout) {
  // The reader may stay blocked when no line comes: the process ends without waiting for it.
  auto* reading = new Reading;
  const HANDLE reader = CreateThread(nullptr, 0, ReadLine, reading, 0, nullptr);
  if (reader) CloseHandle(reader);
  const HANDLE wait[] = {reading->ready, gInterrupted};
  const DWORD got = WaitForMultipleObjects(gInterrupted ? 2 : 1, wait, FALSE, static_cast<DWORD>(timeout.count()));
  if (got == WAIT_OBJECT_0) return reading->answer;
  if (got == WAIT_OBJECT_0 + 1) {
    const LONG type = gSignal;
    const bool closed = type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT;
    return {ctl::Answer::Kind::Interrupted, {}, closed ? "hung up" : "interrupted"};
  }
  return {};
}

void WindowsConsole::takenBack() {
  if (gTakenBack) SetEvent(gTakenBack);
}
