// What a Windows shell and a locked-down profile do to a running Tarnvel, for the Wine tests:
//   shell_poke remove-icon    drops Tarnvel's icon (window "Tarnvel.Form1", icon id 1), as a
//                             notification area that goes away takes its icons with it.
//   shell_poke taskbar-created  announces a new notification area with the "TaskbarCreated"
//                             broadcast, as Explorer does when it starts again.
//   shell_poke volatile-key   makes HKCU\Software\Tarnvel a volatile key: no lasting key can
//                             be created below it, so saving the presets must fail. It lives
//                             as long as the wineserver does.
//   shell_poke read-box TITLE  prints each control of the shown message box of that title:
//                             its class and text, or <icon> for its icon.
//   shell_poke read-edits     prints each text box of Tarnvel's window, in tab order,
//                             with what it shows of its text: "whole" (no character even
//                             partly cut off), "start" (the text begins at the left edge and
//                             runs on past the right) or "cut" (its start is scrolled out of
//                             sight).
//   shell_poke box-owner TITLE  prints the title of the window that owns the shown message
//                             box of that title, or "none".
//   shell_poke read-stacking  prints the controls of the panel that holds the text boxes,
//                             topmost first: class and text.
// Exits 0 when the step was taken, 1 otherwise, and says why.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

namespace {

int RemoveIcon() {
  const HWND window = FindWindowW(L"Tarnvel.Form1", nullptr);
  if (!window) {
    std::puts("shell_poke: no Tarnvel window");
    return 1;
  }
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  icon.hWnd = window;
  icon.uID = 1;
  if (!Shell_NotifyIconW(NIM_DELETE, &icon)) {
    std::puts("shell_poke: there was no icon to remove");
    return 1;
  }
  std::puts("shell_poke: icon removed");
  return 0;
}

int TaskbarCreated() {
  const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
  if (!created || !SendNotifyMessageW(HWND_BROADCAST, created, 0, 0)) {
    std::puts("shell_poke: the broadcast failed");
    return 1;
  }
  std::puts("shell_poke: TaskbarCreated broadcast");
  return 0;
}

BOOL CALLBACK PrintControl(HWND control, LPARAM) {
  wchar_t cls[64] = {}, text[512] = {};
  GetClassNameW(control, cls, 64);
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  // Icon handles belong to the process that loaded them: the test looks at the picture.
  if (_wcsicmp(cls, L"Static") == 0 && SendMessageW(control, STM_GETICON, 0, 0)) {
    std::printf("%ls: <icon>\n", cls);
  } else {
    std::printf("%ls: %ls\n", cls, text);
  }
  return TRUE;
}

BOOL CALLBACK PrintEdit(HWND control, LPARAM) {
  wchar_t cls[64] = {}, text[512] = {};
  GetClassNameW(control, cls, 64);
  if (_wcsicmp(cls, L"Edit") != 0) return TRUE;
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  const auto length = static_cast<int>(std::wcslen(text));
  RECT client{};
  GetClientRect(control, &client);
  // The first character's left edge; then again with the caret after the last character, as
  // End puts it. A text that fits whole does not scroll for that, not even for a character
  // cut in part. The caret goes back to the start, where a box that was left shows it.
  const auto first = static_cast<short>(LOWORD(SendMessageW(control, EM_POSFROMCHAR, 0, 0)));
  SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(length), length);
  SendMessageW(control, EM_SCROLLCARET, 0, 0);
  const auto atEnd = static_cast<short>(LOWORD(SendMessageW(control, EM_POSFROMCHAR, 0, 0)));
  SendMessageW(control, EM_SETSEL, 0, 0);
  SendMessageW(control, EM_SCROLLCARET, 0, 0);
  const bool fits = atEnd == first;
  const char* shows = first < 0 ? "cut" : fits ? "whole" : "start";
  std::printf("%s: %ls\n", shows, text);
  return TRUE;
}

int ReadEdits() {
  const HWND window = FindWindowW(L"Tarnvel.Form1", nullptr);
  if (!window || !IsWindowVisible(window)) {
    std::puts("shell_poke: Tarnvel's window is not shown");
    return 1;
  }
  EnumChildWindows(window, PrintEdit, 0);
  return 0;
}

BOOL CALLBACK FindEdit(HWND control, LPARAM found) {
  wchar_t cls[64] = {};
  GetClassNameW(control, cls, 64);
  if (_wcsicmp(cls, L"Edit") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = control;
  return FALSE;
}

int ReadStacking() {
  const HWND window = FindWindowW(L"Tarnvel.Form1", nullptr);
  HWND edit = nullptr;
  if (window) EnumChildWindows(window, FindEdit, reinterpret_cast<LPARAM>(&edit));
  if (!edit) {
    std::puts("shell_poke: Tarnvel's window has no text box");
    return 1;
  }
  for (HWND control = GetWindow(GetParent(edit), GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    wchar_t cls[64] = {}, text[512] = {};
    GetClassNameW(control, cls, 64);
    SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    std::printf("%ls: %ls\n", cls, text);
  }
  return 0;
}

int ReadBox(const wchar_t* title) {
  const HWND box = FindWindowW(L"#32770", title);
  if (!box || !IsWindowVisible(box)) {
    std::printf("shell_poke: no message box titled %ls\n", title);
    return 1;
  }
  EnumChildWindows(box, PrintControl, 0);
  return 0;
}

int BoxOwner(const wchar_t* title) {
  const HWND box = FindWindowW(L"#32770", title);
  if (!box || !IsWindowVisible(box)) {
    std::printf("shell_poke: no message box titled %ls\n", title);
    return 1;
  }
  wchar_t text[256] = L"none";
  if (const HWND owner = GetWindow(box, GW_OWNER)) GetWindowTextW(owner, text, 256);
  std::printf("%ls\n", text);
  return 0;
}

int VolatileKey() {
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tarnvel", 0, nullptr, REG_OPTION_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (status != ERROR_SUCCESS) {
    std::printf("shell_poke: RegCreateKeyExW failed with %ld\n", static_cast<long>(status));
    return 1;
  }
  RegCloseKey(key);
  if (disposition != REG_CREATED_NEW_KEY) {
    std::puts("shell_poke: HKCU\\Software\\Tarnvel already existed and stays as it was");
    return 1;
  }
  std::puts("shell_poke: HKCU\\Software\\Tarnvel is volatile");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wcscmp(argv[1], L"remove-icon") == 0) return RemoveIcon();
  if (argc == 2 && std::wcscmp(argv[1], L"taskbar-created") == 0) return TaskbarCreated();
  if (argc == 2 && std::wcscmp(argv[1], L"volatile-key") == 0) return VolatileKey();
  if (argc == 3 && std::wcscmp(argv[1], L"read-box") == 0) return ReadBox(argv[2]);
  if (argc == 2 && std::wcscmp(argv[1], L"read-edits") == 0) return ReadEdits();
  if (argc == 2 && std::wcscmp(argv[1], L"read-stacking") == 0) return ReadStacking();
  if (argc == 3 && std::wcscmp(argv[1], L"box-owner") == 0) return BoxOwner(argv[2]);
  std::puts("usage: shell_poke remove-icon | taskbar-created | volatile-key | read-box TITLE | read-edits | read-stacking | box-owner TITLE");
  return 2;
}
