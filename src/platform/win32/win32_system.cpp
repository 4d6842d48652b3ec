// Display settings, the registry and the shell: each a translation of the core's records and
// texts into the Windows calls.
#include "platform/win32/win32_system.h"

#include <shellapi.h>

#include <cstring>

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string SystemMessage(DWORD code) {
  char text[256] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string out(text, n);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.')) out.pop_back();
  return out.empty() ? "error " + std::to_string(code) : out;
}

namespace {

// The system may write a whole DEVMODEA, which is longer than the 124 bytes the program keeps:
// it works on a full-size copy, and the 124-byte form comes back.
union Scratch {
  DEVMODEA full;
  unsigned char bytes[sizeof(DEVMODEA) + 256];
};
static_assert(sizeof(DevMode) <= sizeof(DEVMODEA));

}  // namespace

bool Win32Display::enumMode(int32_t modeNum, DevMode& mode) {
  Scratch scratch{};
  std::memcpy(scratch.bytes, &mode, sizeof mode);
  const BOOL found = EnumDisplaySettingsA(device(), static_cast<DWORD>(modeNum), &scratch.full);
  if (found) std::memcpy(&mode, scratch.bytes, sizeof mode);
  return found != FALSE;
}

ScreenMetrics Win32Display::metrics() {
  if (device()) {
    // The screen's device context describes the primary display; another one reads its own.
    Scratch scratch{};
    scratch.full.dmSize = sizeof(DEVMODEA);
    if (!EnumDisplaySettingsA(device(), ENUM_CURRENT_SETTINGS, &scratch.full)) return {};
    const DEVMODEA& m = scratch.full;
    return {static_cast<int32_t>(m.dmPelsWidth), static_cast<int32_t>(m.dmPelsHeight),
            static_cast<int32_t>(m.dmBitsPerPel), static_cast<int32_t>(m.dmDisplayFrequency)};
  }
  HDC screen = GetDC(nullptr);
  const ScreenMetrics m{GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES),
                        GetDeviceCaps(screen, BITSPIXEL), GetDeviceCaps(screen, VREFRESH)};
  ReleaseDC(nullptr, screen);
  return m;
}

int32_t Win32Display::changeMode(DevMode& mode, uint32_t flags) {
  Scratch scratch{};
  std::memcpy(scratch.bytes, &mode, sizeof mode);
  const LONG result = device() ? ChangeDisplaySettingsExA(device(), &scratch.full, nullptr, flags, nullptr)
                               : ChangeDisplaySettingsA(&scratch.full, flags);
  std::memcpy(&mode, scratch.bytes, sizeof mode);
  return result;
}

std::vector<AttachedDisplay> AttachedDisplays() {
  std::vector<AttachedDisplay> attached;
  for (DWORD i = 0;; ++i) {
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    if (!EnumDisplayDevicesA(nullptr, i, &device, 0)) break;
    if (!(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
    Scratch scratch{};
    scratch.full.dmSize = sizeof(DEVMODEA);
    if (!EnumDisplaySettingsA(device.DeviceName, ENUM_CURRENT_SETTINGS, &scratch.full)) continue;
    AttachedDisplay shown{device.DeviceName, {}, scratch.full.dmPosition.x, scratch.full.dmPosition.y,
                          (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0};
    std::memcpy(&shown.mode, scratch.bytes, sizeof shown.mode);
    attached.push_back(std::move(shown));
  }
  return attached;
}

namespace {
std::wstring KeyPath(std::string_view app, std::string_view section) {
  return L"Software\\" + Widen(app) + L"\\" + Widen(section);
}
}  // namespace

std::string Win32Settings::read(std::string_view app, std::string_view section, std::string_view key,
                                std::string_view fallback) {
  const std::wstring path = KeyPath(app, section), name = Widen(key);
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
      ERROR_SUCCESS) {
    return std::string(fallback);
  }
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
      ERROR_SUCCESS) {
    return std::string(fallback);
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return Narrow(value);
}

std::string Win32Settings::unreadable(std::string_view app, std::string_view section) {
  const std::wstring path = KeyPath(app, section);
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
  if (status == ERROR_SUCCESS) {
    RegCloseKey(key);
    return {};
  }
  if (status == ERROR_FILE_NOT_FOUND) return {};
  return "HKEY_CURRENT_USER\\" + Narrow(path) + ": " + (status == ERROR_ACCESS_DENIED ? "access is denied" : "error " + std::to_string(status));
}

bool Win32Settings::write(std::string_view app, std::string_view section, std::string_view key,
                          std::string_view value) {
  const std::wstring path = KeyPath(app, section), name = Widen(key), text = Widen(value);
  const LSTATUS status = RegSetKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), REG_SZ, text.c_str(),
                                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  ok_ = ok_ && status == ERROR_SUCCESS;
  return status == ERROR_SUCCESS;
}

// The core's record carries 32-bit handles; on 64-bit Windows the first NOTIFYICONDATAA layout
// holds them at full width. Window and icon handles are 32-bit values on every Windows.
bool Win32Shell::notifyIcon(uint32_t message, const NotifyIconData& data) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = data.cbSize == sizeof(NotifyIconData) ? NOTIFYICONDATAA_V1_SIZE : data.cbSize;
  nid.hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(data.hWnd));
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(static_cast<uintptr_t>(data.hIcon));
  std::memcpy(nid.szTip, data.szTip, sizeof data.szTip);
  return Shell_NotifyIconA(message, &nid) != FALSE;
}

// The program's texts are UTF-8: the wide call keeps a current directory outside the ANSI
// code page intact.
void Win32Shell::execute(uintptr_t owner, const char* operation, const char* file, const char* parameters,
                         const char* directory, int show) {
  const std::wstring op = Widen(operation), target = Widen(file), dir = Widen(directory);
  const std::wstring params = parameters ? Widen(parameters) : std::wstring();
  ShellExecuteW(reinterpret_cast<HWND>(owner), op.c_str(), target.c_str(), parameters ? params.c_str() : nullptr,
                dir.c_str(), show);
}
