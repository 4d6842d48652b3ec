// Tarnvel on Linux: the Qt front end around the core, with the XRandR display on X11, KWin's
// output management on KDE Plasma under Wayland, or Mutter's display service on GNOME there.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/desk_record.h"
#include "app/display_choice.h"
#include "desktop/confirmed_display.h"
#include "desktop/desktop_display.h"
#include "platform/qt/form_window.h"
#include "platform/qt/qt_settings.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_toolkit.h"
#include "window/form1.h"

// Last: Xlib's macros collide with Qt's names.
#include <X11/Xlib.h>

namespace {

// The X server went away: nothing is left to show or to switch.
int ServerGone(Display*) {
  std::fputs("tarnvel: the X server went away\n", stderr);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  // The front end is an X11 program whatever else is running: the tray hosts it docks in
  // and the input it takes are X11's, also through Xwayland.
  qputenv("QT_QPA_PLATFORM", "xcb");
  Display* x = XOpenDisplay(nullptr);
  if (!x) {
    const char* name = std::getenv("DISPLAY");
    std::fprintf(stderr, "tarnvel: cannot open the X display \"%s\"\n", name ? name : "");
    return 1;
  }
  XSetIOErrorHandler(ServerGone);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(app::kTitle.data(), static_cast<qsizetype>(app::kTitle.size())));
  QApplication::setQuitOnLastWindowClosed(false);
  const QIcon icon(QStringLiteral(":/tarnvel.png"));
  QApplication::setWindowIcon(icon);

  bool wayland = false;
  const std::unique_ptr<desktop::System> desk = ChooseDesk([x] { return x; }, MutterOnSessionBus, &wayland);
  // The tray drives the primary monitor, and shares the arrangement it plans from with
  // tarnvelctl: a switch by one and the way back by the other meet.
  const std::unique_ptr<desktop::Memory> record = DeskRecord(wayland);
  desktop::DesktopDisplay driver(*desk, {}, record.get());
  ConfirmedDisplay display(driver);
  QtSettings settings;
  FormWindow window;
  window.setWindowIcon(icon);
  QtToolkit toolkit(window, x);
  Form1* form = nullptr;
  QtShell shell(
      icon, x, [&](int code) {
        if (form && !form->ended()) form->Form_MouseMove(0, 0, MessageAsX(code, toolkit.twipsPerPixelX()), 0);
      },
      [&] {
        if (form) form->TrayIconDocked();
      });
  Form1 theForm(Platform{display, settings, shell, toolkit});
  form = &theForm;
  window.attach(theForm);

  theForm.Form_Load();
  if (theForm.ended()) return 0;
  // Once the menu tree is complete: a host that draws the icon's menu itself shows this one.
  shell.exportMenu(theForm.mnuRes, [&](const MenuEntry& entry) { theForm.runMenuEntry(entry); });
  return QApplication::exec();
}
