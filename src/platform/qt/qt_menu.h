#pragma once
// The menu tree as a QMenu: the pop-up that Tarnvel shows itself and the menu a StatusNotifier
// host draws for the icon are filled by the same code, so they never differ.
#include <QMenu>
#include <unordered_map>

class MenuEntry;

// Which menu entry each action of a filled menu stands for.
using MenuActions = std::unordered_map<const QAction*, const MenuEntry*>;

// Adds the visible children of `root` to `menu`, in order: separators, plain entries, and an
// entry with an item array as a sub-menu of the array's visible items.
MenuActions FillMenu(QMenu& menu, const MenuEntry& root);

// Empties a menu that FillMenu filled, its sub-menus included.
void ClearMenu(QMenu& menu);
