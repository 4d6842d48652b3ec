#pragma once
// The tray icon and the URL handler on Linux. The icon reports its mouse messages the way the
// Windows shell does: as the callback message with the mouse message code.
#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/shell.h"

class QtShell final : public QObject, public Shell {
 public:
  // `deliver` gets the mouse message code (514 for a left button release, ...) of every
  // event over the icon.
  QtShell(QIcon icon, std::function<void(int code)> deliver);
  ~QtShell() override;

  bool notifyIcon(uint32_t message, const NotifyIconData& data) override;
  void execute(uintptr_t owner, const char* operation, const char* file, const char* parameters, const char* directory,
               int show) override;

  QSystemTrayIcon* icon() const { return tray_.get(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void activated(QSystemTrayIcon::ActivationReason reason);
  void post(int code);

  QIcon image_;
  std::function<void(int)> deliver_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  uint32_t hWnd_ = 0, uID_ = 0;
  bool embedded_ = false;  // the icon sits in an XEmbed tray, whose mouse events we see
};
