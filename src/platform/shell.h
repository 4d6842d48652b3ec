#pragma once
#include <cstddef>
#include <cstdint>

// The notify icon record in its first and smallest ANSI form, 88 bytes, with 32-bit handles, as
// the program keeps it. The Windows backend repacks it into the system's NOTIFYICONDATAA, whose
// handles are 64 bits wide on x86_64; a window or icon handle's value fits in 32 bits on every
// Windows.
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

// The mouse messages the notify icon reports through its callback, WM_MOUSEMOVE (512) itself
// among them.
namespace mouse {
inline constexpr int kMove = 512;
inline constexpr int kLeftDown = 513, kLeftUp = 514, kLeftDouble = 515;
inline constexpr int kRightDown = 516, kRightUp = 517, kRightDouble = 518;
inline constexpr int kMiddleDown = 519, kMiddleUp = 520, kMiddleDouble = 521;
}  // namespace mouse

// As the Windows shell reports a mouse message to a form that works in twips: WM_MOUSEMOVE
// with the code where the pointer's x would be, code pixels turned into twips.
inline float MessageAsX(int code, float twipsPerPixel) { return static_cast<float>(code) * twipsPerPixel; }

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
