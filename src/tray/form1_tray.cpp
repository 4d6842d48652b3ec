#include <cmath>
#include <cstring>
#include <utility>

#include "tray/about_text.h"
#include "window/form1.h"

namespace {
constexpr uint32_t kFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
// At login the panel often starts after the programs it hosts: this is how long it has.
constexpr uint32_t kTrayHostWaitMs = 10000;
}  // namespace

void Form1::ShellIcon(const std::string& /*sCaption: the tip never depends on it*/) {
  auto& toolkit = platform_.toolkit;
  TrayIconData.cbSize = sizeof(NotifyIconData);
  TrayIconData.hWnd = toolkit.windowHandle();
  TrayIconData.uID = 1;
  TrayIconData.uFlags = kFlags;
  TrayIconData.uCallbackMessage = mouse::kMove;
  TrayIconData.hIcon = toolkit.windowIcon();

  // The tip, its NUL, then blanks to the end of the field. A tip too long for the field
  // is cut so that its NUL still fits.
  std::string tip = std::string(app::kTitle) + " - v " + VersionText();
  tip.resize(std::min(tip.size(), sizeof TrayIconData.szTip - 1));
  tip += '\0';
  tip.resize(sizeof TrayIconData.szTip, ' ');
  std::memcpy(TrayIconData.szTip, tip.data(), sizeof TrayIconData.szTip);

  platform_.shell.notifyIcon(nim::kAdd, TrayIconData);
  // With a host there now nothing waits: a call would only wake the idle program.
  if (!platform_.shell.trayHostPresent()) {
    trayHostWait_ = platform_.toolkit.callOnce(kTrayHostWaitMs, [this] { trayHostWaitOver(); });
  }
}

// Where no icon can be seen, the program looks as if it did nothing, and every later start
// ends quietly because this one runs. It says why, once, and runs on: the icon docks
// whenever a notification area starts.
void Form1::trayHostWaitOver() {
  trayHostWait_ = 0;
  handle(
      [this] {
        if (ended_ || platform_.shell.trayHostPresent()) return;
        msgBox(std::string("No notification area was found, so ") + std::string(app::kTitle) +
               " cannot show its icon. On GNOME, turn on the AppIndicator extension (package "
               "gnome-shell-extension-appindicator). The icon appears as soon as a notification area starts.");
      },
      WhenBusy::Wait);
}

// The user has seen the icon: a notification area that goes away later is no news to tell.
void Form1::TrayIconDocked() {
  if (trayHostWait_ == 0) return;
  platform_.toolkit.cancelCall(trayHostWait_);
  trayHostWait_ = 0;
}

// A new notification area starts empty. Without the icon the program would run on out of
// reach, and every later start would end quietly because this one still runs. The same
// record goes back: nothing about the icon changed. Before start-up added it there is
// nothing to restore, and once it was removed the program is ending.
void Form1::TrayRecreated() {
  if (TrayIconData.uID == 0 || ended_) return;
  platform_.shell.notifyIcon(nim::kAdd, TrayIconData);
}

void Form1::Form_QueryUnload(int16_t& /*cancel*/, int16_t /*unloadMode*/) {
  platform_.shell.notifyIcon(nim::kDelete, TrayIconData);
}

void Form1::mnuExit_Click() {
  platform_.shell.notifyIcon(nim::kDelete, TrayIconData);
  unload(unload_mode::kCode);
}

// The icon reports its mouse messages as WM_MOUSEMOVE with the message where the pointer's x
// would be, so the code is x turned back into pixels.
void Form1::Form_MouseMove(int16_t /*button*/, int16_t /*shift*/, float x, float /*y*/) {
  const double code = scaleMode == ScaleMode::Pixels
                          ? std::nearbyint(x)
                          : std::nearbyint(static_cast<double>(x) / platform_.toolkit.twipsPerPixelX());
  if (code != mouse::kLeftUp && code != mouse::kRightUp) return;
  handle([this] { popUpMenu(); }, WhenBusy::Drop);
}

void Form1::popUpMenu() {
  if (ended_) return;
  if (const MenuEntry* chosen = platform_.toolkit.popupMenu(mnuRes)) runEntry(*chosen);
}

void Form1::runMenuEntry(const MenuEntry& entry) {
  handle([this, &entry] { runEntry(entry); }, WhenBusy::Wait);
}

void Form1::runEntry(const MenuEntry& entry) {
  if (ended_) return;
  if (entry.array() == &mnuAllA) return mnuAllA_Click(entry.index());
  if (entry.array() == &mnuAllColor) return mnuAllColor_Click(entry.index());
  using Handler = std::pair<MenuEntry Form1::*, void (Form1::*)()>;
  static constexpr Handler kHandlers[] = {
      {&Form1::mnuExit, &Form1::mnuExit_Click},       {&Form1::mnuAbout, &Form1::mnuAbout_Click},
      {&Form1::mnuWebsite, &Form1::mnuWebsite_Click}, {&Form1::mnuResDef, &Form1::mnuResDef_Click},
      {&Form1::mnuConfig, &Form1::mnuConfig_Click},   {&Form1::mnuMain1, &Form1::mnuMain1_Click},
      {&Form1::mnuMain2, &Form1::mnuMain2_Click},     {&Form1::mnuMain3, &Form1::mnuMain3_Click},
      {&Form1::mnuMain4, &Form1::mnuMain4_Click},
  };
  // "(Cancel)" has no handler: choosing it only closes the menu.
  for (const auto& [member, handler] : kHandlers) {
    if (&(this->*member) == &entry) return (this->*handler)();
  }
}
