#include "platform/qt/qt_menu.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "window/controls.h"
#include "window/fit.h"

namespace {

// Captions are plain text: an "&" is shown, never taken as an access key.
QString MenuText(const std::string& caption) {
  return QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())).replace('&', QLatin1String("&&"));
}

void Add(QMenu& into, const MenuEntry& entry, MenuActions& actions) {
  if (!entry.visible()) return;
  if (entry.separator()) {
    into.addSeparator();
    return;
  }
  QAction* action = into.addAction(MenuText(entry.caption()));
  actions[action] = &entry;
}

// A caption wider than the screen is drawn shortened in the middle. Its action still stands
// for the entry, so a choice uses the entry's whole text.
void Shorten(QMenu& menu, const MenuActions& actions, int screenWidth) {
  const QFontMetrics metrics(menu.font());
  int widest = 0;
  for (const QAction* action : menu.actions()) widest = std::max(widest, metrics.horizontalAdvance(action->text()));
  // What the menu adds around its widest caption: frame, margins, the sub-menu arrow.
  const int room = screenWidth - (menu.sizeHint().width() - widest);
  for (QAction* action : menu.actions()) {
    if (QMenu* sub = action->menu()) Shorten(*sub, actions, screenWidth);
    const auto it = actions.find(action);
    if (it == actions.end() || metrics.horizontalAdvance(action->text()) <= room) continue;
    const std::string shown = ShortenInTheMiddle(it->second->caption(), room, [&](std::string_view text) {
      return metrics.horizontalAdvance(MenuText(std::string(text)));
    });
    action->setText(MenuText(shown));
  }
}

}  // namespace

MenuActions FillMenu(QMenu& menu, const MenuEntry& root) {
  MenuActions actions;
  for (const MenuEntry* entry : root.children) {
    if (!entry->visible()) continue;
    if (const MenuArray* items = entry->items()) {
      QMenu* sub = menu.addMenu(MenuText(entry->caption()));
      for (int32_t i = 0; i < items->count(); ++i) {
        if (const MenuEntry* item = (*items)[i]) Add(*sub, *item, actions);
      }
    } else {
      Add(menu, *entry, actions);
    }
  }
  const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) Shorten(menu, actions, screen->availableGeometry().width());
  return actions;
}

void ClearMenu(QMenu& menu) {
  // The sub-menus are the menu's children, and clear() leaves them alive.
  const auto subs = menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
  menu.clear();
  qDeleteAll(subs);
}
