#pragma once
#include <cstddef>
#include <cstdint>

// The notify icon record in its first and smallest ANSI form, 88 bytes, as the shell takes it.
struct NotifyIconData {
  uint32_t cbSize;
  uint32_t hWnd;
  uint32_t uID;
  uint32_t uFlags;
  uint32_t uCallbackMessage;
  uint32_t hIcon;
  char szTip[64];
};
static_assert(sizeof(NotifyIconData) == 88);
static_assert(offsetof(NotifyIconData, szTip) == 24);

namespace nim {
inline constexpr uint32_t kAdd = 0;
inline constexpr uint32_t kModify = 1;
inline constexpr uint32_t kDelete = 2;
}  // namespace nim

class Shell {
 public:
  virtual ~Shell() = default;
  // Shell_NotifyIconA; the answer is the shell's and callers may ignore it.
  virtual bool notifyIcon(uint32_t message, const NotifyIconData& data) = 0;
  // Whether a notification area takes the icon now: one that holds it, or one the icon is
  // about to dock in. Asked after the icon was added.
  virtual bool trayHostPresent() = 0;
  // ShellExecuteA; `parameters` may be null.
  virtual void execute(uintptr_t owner, const char* operation, const char* file, const char* parameters,
                       const char* directory, int show) = 0;
};
