#include "platform/qt/qt_shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <cstring>

namespace {

// Mouse message codes, as the icon's callback carries them.
int Code(QEvent::Type type, Qt::MouseButton button) {
  const int base = button == Qt::LeftButton     ? 513
                   : button == Qt::RightButton  ? 516
                   : button == Qt::MiddleButton ? 519
                                                : 0;
  if (base == 0) return 0;
  switch (type) {
    case QEvent::MouseButtonPress:
      return base;
    case QEvent::MouseButtonRelease:
      return base + 1;
    case QEvent::MouseButtonDblClick:
      return base + 2;
    default:
      return 0;
  }
}

}  // namespace

QtShell::QtShell(QIcon icon, std::function<void(int)> deliver) : image_(std::move(icon)), deliver_(std::move(deliver)) {
  qApp->installEventFilter(this);
}

QtShell::~QtShell() { qApp->removeEventFilter(this); }

bool QtShell::notifyIcon(uint32_t message, const NotifyIconData& data) {
  const bool ours = tray_ && data.hWnd == hWnd_ && data.uID == uID_;
  if (message == nim::kDelete) {
    if (!ours) return false;
    tray_.reset();
    return true;
  }
  if (message != nim::kAdd || tray_) return false;
  tray_ = std::make_unique<QSystemTrayIcon>(image_);
  hWnd_ = data.hWnd;
  uID_ = data.uID;
  tray_->setToolTip(QString::fromLatin1(data.szTip, static_cast<qsizetype>(strnlen(data.szTip, sizeof data.szTip))));
  connect(tray_.get(), &QSystemTrayIcon::activated, this, &QtShell::activated);
  tray_->show();
  return true;
}

void QtShell::execute(uintptr_t, const char*, const char* file, const char*, const char*, int) {
  QDesktopServices::openUrl(QUrl(QString::fromLocal8Bit(file)));
}

// Qt's XEmbed icon reports a press as activation; the release that opens the menu is seen
// only here, on the icon's own widget.
bool QtShell::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick) &&
      tray_ && qstrcmp(watched->metaObject()->className(), "QSystemTrayIconSys") == 0) {
    embedded_ = true;
    if (const int code = Code(type, static_cast<QMouseEvent*>(event)->button())) post(code);
  }
  return false;
}

// A StatusNotifier host sends requests, not button events: activation stands for the left
// button's release and the context menu request for the right one's.
void QtShell::activated(QSystemTrayIcon::ActivationReason reason) {
  if (embedded_) return;
  if (reason == QSystemTrayIcon::Trigger) post(514);
  if (reason == QSystemTrayIcon::Context) post(517);
  if (reason == QSystemTrayIcon::DoubleClick) post(515);
  if (reason == QSystemTrayIcon::MiddleClick) post(520);
}

// Delivered once the event that caused it is done, so a pop-up's own event loop never runs
// inside the tray's event handling.
void QtShell::post(int code) {
  QTimer::singleShot(0, this, [this, code] { deliver_(code); });
}
