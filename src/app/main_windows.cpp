// Tarnvel on Windows: the native window, tray icon, registry and display settings around the
// core.
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_window.h"
#include "window/form1.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  Win32Display display;
  Win32Settings settings;
  Win32Shell shell;
  Win32Window window(instance);
  Win32Toolkit toolkit(window);
  Form1 form(Platform{display, settings, shell, toolkit});
  window.attach(form);

  form.Form_Load();
  MSG msg;
  while (!form.ended() && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!window.dialogMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
