#include "platform/qt/qt_toolkit.h"

#include <unistd.h>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <algorithm>
#include <cstdint>

#include "platform/qt/qt_menu.h"

namespace {

QString ToQ(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void QtToolkit::messageBox(std::string_view text, int style, std::string_view title) {
  // Over the shown editor the box is its own: it stays in front of it, and the editor's
  // buttons cannot be pressed underneath. A minimised editor would take its box out of sight.
  QMessageBox box(style == mb::kCritical ? QMessageBox::Critical : QMessageBox::NoIcon, ToQ(title),
                  ToQ(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), QMessageBox::Ok,
                  window_.isVisible() && !window_.isMinimized() ? &window_ : nullptr);
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

void QtToolkit::showWindow() { window_.bringToFront(); }

void QtToolkit::processEvents() { QCoreApplication::processEvents(); }

const MenuEntry* QtToolkit::popupMenu(const MenuEntry& menu) {
  QMenu popup;
  const MenuActions entries = FillMenu(popup, menu);
  const QAction* chosen = popup.exec(QCursor::pos());
  const auto it = entries.find(chosen);
  return it == entries.end() ? nullptr : it->second;
}

uint32_t QtToolkit::callOnce(uint32_t milliseconds, std::function<void()> callback) {
  const uint32_t call = ++lastCall_;
  auto timer = std::make_unique<QTimer>();
  timer->setSingleShot(true);
  // Qt's default timer may fire up to 5 % early; a call is due when it was asked to be.
  timer->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [this, call, callback = std::move(callback)] {
    const auto it = calls_.find(call);
    if (it == calls_.end()) return;
    // Its own signal is running: the timer, and this function with it, go once control is
    // back in the event loop, and the call runs on a copy.
    it->second.release()->deleteLater();
    calls_.erase(it);
    const std::function<void()> run = callback;
    run();
  });
  timer->start(static_cast<int>(std::min<uint32_t>(milliseconds, INT32_MAX)));
  calls_.emplace(call, std::move(timer));
  return call;
}

void QtToolkit::endProgram() {
  window_.hide();
  QCoreApplication::exit(0);
}

std::string QtToolkit::currentDirectory() { return QDir::currentPath().toStdString(); }

uint32_t QtToolkit::windowHandle() { return static_cast<uint32_t>(window_.winId()); }

uint32_t QtToolkit::windowIcon() { return static_cast<uint32_t>(qHash(window_.windowIcon().cacheKey())); }

float QtToolkit::twipsPerPixelX() { return window_.twips(1); }
