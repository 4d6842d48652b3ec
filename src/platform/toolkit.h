#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class Control;
class MenuEntry;

// The twip, the unit of Form1's positions and sizes: 1/1440 inch.
inline constexpr double kTwipsPerInch = 1440;

namespace mb {
inline constexpr int kOk = 0;
inline constexpr int kCritical = 16;
}  // namespace mb

// Where the mode engine tells the user what went wrong: a message box, modal, returning when
// the user has closed it.
class Reporter {
 public:
  virtual void messageBox(std::string_view text, int style, std::string_view title) = 0;

 protected:
  ~Reporter() = default;
};

// What the windowing toolkit does for Form1 beyond holding its controls.
class Toolkit : public Reporter {
 public:
  virtual ~Toolkit() = default;
  virtual bool anotherInstanceRunning() = 0;
  // Shows the window, restored if it was minimised, on the screen's work area and in front.
  virtual void showWindow() = 0;
  virtual void hideWindow() = 0;
  // Gives the keyboard focus to a control of the shown window.
  virtual void focus(const Control& control) = 0;
  // Lets every pending window event run once.
  virtual void processEvents() = 0;
  // Pops `menu` up at the pointer and waits; the chosen entry, or null.
  virtual const MenuEntry* popupMenu(const MenuEntry& menu) = 0;
  // Runs `callback` once, from the event loop, `milliseconds` from now, unless the call is
  // cancelled first. The answer names the call for cancelCall; 0 means none could be arranged.
  virtual uint32_t callOnce(uint32_t milliseconds, std::function<void()> callback) = 0;
  // Drops a call that has not run yet; one that ran or was dropped already is no matter.
  virtual void cancelCall(uint32_t call) = 0;
  // The window is gone: the program ends as soon as control returns to the toolkit.
  virtual void endProgram() = 0;
  virtual std::string currentDirectory() = 0;
  virtual uint32_t windowHandle() = 0;
  virtual uint32_t windowIcon() = 0;
  virtual float twipsPerPixelX() = 0;
};
