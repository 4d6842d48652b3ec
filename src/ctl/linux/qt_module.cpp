// The part of tarnvelctl that needs Qt, loaded only when a command needs it: Mutter's display
// service in a Wayland session, and the settings file for the presets. Loading Qt costs more
// than a whole "tarnvelctl current" on X11 otherwise.
#include <QCoreApplication>
#include <memory>

#include "ctl/linux/qt_module.h"
#include "app/display_choice.h"
#include "platform/qt/qt_settings.h"

extern "C" desktop::System* TarnvelctlMutterDesk() {
  // D-Bus wants an application object.
  static int argc = 1;
  static char name[] = "tarnvelctl";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return MutterOnSessionBus().release();
}

extern "C" Settings* TarnvelctlSettings() { return new QtSettings; }
