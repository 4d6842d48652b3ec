#pragma once
// The program's one window: the preset editor on screen, the owner of the tray icon and the
// pop-up menu, and the home of every handler. Its handlers are defined beside the part of
// the program they belong to: window/, tray/ and presets/.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app_info.h"
#include "modes/screen_res.h"
#include "platform/display.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/toolkit.h"
#include "window/controls.h"

struct Platform {
  DisplayDriver& display;
  Settings& settings;
  Shell& shell;
  Toolkit& toolkit;
};

enum class ScaleMode { Twips, Pixels };

// Why the window closes, as Form_QueryUnload is told.
namespace unload_mode {
inline constexpr int16_t kControlMenu = 0;  // the user closed it
inline constexpr int16_t kCode = 1;         // the program unloaded it
}  // namespace unload_mode

class Form1 {
 public:
  static constexpr std::string_view kCaption = "Change Default Resolutions";
  static constexpr float kInitialScaleWidth = 10020;
  static constexpr float kInitialScaleHeight = 7470;

  explicit Form1(Platform platform);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Controls, in the order of their containers.
  Label Label1;
  ListBox List1;    // every mode text, row i = DisplayModes entry i; never shown
  Button Command1;  // "Switch!": its click handler is the switch command; never shown
  ListBox List2;
  Panel pPresets;
  Label Label2;
  Button cmdMove;
  TextBox Text1;
  Label Label3;
  Button Command3;
  TextBox Text2;
  Label Label4;
  Button Command4;
  TextBox Text3;
  Label Label5;
  Button Command5;
  TextBox Text4;
  Panel pFooter;
  Label lStatus;
  Line Line1;
  Button Command2;
  Button Command6;

  // The pop-up menu.
  MenuArray mnuAllColor;
  MenuArray mnuAllA;
  MenuEntry mnuRes, mnuCancel, mnuBar4, mnuExit, mnuAbout, mnubar3, mnuWebsite, mnuBar7, mnuColorDepth, mnubar5,
      mnuResDef, mnuBar2, mnuConfig, bar1, mnuMain1, mnuMain2, mnuMain3, mnuMain4, mnuBar6, mnuAll;

  // Every control in design order, for a front end to render.
  const std::vector<Control*>& controls() const { return controls_; }

  // The inner size in the window's unit, kept up to date by the front end.
  float ScaleWidth = kInitialScaleWidth;
  float ScaleHeight = kInitialScaleHeight;
  ScaleMode scaleMode = ScaleMode::Twips;

  int32_t StartupModeIndex = -1;
  NotifyIconData TrayIconData{};

  // True once the window was unloaded: the program ends and no handler may run any more.
  bool ended() const { return ended_; }

  // The entry points of the user's input (Form_Load, Form_MouseMove, click, runMenuEntry) run
  // one handler at a time. A modal box, a pop-up menu or a mode change lets the system deliver
  // more input while a handler runs. A click that arrives then is dropped: busy means busy,
  // and nothing opens later by itself. A choice made in a menu the tray host drew waits until
  // the handler has returned.
  bool handling() const { return handling_; }

  // window/
  void Form_Load();
  void Form_Resize();
  void pFooter_Resize();
  void Command1_Click();
  void SelectModeByText(const std::string& text);
  int32_t FindModeByText(const std::string& text) const;
  // Closes the window: Form_QueryUnload runs, then the program ends.
  void unload(int16_t mode);
  // A click on a control runs its click handler; controls without one ignore it.
  void click(const Control& control);

  // tray/
  void ShellIcon(const std::string& sCaption);
  void Form_QueryUnload(int16_t& cancel, int16_t unloadMode);
  void Form_MouseMove(int16_t button, int16_t shift, float x, float y);
  // Runs the handler of an entry chosen in a menu that the tray host drew itself.
  void runMenuEntry(const MenuEntry& entry);
  void mnuExit_Click();
  void mnuAllA_Click(int16_t index);
  void mnuAllColor_Click(int16_t index);
  void mnuResDef_Click();
  void mnuAbout_Click();
  void mnuWebsite_Click();
  // The notification area was made anew (a restarted shell): the shown icon goes back.
  void TrayRecreated();
  // A notification area has taken the icon, also one that started after the program.
  void TrayIconDocked();

  // presets/
  void LoadPresets(const std::string& refreshText);
  // False when the store did not take all four.
  bool SavePresets();
  void mnuConfig_Click();
  void cmdMove_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Command2_Click();
  void Command6_Click();
  void mnuMain1_Click();
  void mnuMain2_Click();
  void mnuMain3_Click();
  void mnuMain4_Click();

  std::array<TextBox*, 4> presetBoxes() { return {&Text1, &Text2, &Text3, &Text4}; }
  std::array<const TextBox*, 4> presetBoxes() const { return {&Text1, &Text2, &Text3, &Text4}; }
  // What the preset boxes' font must show whole: each List2 row, and each text the program put
  // into a box (what was typed does not count).
  std::vector<std::string> presetTexts() const;

  // The shown control with the lowest tab index that can take the keyboard focus: where Tab
  // starts, and where the keyboard works when the window opens. Null when none can.
  const Control* FirstInTabOrder() const;

 private:
  void msgBox(std::string_view text, int style = mb::kOk, std::string_view title = app::kTitle);
  enum class WhenBusy { Drop, Wait };
  void handle(std::function<void()> handler, WhenBusy whenBusy);
  void load();
  void popUpMenu();
  void runEntry(const MenuEntry& entry);
  void buildColorDepthMenu();
  void trayHostWaitOver();
  void copyToPreset(TextBox& box);
  void runPreset(const MenuEntry& entry);
  std::array<MenuEntry*, 4> presetEntries() { return {&mnuMain1, &mnuMain2, &mnuMain3, &mnuMain4}; }

  Platform platform_;
  ScreenRes screenRes_;
  std::vector<Control*> controls_;
  bool ended_ = false;
  bool handling_ = false;
  // The toolkit's call that tells the user of a missing notification area; 0 when none waits.
  uint32_t trayHostWait_ = 0;
  std::deque<std::function<void()>> waiting_;
};
