#include "platform/qt/qt_toolkit.h"

#include <unistd.h>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>

#include <unordered_map>

#include "window/controls.h"

namespace {

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Captions are plain text: an "&" is shown, never taken as an access key.
QString MenuText(const std::string& caption) { return ToQ(caption).replace('&', QLatin1String("&&")); }

}  // namespace

void QtToolkit::messageBox(std::string_view text, int style, std::string_view title) {
  QMessageBox box(style == mb::kCritical ? QMessageBox::Critical : QMessageBox::NoIcon, ToQ(title),
                  ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.setWindowIcon(window_.windowIcon());
  box.exec();
}

bool QtToolkit::anotherInstanceRunning() {
  // An X selection is kept by the server itself, so it names the server that was reached,
  // not the text of DISPLAY, and it is gone the moment its owner's connection closes.
  const std::string name = "_TARNVEL_INSTANCE_U" + std::to_string(getuid());
  return !ClaimX11Selection(x_, name.c_str());
}

void QtToolkit::showWindow() {
  window_.show();
  window_.raise();
  window_.activateWindow();
}

void QtToolkit::processEvents() { QCoreApplication::processEvents(); }

const MenuEntry* QtToolkit::popupMenu(const MenuEntry& menu) {
  QMenu popup;
  std::unordered_map<const QAction*, const MenuEntry*> entries;
  const auto add = [&](QMenu& into, const MenuEntry& entry) {
    if (!entry.visible()) return;
    if (entry.separator()) {
      into.addSeparator();
      return;
    }
    QAction* action = into.addAction(MenuText(entry.caption()));
    action->setEnabled(entry.enabled());
    entries[action] = &entry;
  };
  for (const MenuEntry* entry : menu.children) {
    if (!entry->visible()) continue;
    if (const MenuArray* items = entry->items()) {
      QMenu* sub = popup.addMenu(MenuText(entry->caption()));
      sub->setEnabled(entry->enabled());
      for (int32_t i = 0; i < items->count(); ++i) {
        if (const MenuEntry* item = (*items)[i]) add(*sub, *item);
      }
    } else {
      add(popup, *entry);
    }
  }
  const QAction* chosen = popup.exec(QCursor::pos());
  const auto it = entries.find(chosen);
  return it == entries.end() ? nullptr : it->second;
}

void QtToolkit::endProgram() {
  window_.hide();
  QCoreApplication::exit(0);
}

std::string QtToolkit::currentDirectory() { return QDir::currentPath().toStdString(); }

uint32_t QtToolkit::windowHandle() { return static_cast<uint32_t>(window_.winId()); }

uint32_t QtToolkit::windowIcon() { return static_cast<uint32_t>(qHash(window_.windowIcon().cacheKey())); }

float QtToolkit::twipsPerPixelX() { return 1440.0f / static_cast<float>(window_.logicalDpiX()); }
