#include <QDBusConnection>

#include "app/display_choice.h"
#include "platform/mutter/mutter_display.h"

std::unique_ptr<DisplayDriver> MutterOnSessionBus() {
  if (!MutterDisplay::Available(QDBusConnection::sessionBus())) return nullptr;
  return std::make_unique<MutterDisplay>(QDBusConnection::sessionBus());
}
