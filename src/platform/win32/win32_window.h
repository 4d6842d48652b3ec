#pragma once
// Form1 on Windows: a native window with native controls, and the toolkit around it.
#include <windows.h>

#include <functional>
#include <string>
#include <unordered_map>

#include "platform/toolkit.h"

class Form1;
class Control;
enum class Change;

// Form1's window: a top-level frame whose client area is covered by one surface that holds
// every control, so the frame itself only hears the tray icon's callback.
class Win32Window {
 public:
  explicit Win32Window(HINSTANCE instance);
  ~Win32Window();
  void attach(Form1& form);
  HWND handle() const { return frame_; }
  HICON icon() const { return icon_; }
  UINT dpi() const;
  float twipsPerPixel() const;
  // Lets the dialog keys (Tab) move between the controls.
  bool dialogMessage(MSG& msg) { return IsDialogMessageW(frame_, &msg); }
  // Shows the window on the work area of its monitor, restored if it was minimised, in front.
  void bringToFront();
  void focus(const Control& control);

 private:
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SurfaceProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT frame(UINT msg, WPARAM wParam, LPARAM lParam);
  void command(HWND control, WORD code);
  void create(Control& control);
  void place(const Control& control);
  void update(Control& control, Change what);
  void fitFonts();
  void setTip(const Control& box);
  int px(float twips) const;

  HINSTANCE instance_;
  HWND frame_ = nullptr;
  HWND surface_ = nullptr;
  HICON icon_ = nullptr;
  HFONT font_ = nullptr;     // the dialog font, for every control but the preset boxes
  HFONT boxFont_ = nullptr;  // one font for the four preset boxes
  HWND tips_ = nullptr;
  bool fits_ = true;         // every text the boxes were given fits them whole in their font
  bool fontsStale_ = true;   // a text to fit came while the window was hidden
  HWND focus_ = nullptr;     // the control that had the focus when the window was left
  Form1* form_ = nullptr;
  bool syncing_ = false;  // a control is being set from Form1: its notification is ours
  UINT taskbarCreated_ = 0;
  std::unordered_map<const Control*, HWND> windows_;
  std::unordered_map<HWND, Control*> controls_;
};

class Win32Toolkit final : public Toolkit {
 public:
  explicit Win32Toolkit(Win32Window& window) : window_(window) {}
  ~Win32Toolkit() override;

  void messageBox(std::string_view text, int style, std::string_view title) override;
  bool anotherInstanceRunning() override;
  void showWindow() override;
  void hideWindow() override { ShowWindow(window_.handle(), SW_HIDE); }
  void focus(const Control& control) override { window_.focus(control); }
  void processEvents() override;
  const MenuEntry* popupMenu(const MenuEntry& menu) override;
  // A thread timer each: its WM_TIMER comes through the message loop.
  uint32_t callOnce(uint32_t milliseconds, std::function<void()> callback) override;
  void cancelCall(uint32_t call) override;
  void endProgram() override { PostQuitMessage(0); }
  std::string currentDirectory() override;
  uint32_t windowHandle() override { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_.handle())); }
  uint32_t windowIcon() override { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window_.icon())); }
  float twipsPerPixelX() override { return window_.twipsPerPixel(); }

 private:
  Win32Window& window_;
  HANDLE mutex_ = nullptr;
};
