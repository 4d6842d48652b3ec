#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "platform/win32/win32_system.h"
#include "window/fit.h"
#include "window/form1.h"

namespace {

constexpr wchar_t kFrameClass[] = L"Tarnvel.Form1";
constexpr wchar_t kSurfaceClass[] = L"Tarnvel.Surface";
constexpr int kIconResource = 1;
constexpr UINT kTrayCallback = WM_MOUSEMOVE;  // the message the icon record asks for

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

UINT WindowDpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32"), "GetDpiForWindow")));
  if (getDpi && hwnd) {
    if (const UINT dpi = getDpi(hwnd)) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;  // the bar classes hold the tooltip
  InitCommonControlsEx(&controls);
  icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 32, 32, 0));

  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = FrameProc;
  frame.hInstance = instance;
  frame.hIcon = icon_;
  frame.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrameClass;
  RegisterClassExW(&frame);
  WNDCLASSEXW surface = frame;
  surface.lpfnWndProc = SurfaceProc;
  surface.hIcon = nullptr;
  surface.lpszClassName = kSurfaceClass;
  RegisterClassExW(&surface);

  frame_ =
      CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, Widen(Form1::kCaption).c_str(), WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
  surface_ = CreateWindowExW(WS_EX_CONTROLPARENT, kSurfaceClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0,
                             0, frame_, nullptr, instance, nullptr);
  // Explorer sends this to every top-level window when it made a new notification area.
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");

  RECT r{0, 0, px(Form1::kInitialScaleWidth), px(Form1::kInitialScaleHeight)};
  AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
  SetWindowPos(frame_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Win32Window::~Win32Window() {
  if (frame_) DestroyWindow(frame_);
  if (font_) DeleteObject(font_);
  if (boxFont_) DeleteObject(boxFont_);
}

void Win32Window::bringToFront() {
  if (fontsStale_ && form_) fitFonts();
  if (IsIconic(frame_)) {
    // Hidden first: a window manager on X keeps a minimised window mapped, so under Wine the
    // restore alone leaves it minimised there; shown anew, it is managed as a normal window.
    ShowWindow(frame_, SW_HIDE);
    ShowWindow(frame_, SW_RESTORE);
  } else {
    if (!IsWindowVisible(frame_)) {
      // Where the window comes up: on the work area of its monitor, the title bar always on it.
      RECT frame{};
      GetWindowRect(frame_, &frame);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof monitor;
      if (GetMonitorInfoW(MonitorFromWindow(frame_, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        const Area placed = PlaceOnArea({frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top},
                                        {work.left, work.top, work.right - work.left, work.bottom - work.top});
        SetWindowPos(frame_, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
    ShowWindow(frame_, SW_SHOW);
  }
  SetForegroundWindow(frame_);
}

void Win32Window::focus(const Control& control) {
  if (const auto it = windows_.find(&control); it != windows_.end()) {
    focus_ = it->second;
    SetFocus(it->second);
  }
}

// Every control has the dialog font, but the preset boxes share one, in pixels of height, by
// the program's rule (FitFont) for every text they must show whole; where even the smallest is
// too wide, each box's tooltip shows its whole text. Edit controls size their margins from the
// font, so each size is tried on a real box.
void Win32Window::fitFonts() {
  fontsStale_ = false;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  HDC screen = GetDC(nullptr);
  const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const int dpi = static_cast<int>(this->dpi());
  // The system metrics are for the system's DPI; this window may sit on another monitor.
  font.lfHeight = MulDiv(font.lfHeight, dpi, systemDpi > 0 ? systemDpi : 96);
  const HFONT normal = CreateFontIndirectW(&font);
  const int smallest = MulDiv(static_cast<int>(kSmallestPoints), dpi, 72);

  std::vector<std::wstring> texts;
  for (const std::string& text : form_->presetTexts()) texts.push_back(Widen(text));

  const auto boxes = form_->presetBoxes();
  const HWND box = windows_.at(boxes[0]);
  HDC dc = GetDC(box);
  const FontFit fit = FitFont(std::abs(font.lfHeight), smallest, 1, [&](double height) {
    font.lfHeight = -static_cast<LONG>(height);
    HFONT candidate = CreateFontIndirectW(&font);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(candidate), FALSE);
    RECT client{};
    GetClientRect(box, &client);
    const auto margins = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
    const HGDIOBJ old = SelectObject(dc, candidate);
    LONG widest = 0;
    for (const std::wstring& text : texts) {
      SIZE extent{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      widest = std::max(widest, extent.cx);
    }
    SelectObject(dc, old);
    SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_), FALSE);
    DeleteObject(candidate);
    // One pixel more for the caret, which stands after the last character.
    return widest + 1 <= client.right - LOWORD(margins) - HIWORD(margins);
  });
  ReleaseDC(box, dc);
  fits_ = fit.fits;
  font.lfHeight = -static_cast<LONG>(fit.size);
  const HFONT chosen = CreateFontIndirectW(&font);
  for (const auto& [control, hwnd] : windows_) {
    const bool preset = std::find(boxes.begin(), boxes.end(), control) != boxes.end();
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(preset ? chosen : normal), TRUE);
  }
  for (const TextBox* control : boxes) setTip(*control);
  if (font_) DeleteObject(font_);
  if (boxFont_) DeleteObject(boxFont_);
  font_ = normal;
  boxFont_ = chosen;
}

void Win32Window::setTip(const Control& box) {
  if (!tips_) return;
  const HWND edit = windows_.at(&box);
  std::wstring text = fits_ ? std::wstring() : WindowText(edit);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = frame_;
  tool.uId = reinterpret_cast<UINT_PTR>(edit);
  tool.lpszText = text.data();
  SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

UINT Win32Window::dpi() const { return WindowDpi(frame_); }

int Win32Window::px(float twips) const {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi() / kTwipsPerInch));
}

float Win32Window::twipsPerPixel() const {
  return static_cast<float>(kTwipsPerInch / dpi());
}

void Win32Window::attach(Form1& form) {
  form_ = &form;
  std::vector<std::pair<int, HWND>> tabOrder;
  for (Control* control : form.controls()) {
    if (!control->rendered()) continue;
    create(*control);
    control->onChange = [this](Control& c, Change what) { update(c, what); };
    if (control->kind() != ControlKind::Label && control->kind() != ControlKind::Panel &&
        control->kind() != ControlKind::Line) {
      tabOrder.emplace_back(control->tabIndex(), windows_[control]);
    }
  }
  std::sort(tabOrder.begin(), tabOrder.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (size_t i = 1; i < tabOrder.size(); ++i) {
    SetWindowPos(tabOrder[i].second, tabOrder[i - 1].second, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  // A label's box reaches into the control below it ("Default Item 2:" into its ">" button
  // and text box). Beneath them, it paints no background over their borders.
  for (const auto& [control, hwnd] : windows_) {
    if (control->kind() == ControlKind::Label) {
      SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, frame_, nullptr, instance_, nullptr);
  for (const TextBox* box : form.presetBoxes()) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = frame_;
    tool.uId = reinterpret_cast<UINT_PTR>(windows_.at(box));
    tool.lpszText = const_cast<wchar_t*>(L"");
    if (tips_) SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // A whole mode text is one line, however long.
  if (tips_) SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, 4000);
  RECT client{};
  GetClientRect(frame_, &client);
  frame(WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  fitFonts();
}

void Win32Window::create(Control& control) {
  const HWND parent = control.container() ? windows_.at(control.container()) : surface_;
  const DWORD visible = control.visible() ? WS_VISIBLE : 0;
  const wchar_t* cls = L"STATIC";
  // Panels overlap in a small window: each control keeps to its own area when it paints.
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | visible;
  DWORD exStyle = 0;
  std::wstring text;
  switch (control.kind()) {
    case ControlKind::Label:
      text = Widen(static_cast<Label&>(control).caption());
      break;
    case ControlKind::ListBox:
      cls = L"LISTBOX";
      style |= WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
      exStyle = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::Button:
      cls = L"BUTTON";
      style |= WS_TABSTOP | BS_PUSHBUTTON;
      text = Widen(static_cast<Button&>(control).caption());
      break;
    case ControlKind::TextBox:
      cls = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      exStyle = WS_EX_CLIENTEDGE;
      text = Widen(static_cast<TextBox&>(control).text());
      break;
    case ControlKind::Panel:
      cls = kSurfaceClass;
      style |= WS_CLIPCHILDREN;
      exStyle = WS_EX_CONTROLPARENT;
      break;
    case ControlKind::Line:
      style |= SS_ETCHEDHORZ;
      break;
  }
  // Captions are plain text: no access keys.
  if (control.kind() == ControlKind::Label) style |= SS_NOPREFIX;
  HWND hwnd = CreateWindowExW(exStyle, cls, text.c_str(), style, 0, 0, 0, 0, parent, nullptr, instance_, nullptr);
  windows_[&control] = hwnd;
  controls_[hwnd] = &control;
  if (control.kind() == ControlKind::ListBox) update(control, Change::Rows);
  place(control);
}

void Win32Window::place(const Control& control) {
  HWND hwnd = windows_.at(&control);
  if (control.kind() == ControlKind::Line) {
    const auto& line = static_cast<const Line&>(control);
    const int left = px(std::min(line.x1(), line.x2()));
    MoveWindow(hwnd, left, px(line.y1()) - 1, px(std::max(line.x1(), line.x2())) - left, 2, TRUE);
    return;
  }
  MoveWindow(hwnd, px(control.left()), px(control.top()), px(control.width()), px(control.height()), TRUE);
}

void Win32Window::update(Control& control, Change what) {
  HWND hwnd = windows_.at(&control);
  syncing_ = true;
  switch (what) {
    case Change::Geometry:
      place(control);
      break;
    case Change::Visibility:
      ShowWindow(hwnd, control.visible() ? SW_SHOW : SW_HIDE);
      break;
    case Change::Text: {
      const std::wstring text = Widen(control.kind() == ControlKind::TextBox ? static_cast<TextBox&>(control).text()
                                                                             : static_cast<Label&>(control).caption());
      // Setting an edit control's text puts its caret at the start: a text that came from the
      // user's typing is already there and must stay as it is.
      if (WindowText(hwnd) != text) {
        SetWindowTextW(hwnd, text.c_str());
        // Given by the program, not typed: the boxes' font is fitted to it too.
        if (control.kind() == ControlKind::TextBox) fontsStale_ = true;
      }
      if (control.kind() == ControlKind::TextBox) setTip(control);
      break;
    }
    case Change::Rows: {
      // Rows arrive one at a time at start-up: add what is new instead of starting over.
      const auto& box = static_cast<ListBox&>(control);
      auto shown = static_cast<int32_t>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
      if (shown > box.listCount()) {
        SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
        shown = 0;
      }
      for (int32_t i = shown; i < box.listCount(); ++i) {
        SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(box.list(i)).c_str()));
      }
      fontsStale_ = true;
      break;
    }
    case Change::Selection:
      SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(static_cast<ListBox&>(control).listIndex()), 0);
      break;
  }
  syncing_ = false;
  // Rows arrive one at a time at start-up, while the window is hidden: it fits its fonts once,
  // when it shows. Shown, it fits them at once.
  if (fontsStale_ && form_ && IsWindowVisible(frame_) && what != Change::Geometry) fitFonts();
}

void Win32Window::command(HWND hwnd, WORD code) {
  const auto it = controls_.find(hwnd);
  if (!form_ || syncing_ || it == controls_.end()) return;
  Control& control = *it->second;
  if (control.kind() == ControlKind::ListBox && code == LBN_SELCHANGE) {
    static_cast<ListBox&>(control).setListIndex(static_cast<int16_t>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0)));
  } else if (control.kind() == ControlKind::TextBox && code == EN_CHANGE) {
    static_cast<TextBox&>(control).typed(Narrow(WindowText(hwnd)));
    setTip(control);
  } else if (control.kind() == ControlKind::TextBox && code == EN_KILLFOCUS) {
    // A box that was left shows where its mode text starts, not where the caret last was:
    // the end of one mode text reads like another mode.
    SendMessageW(hwnd, EM_SETSEL, 0, 0);
    SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
  } else if (control.kind() == ControlKind::Button && code == BN_CLICKED) {
    form_->click(control);
  }
}

LRESULT CALLBACK Win32Window::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->frame_ = hwnd;
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->frame(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Panels pass their controls' notifications up to the frame, which knows the controls.
LRESULT CALLBACK Win32Window::SurfaceProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND) return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Win32Window::frame(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
    if (form_) form_->TrayRecreated();
    return 0;
  }
  switch (msg) {
    case kTrayCallback:
      // Only the icon talks to the frame: the surface covers its client area, so the
      // pointer's own movements go elsewhere. The mouse message stands where x would be.
      if (form_ && !form_->ended()) form_->Form_MouseMove(0, 0, MessageAsX(LOWORD(lParam), twipsPerPixel()), 0);
      return 0;
    case WM_SIZE:
      MoveWindow(surface_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      if (form_) {
        form_->ScaleWidth = static_cast<float>(LOWORD(lParam) * twipsPerPixel());
        form_->ScaleHeight = static_cast<float>(HIWORD(lParam) * twipsPerPixel());
        form_->Form_Resize();
        // Controls that overlapped in a smaller window left their pictures behind on each other.
        RedrawWindow(surface_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      return 0;
    case WM_COMMAND:
      if (lParam) command(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(frame_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      if (form_) {
        for (const auto& [control, hwnd] : windows_) place(*control);
        fitFonts();
      }
      return 0;
    }
    case WM_ACTIVATE:
      // As a dialog does: the control that had the focus gets it back when the window does.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND had = GetFocus();
        if (had && IsChild(frame_, had)) focus_ = had;
      } else if (focus_ && !HIWORD(wParam)) {
        SetFocus(focus_);
        return 0;
      }
      return DefWindowProcW(frame_, msg, wParam, lParam);
    case WM_CLOSE:
      // Closing the window is leaving the program, not going back to the tray.
      if (form_) form_->unload(unload_mode::kControlMenu);
      return 0;
    default:
      return DefWindowProcW(frame_, msg, wParam, lParam);
  }
}
