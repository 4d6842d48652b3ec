#pragma once
// An X selection as a claim that only one client of the server can hold at a time.

struct _XDisplay;  // Xlib's Display

// Takes the selection `name` on the server behind `display` unless another client owns it:
// true when it is ours now. The server hands it back when our connection closes, however
// the process ends.
bool ClaimX11Selection(_XDisplay* display, const char* name);
