#include <QDBusConnection>

#include "app/display_choice.h"
#include "platform/mutter/mutter_desk.h"

std::unique_ptr<desktop::System> MutterOnSessionBus() {
  if (!MutterDesk::Available(QDBusConnection::sessionBus())) return nullptr;
  return std::make_unique<MutterDesk>(QDBusConnection::sessionBus());
}
