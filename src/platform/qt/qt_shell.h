#pragma once
// The tray icon and the URL handler on Linux. The icon reports its mouse messages the way the
// Windows shell does: as the callback message with the mouse message code.
#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "platform/qt/qt_menu.h"
#include "platform/qt/x11_selection.h"
#include "platform/shell.h"

class QtShell final : public QObject, public Shell {
 public:
  // `deliver` gets the mouse message code (mouse::kLeftUp for a left button release, ...) of every
  // event over the icon; `docked` hears each time an XEmbed tray takes the icon. `x` is the
  // program's own open connection to the X server the icon shows on.
  QtShell(QIcon icon, _XDisplay* x, std::function<void(int code)> deliver, std::function<void()> docked);
  ~QtShell() override;

  // From now on, the menu a StatusNotifier host may draw itself (some do on the right button)
  // shows the entries of `root`, as they are whenever the host is about to show it. The entry
  // chosen there goes to `choose` once the host's request has been handled.
  void exportMenu(const MenuEntry& root, std::function<void(const MenuEntry&)> choose);

  bool notifyIcon(uint32_t message, const NotifyIconData& data) override;
  // A StatusNotifier host was there when the icon was made, or an XEmbed tray runs now.
  bool trayHostPresent() override;
  void execute(uintptr_t owner, const char* operation, const char* file, const char* parameters, const char* directory,
               int show) override;

  QSystemTrayIcon* icon() const { return tray_.get(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void activated(QSystemTrayIcon::ActivationReason reason);
  void post(int code);
  void refreshMenu();

  QIcon image_;
  _XDisplay* x_;
  std::function<void(int)> deliver_;
  std::function<void()> docked_;
  // The icon goes before the menu it exports.
  std::unique_ptr<QMenu> exported_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  uint32_t hWnd_ = 0, uID_ = 0;
  // A StatusNotifier item (true) or an XEmbed icon, as Qt chose when the icon was created.
  bool statusNotifier_ = false;
  const MenuEntry* menuRoot_ = nullptr;
  std::function<void(const MenuEntry&)> choose_;
  MenuActions exportedEntries_;
};
