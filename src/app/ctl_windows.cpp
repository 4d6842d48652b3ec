// tarnvelctl.exe: the tray program's display settings and registry store, on the console. It
// writes through the console's handles itself: the C++ streams would triple its size.
#include <memory>
#include <string>
#include <vector>

#include "ctl/tarnvelctl.h"
#include "platform/win32/win32_platform.h"

namespace {

// Why the last call failed, in the system's words; a reader that went away is "output closed".
std::string LastError() {
  const DWORD code = GetLastError();
  if (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) return "output closed";
  char text[256] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
  return out.empty() ? "error " + std::to_string(code) : out;
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

class WindowsConsole final : public ctl::Console {
 public:
  bool out(std::string_view text) override {
    const HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE) {
      error_ = "standard output is closed";
      return false;
    }
    if (Write(handle, text)) return true;
    error_ = LastError();
    return false;
  }
  std::string outError() override { return error_; }
  void err(std::string_view text) override {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle && handle != INVALID_HANDLE_VALUE) Write(handle, text);
  }
  void holdInterruptions() override {
    gInterrupted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    gTakenBack = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  }
  ctl::Answer answer(std::chrono::milliseconds timeout) override {
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
  void takenBack() override {
    if (gTakenBack) SetEvent(gTakenBack);
  }

 private:
  std::string error_;
};

// The logon session this process runs in: a record made in another one undoes nothing here.
std::string LogonSession() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  TOKEN_STATISTICS statistics{};
  DWORD size = 0;
  const bool got = GetTokenInformation(token, TokenStatistics, &statistics, sizeof statistics, &size);
  CloseHandle(token);
  if (!got) return {};
  return "session " + std::to_string(statistics.AuthenticationId.HighPart) + ":" +
         std::to_string(statistics.AuthenticationId.LowPart);
}

// One small file a monitor in %LOCALAPPDATA%\Tarnvel\, holding the logon session it was made in
// and the mode to go back to.
class WindowsNotes final : public ctl::Notes {
 public:
  Made make(const std::string& monitor, const std::string& mode, std::string& why) override {
    const std::wstring file = path(monitor, why);
    if (file.empty()) return Made::Failed;
    const std::wstring folder = file.substr(0, file.rfind(L'\\'));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      why = Narrow(folder) + ": " + LastError();
      return Made::Failed;
    }
    // Written into a file of its own, then moved in place without replacing one that is there.
    const std::wstring draft = file + L".new" + std::to_wstring(GetCurrentProcessId());
    const HANDLE out = CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
      why = Narrow(draft) + ": " + LastError();
      return Made::Failed;
    }
    const bool written = Write(out, LogonSession() + "\n" + mode + "\n") && FlushFileBuffers(out);
    if (!written) why = Narrow(draft) + ": " + LastError();
    CloseHandle(out);
    Made made = written ? Made::Created : Made::Failed;
    if (written && !MoveFileExW(draft.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH)) {
      made = Made::Failed;
      if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // One of another logon session is no record: it gives way.
        made = Made::AlreadyThere;
        if (!read(monitor) && DeleteFileW(file.c_str()) && MoveFileExW(draft.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH)) {
          made = Made::Created;
        }
      } else {
        why = Narrow(file) + ": " + LastError();
      }
    }
    DeleteFileW(draft.c_str());
    return made;
  }

  std::optional<std::string> read(const std::string& monitor) override {
    std::string why;
    const std::wstring file = path(monitor, why);
    if (file.empty()) return std::nullopt;
    const HANDLE in = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string text;
    char buffer[512];
    DWORD n = 0;
    if (GetFileType(in) == FILE_TYPE_DISK) {
      while (text.size() < 4096 && ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    }
    CloseHandle(in);
    std::string lines[2];
    size_t at = 0;
    for (std::string& line : lines) {
      const size_t end = std::min(text.find('\n', at), text.size());
      if (at < text.size()) line = text.substr(at, end - at);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      at = end + 1;
    }
    if (lines[0] != LogonSession() || lines[0].empty() || lines[1].empty()) return std::nullopt;
    return lines[1];
  }

  void forget(const std::string& monitor) override {
    std::string why;
    const std::wstring file = path(monitor, why);
    if (!file.empty()) DeleteFileW(file.c_str());
  }

 private:
  static std::wstring path(const std::string& monitor, std::string& why) {
    wchar_t base[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
      why = "LOCALAPPDATA is not set, so there is nowhere to keep it";
      return {};
    }
    std::wstring name;
    for (char c : monitor) {
      const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
      name += plain ? static_cast<wchar_t>(c) : L'_';
    }
    return std::wstring(base, n) + L"\\Tarnvel\\remember-" + name + L".txt";
  }
};

// The system arranges the desk itself: a switch names one display device and nothing more.
class WindowsHost final : public ctl::Host {
 public:
  DisplayDriver* display(const std::string& monitor, std::string&) override {
    display_ = std::make_unique<Win32Display>(monitor);
    return display_.get();
  }
  std::optional<std::vector<ctl::Shown>> monitors(std::string&) override {
    std::vector<ctl::Shown> shown;
    for (const AttachedDisplay& d : AttachedDisplays()) shown.push_back({d.name, d.mode, d.x, d.y, d.primary});
    return shown;
  }
  Settings& settings() override { return settings_; }
  ctl::Notes& notes() override { return notes_; }

 private:
  std::unique_ptr<Win32Display> display_;
  Win32Settings settings_;
  WindowsNotes notes_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
  WindowsConsole console;
  int code = 0;
  {
    WindowsHost host;
    code = ctl::Run(args, host, console);
  }
  // A reader may still be blocked on standard input, waiting for an answer that never came:
  // end here rather than run the C runtime's clean-up beside it.
  ExitProcess(static_cast<UINT>(code));
}
