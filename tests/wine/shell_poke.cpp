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
//   shell_poke read-window TITLE  prints each shown control of the shown dialog window whose
//                             title starts with TITLE (an installer's page): class and text, a check box as
//                             "[x] text" or "[ ] text".
//   shell_poke wait-setting-change SECONDS  waits that long for a WM_SETTINGCHANGE broadcast
//                             naming "Environment", as Explorer waits for a changed PATH;
//                             prints "listening" once it can receive one.
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

BOOL CALLBACK PrintShown(HWND control, LPARAM) {
  if (!IsWindowVisible(control)) return TRUE;
  wchar_t cls[64] = {}, text[512] = {};
  GetClassNameW(control, cls, 64);
  SendMessageW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  const LONG kind = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  if (_wcsicmp(cls, L"Button") == 0 && (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX)) {
    const bool checked = SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    std::printf("%ls: [%c] %ls\n", cls, checked ? 'x' : ' ', text);
  } else {
    std::printf("%ls: %ls\n", cls, text);
  }
  return TRUE;
}

struct Titled {
  const wchar_t* prefix;
  HWND found;
};

BOOL CALLBACK FindTitled(HWND window, LPARAM param) {
  auto& titled = *reinterpret_cast<Titled*>(param);
  wchar_t cls[64] = {}, text[256] = {};
  GetClassNameW(window, cls, 64);
  GetWindowTextW(window, text, 256);
  if (std::wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (std::wcsncmp(text, titled.prefix, std::wcslen(titled.prefix)) != 0) return TRUE;
  titled.found = window;
  return FALSE;
}

// The title of an installer's window names its page after the program: "Tarnvel Setup: Installing".
int ReadWindow(const wchar_t* title) {
  Titled titled{title, nullptr};
  EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&titled));
  const HWND window = titled.found;
  if (!window) {
    std::printf("shell_poke: no window titled %ls\n", title);
    return 1;
  }
  EnumChildWindows(window, PrintShown, 0);
  return 0;
}

LRESULT CALLBACK Listen(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SETTINGCHANGE && lParam && std::wcscmp(reinterpret_cast<const wchar_t*>(lParam), L"Environment") == 0) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

int WaitSettingChange(int seconds) {
  WNDCLASSW listener{};
  listener.lpfnWndProc = Listen;
  listener.hInstance = GetModuleHandleW(nullptr);
  listener.lpszClassName = L"shell_poke.Listener";
  RegisterClassW(&listener);
  // A top-level window, never shown: broadcasts reach every top-level window.
  const HWND window = CreateWindowExW(0, listener.lpszClassName, L"shell_poke listener", WS_OVERLAPPED, 0, 0, 10, 10,
                                      nullptr, nullptr, listener.hInstance, nullptr);
  if (!window) {
    std::puts("shell_poke: cannot create the listening window");
    return 1;
  }
  SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr);
  std::puts("listening");
  std::fflush(stdout);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) {
      std::printf("shell_poke: no WM_SETTINGCHANGE for Environment within %d s\n", seconds);
      return 1;
    }
    DispatchMessageW(&msg);
  }
  std::puts("WM_SETTINGCHANGE: Environment");
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
  if (argc == 3 && std::wcscmp(argv[1], L"read-window") == 0) return ReadWindow(argv[2]);
  if (argc == 3 && std::wcscmp(argv[1], L"wait-setting-change") == 0) return WaitSettingChange(_wtoi(argv[2]));
  std::puts(
      "usage: shell_poke remove-icon | taskbar-created | volatile-key | read-box TITLE | read-edits | read-stacking |"
      " box-owner TITLE | read-window TITLE | wait-setting-change SECONDS");
  return 2;
}
