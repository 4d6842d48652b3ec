#include "ctl/windows/windows_host.h"

namespace {

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

// One small file a monitor in %LOCALAPPDATA%\Tarnvel\, which outlives the logon session:
// each holds the session it was made in.
ctl::FileNotes::Place Records() {
  ctl::FileNotes::Place place{{}, "remember-", ".txt", LogonSession(), "LOCALAPPDATA is not set, so there is nowhere to keep it"};
  wchar_t base[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
  if (n > 0 && n < MAX_PATH) place.folder = std::filesystem::path(std::wstring(base, n)) / L"Tarnvel";
  return place;
}

}  // namespace

WindowsHost::WindowsHost() : notes_(files_, Records()) {}

DisplayDriver* WindowsHost::display(const std::string& monitor, std::string&) {
  display_ = std::make_unique<Win32Display>(monitor);
  return display_.get();
}

std::optional<std::vector<ctl::Shown>> WindowsHost::monitors(std::string&) {
  std::vector<ctl::Shown> shown;
  for (const AttachedDisplay& d : AttachedDisplays()) shown.push_back({d.name, d.mode, d.x, d.y, d.primary});
  return shown;
}
