#pragma once
#include <QLockFile>
#include <QWidget>
#include <memory>

#include "platform/toolkit.h"

class QtToolkit final : public Toolkit {
 public:
  explicit QtToolkit(QWidget& window) : window_(window) {}

  void messageBox(std::string_view text, int style, std::string_view title) override;
  // One instance per user and X display; a crashed instance's lock does not count.
  bool anotherInstanceRunning() override;
  void showWindow() override;
  void hideWindow() override { window_.hide(); }
  void processEvents() override;
  const MenuEntry* popupMenu(const MenuEntry& menu) override;
  void endProgram() override;
  std::string currentDirectory() override;
  uint32_t windowHandle() override;
  uint32_t windowIcon() override;
  float twipsPerPixelX() override;

 private:
  QWidget& window_;
  std::unique_ptr<QLockFile> instanceLock_;
};
