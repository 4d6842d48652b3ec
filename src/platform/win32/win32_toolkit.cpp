#include <unordered_map>
#include <vector>

#include "window/fit.h"

#include "platform/win32/win32_system.h"
#include "platform/win32/win32_window.h"
#include "window/controls.h"

namespace {

// Thread timers carry no pointer of ours: their calls are found by the timer's id.
std::unordered_map<UINT_PTR, std::function<void()>>& Calls() {
  static std::unordered_map<UINT_PTR, std::function<void()>> calls;
  return calls;
}

void CALLBACK CallDue(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const auto it = Calls().find(timer);
  if (it == Calls().end()) return;
  const std::function<void()> run = std::move(it->second);
  Calls().erase(it);
  run();
}

}  // namespace

uint32_t Win32Toolkit::callOnce(uint32_t milliseconds, std::function<void()> callback) {
  const UINT_PTR timer = SetTimer(nullptr, 0, milliseconds, CallDue);
  if (timer == 0) return 0;
  Calls()[timer] = std::move(callback);
  return static_cast<uint32_t>(timer);
}

void Win32Toolkit::cancelCall(uint32_t call) {
  if (Calls().erase(call) == 1) KillTimer(nullptr, call);
}

Win32Toolkit::~Win32Toolkit() {
  for (const auto& [timer, callback] : Calls()) KillTimer(nullptr, timer);
  Calls().clear();
  if (mutex_) CloseHandle(mutex_);
}

void Win32Toolkit::messageBox(std::string_view text, int style, std::string_view title) {
  // Over the shown editor the box is its own: the editor is disabled while it is open, so its
  // buttons cannot be pressed underneath. A minimised editor would hide the box it owns.
  const HWND frame = window_.handle();
  const HWND owner = IsWindowVisible(frame) && !IsIconic(frame) ? frame : nullptr;
  MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
}

// A mutex in this session's namespace: the system frees it with the process, crashed or not.
bool Win32Toolkit::anotherInstanceRunning() {
  mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\Tarnvel.SingleInstance");
  return GetLastError() == ERROR_ALREADY_EXISTS;
}

void Win32Toolkit::showWindow() { window_.bringToFront(); }

void Win32Toolkit::processEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
      return;
    }
    if (!window_.dialogMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

const MenuEntry* Win32Toolkit::popupMenu(const MenuEntry& menu) {
  std::vector<const MenuEntry*> byId{nullptr};  // command 0 means nothing was chosen
  POINT at{};
  GetCursorPos(&at);
  // A caption wider than the screen is drawn shortened in the middle; its command still
  // stands for the entry, so a choice uses the entry's whole text. The menu adds room for a
  // check mark on each side of the text, and its frame.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor);
  const int room = static_cast<int>(monitor.rcWork.right - monitor.rcWork.left) -
                   3 * GetSystemMetrics(SM_CXMENUCHECK) - 4 * GetSystemMetrics(SM_CXEDGE);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const HFONT menuFont = CreateFontIndirectW(&metrics.lfMenuFont);
  HDC dc = GetDC(nullptr);
  const HGDIOBJ oldFont = SelectObject(dc, menuFont);
  const auto width = [dc](std::string_view text) {
    const std::wstring wide = Widen(text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
    return static_cast<int>(extent.cx);
  };
  const auto caption = [&](const std::string& text) {
    std::wstring out;
    for (wchar_t c : Widen(ShortenInTheMiddle(text, room, width))) {
      out += c;
      if (c == L'&') out += L'&';  // shown, never an access key
    }
    return out;
  };
  const auto add = [&](HMENU into, const MenuEntry& entry) {
    if (!entry.visible()) return;
    if (entry.separator()) {
      AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
      return;
    }
    byId.push_back(&entry);
    AppendMenuW(into, MF_STRING, byId.size() - 1, caption(entry.caption()).c_str());
  };
  HMENU popup = CreatePopupMenu();
  for (const MenuEntry* entry : menu.children) {
    if (!entry->visible()) continue;
    if (const MenuArray* items = entry->items()) {
      HMENU sub = CreatePopupMenu();
      for (int32_t i = 0; i < items->count(); ++i) {
        if (const MenuEntry* item = (*items)[i]) add(sub, *item);
      }
      AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
                  caption(entry->caption()).c_str());
    } else {
      add(popup, *entry);
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(nullptr, dc);
  DeleteObject(menuFont);
  // A tray menu closes on a click elsewhere only while its owner is the foreground window.
  SetForegroundWindow(window_.handle());
  const UINT chosen =
      TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, window_.handle(), nullptr);
  PostMessageW(window_.handle(), WM_NULL, 0, 0);
  DestroyMenu(popup);
  return chosen < byId.size() ? byId[chosen] : nullptr;
}

std::string Win32Toolkit::currentDirectory() {
  std::wstring dir(MAX_PATH, L'\0');
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
  if (n > dir.size()) {
    dir.resize(n);
    n = GetCurrentDirectoryW(n, dir.data());
  }
  dir.resize(n);
  return Narrow(dir);
}
