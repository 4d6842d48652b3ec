#pragma once
// X selections: a claim that only one client of the server can hold at a time, and the one
// an XEmbed tray holds.

struct _XDisplay;  // Xlib's Display

// Takes the selection `name` on the server behind `display` unless another client owns it:
// true when it is ours now. The server hands it back when our connection closes, however
// the process ends.
bool ClaimX11Selection(_XDisplay* display, const char* name);

// Whether an XEmbed tray manager runs for the default screen of `display`: the owner of
// _NET_SYSTEM_TRAY_S<screen>, the selection such a tray holds for as long as it runs.
bool XEmbedTrayPresent(_XDisplay* display);
