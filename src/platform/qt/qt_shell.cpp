#include "platform/qt/qt_shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <cstring>

namespace {

// Whether two menus have their entries, separators and sub-menus in the same places.
bool SameShape(const QMenu& a, const QMenu& b) {
  const QList<QAction*> x = a.actions(), y = b.actions();
  if (x.size() != y.size()) return false;
  for (qsizetype i = 0; i < x.size(); ++i) {
    if (x[i]->isSeparator() != y[i]->isSeparator() || !x[i]->menu() != !y[i]->menu()) return false;
    if (x[i]->menu() && !SameShape(*x[i]->menu(), *y[i]->menu())) return false;
  }
  return true;
}

// Gives the actions of `to` the captions and states of those of `from`, a menu of the same
// shape, and the entries they stand for. A caption set again unchanged is no change.
void TakeOver(QMenu& to, const QMenu& from, MenuActions& entries, const MenuActions& fromEntries) {
  const QList<QAction*> x = to.actions(), y = from.actions();
  for (qsizetype i = 0; i < x.size(); ++i) {
    x[i]->setText(y[i]->text());
    x[i]->setEnabled(y[i]->isEnabled());
    if (const auto it = fromEntries.find(y[i]); it != fromEntries.end()) entries[x[i]] = it->second;
    if (x[i]->menu()) TakeOver(*x[i]->menu(), *y[i]->menu(), entries, fromEntries);
  }
}

// Mouse message codes, as the icon's callback carries them.
int Code(QEvent::Type type, Qt::MouseButton button) {
  const int base = button == Qt::LeftButton     ? mouse::kLeftDown
                   : button == Qt::RightButton  ? mouse::kRightDown
                   : button == Qt::MiddleButton ? mouse::kMiddleDown
                                                : 0;
  if (base == 0) return 0;
  switch (type) {
    case QEvent::MouseButtonPress:
      return base;
    case QEvent::MouseButtonRelease:
      return base + (mouse::kLeftUp - mouse::kLeftDown);
    case QEvent::MouseButtonDblClick:
      return base + (mouse::kLeftDouble - mouse::kLeftDown);
    default:
      return 0;
  }
}

}  // namespace

QtShell::QtShell(QIcon icon, _XDisplay* x, std::function<void(int)> deliver, std::function<void()> docked)
    : image_(std::move(icon)), x_(x), deliver_(std::move(deliver)), docked_(std::move(docked)) {
  qApp->installEventFilter(this);
}

QtShell::~QtShell() { qApp->removeEventFilter(this); }

void QtShell::exportMenu(const MenuEntry& root, std::function<void(const MenuEntry&)> choose) {
  menuRoot_ = &root;
  choose_ = std::move(choose);
  refreshMenu();
}

bool QtShell::notifyIcon(uint32_t message, const NotifyIconData& data) {
  const bool ours = tray_ && data.hWnd == hWnd_ && data.uID == uID_;
  if (message == nim::kDelete) {
    if (!ours) return false;
    tray_.reset();
    exported_.reset();
    exportedEntries_.clear();
    return true;
  }
  if (message != nim::kAdd || tray_) return false;
  tray_ = std::make_unique<QSystemTrayIcon>(image_);
  // Qt has just made the icon a StatusNotifier item or an XEmbed one, and only an item turns
  // its context menu into one the host draws. The XEmbed icon must keep none: Qt would open
  // it on the right button's press, and the menu belongs to the release.
  exported_ = std::make_unique<QMenu>();
  tray_->setContextMenu(exported_.get());
  statusNotifier_ = exported_->platformMenu() != nullptr;
  if (statusNotifier_) {
    refreshMenu();
    connect(exported_.get(), &QMenu::aboutToShow, this, &QtShell::refreshMenu);
  } else {
    tray_->setContextMenu(nullptr);
    exported_.reset();
  }
  hWnd_ = data.hWnd;
  uID_ = data.uID;
  tray_->setToolTip(QString::fromLatin1(data.szTip, static_cast<qsizetype>(strnlen(data.szTip, sizeof data.szTip))));
  connect(tray_.get(), &QSystemTrayIcon::activated, this, &QtShell::activated);
  tray_->show();
  return true;
}

// Qt's StatusNotifier item stays one for as long as the icon lives, whatever the host does
// later; an XEmbed icon is shown wherever a tray manager runs, and Qt docks it in one that
// starts later.
bool QtShell::trayHostPresent() { return statusNotifier_ || XEmbedTrayPresent(x_); }

void QtShell::execute(uintptr_t, const char*, const char* file, const char*, const char*, int) {
  QDesktopServices::openUrl(QUrl(QString::fromLocal8Bit(file)));
}

// Qt's XEmbed icon reports a press as activation; the release that opens the menu is seen
// only here, on the icon's own widget. Qt makes that widget when a tray manager is there,
// and shows it once it has asked the tray to dock it.
bool QtShell::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  const bool button =
      type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
  if ((!button && type != QEvent::Show) || !tray_ ||
      qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") != 0) {
    return false;
  }
  if (!button) {
    docked_();
  } else if (const int code = Code(type, static_cast<QMouseEvent*>(event)->button())) {
    post(code);
  }
  return false;
}

// A StatusNotifier host sends requests, not button events: activation stands for the left
// button's release and the context menu request for the right one's. The XEmbed icon reports
// presses here; its events come from the filter above instead.
void QtShell::activated(QSystemTrayIcon::ActivationReason reason) {
  if (!statusNotifier_) return;
  if (reason == QSystemTrayIcon::Trigger) post(mouse::kLeftUp);
  if (reason == QSystemTrayIcon::Context) post(mouse::kRightUp);
  if (reason == QSystemTrayIcon::DoubleClick) post(mouse::kLeftDouble);
  if (reason == QSystemTrayIcon::MiddleClick) post(mouse::kMiddleUp);
}

// Delivered once the event that caused it is done, so a pop-up's own event loop never runs
// inside the tray's event handling. The item's menu then follows what the handler changed.
void QtShell::post(int code) {
  QTimer::singleShot(0, this, [this, code] {
    deliver_(code);
    refreshMenu();
  });
}

// The host asks for the menu before it draws it, so it shows the menu tree as it is now. While
// the tree keeps its shape the menu keeps its actions and only takes over new captions: a host
// that is showing it, or keeps a copy, sees those change and nothing else. A choice arrives
// while the host's request is still being handled: it runs afterwards, and the menu follows
// what it changed.
void QtShell::refreshMenu() {
  if (!exported_ || !menuRoot_) return;
  QMenu wanted;
  const MenuActions wantedEntries = FillMenu(wanted, *menuRoot_);
  if (SameShape(*exported_, wanted)) {
    TakeOver(*exported_, wanted, exportedEntries_, wantedEntries);
    return;
  }
  ClearMenu(*exported_);
  exportedEntries_ = FillMenu(*exported_, *menuRoot_);
  for (const auto& chosen : exportedEntries_) {
    connect(chosen.first, &QAction::triggered, this, [this, action = chosen.first] {
      const auto it = exportedEntries_.find(action);
      if (it == exportedEntries_.end()) return;
      QTimer::singleShot(0, this, [this, entry = it->second] {
        choose_(*entry);
        refreshMenu();
      });
    });
  }
}
