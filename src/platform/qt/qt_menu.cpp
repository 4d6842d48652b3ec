#include "platform/qt/qt_menu.h"

#include "window/controls.h"

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
  action->setEnabled(entry.enabled());
  actions[action] = &entry;
}

}  // namespace

MenuActions FillMenu(QMenu& menu, const MenuEntry& root) {
  MenuActions actions;
  for (const MenuEntry* entry : root.children) {
    if (!entry->visible()) continue;
    if (const MenuArray* items = entry->items()) {
      QMenu* sub = menu.addMenu(MenuText(entry->caption()));
      sub->setEnabled(entry->enabled());
      for (int32_t i = 0; i < items->count(); ++i) {
        if (const MenuEntry* item = (*items)[i]) Add(*sub, *item, actions);
      }
    } else {
      Add(menu, *entry, actions);
    }
  }
  return actions;
}

void ClearMenu(QMenu& menu) {
  // The sub-menus are the menu's children, and clear() leaves them alive.
  const auto subs = menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly);
  menu.clear();
  qDeleteAll(subs);
}
