#pragma once
// The arrangement record that the tray program and tarnvelctl share on Linux: one file a
// display server in $XDG_RUNTIME_DIR/tarnvel/, which the system empties at logout, locked for
// the whole of a switch.
#include <memory>
#include <string>

#include "desktop/desk_file.h"

// The display server a program reaches, as a file name: "x11-0" however DISPLAY spells it
// (":0", ":0.0", "unix:0"), "x11-host-10" for another host's, "wayland-0" for a compositor's
// socket.
std::string ServerName(bool wayland);

// The record for that server; null without a runtime folder, where there is nowhere to keep it.
std::unique_ptr<desktop::Memory> DeskRecord(bool wayland);
