// The yardstick for Tarnvel's footprint: a Qt 6 tray program with an icon and a one-entry
// menu, and nothing else.
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QSystemTrayIcon icon(QIcon(QStringLiteral(":/tarnvel.png")));
  QMenu menu;
  menu.addAction(QStringLiteral("Quit"), &app, &QApplication::quit);
  icon.setContextMenu(&menu);
  icon.setToolTip(QStringLiteral("bare tray"));
  icon.show();
  return QApplication::exec();
}
