#pragma once
#include <QTimer>
#include <map>
#include <memory>

#include "platform/qt/form_window.h"
#include "platform/qt/x11_selection.h"
#include "platform/toolkit.h"

class QtToolkit final : public Toolkit {
 public:
  // `x` is the program's own connection to the X server it switches; it stays open for the
  // whole run, and the single-instance claim lives as long as it does.
  QtToolkit(FormWindow& window, _XDisplay* x) : window_(window), x_(x) {}

  void messageBox(std::string_view text, int style, std::string_view title) override;
  // One instance per user and X server, however DISPLAY was spelled; a crashed instance
  // holds nothing.
  bool anotherInstanceRunning() override;
  void showWindow() override;
  void hideWindow() override { window_.hide(); }
  void focus(const Control& control) override { window_.focus(control); }
  void processEvents() override;
  const MenuEntry* popupMenu(const MenuEntry& menu) override;
  uint32_t callOnce(uint32_t milliseconds, std::function<void()> callback) override;
  void cancelCall(uint32_t call) override { calls_.erase(call); }
  void endProgram() override;
  std::string currentDirectory() override;
  uint32_t windowHandle() override;
  uint32_t windowIcon() override;
  float twipsPerPixelX() override;

 private:
  FormWindow& window_;
  _XDisplay* x_;
  // One single-shot timer a call; a timer dropped is gone from the event loop.
  std::map<uint32_t, std::unique_ptr<QTimer>> calls_;
  uint32_t lastCall_ = 0;
};
