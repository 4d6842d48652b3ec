#include "modes/mode_lookup.h"
#include "modes/mode_text.h"
#include "presets/preset_store.h"
#include "window/form1.h"

void Form1::Form_Load() {
  handle([this] { load(); }, WhenBusy::Wait);
}

void Form1::load() {
  auto& toolkit = platform_.toolkit;
  if (toolkit.anotherInstanceRunning()) {
    unload(unload_mode::kCode);
    return;
  }

  screenRes_.FillModeList(List1);
  StartupModeIndex = screenRes_.GetCurrentModeIndex();
  // Without a mode in force the status line keeps "Unknown", the "Current" entry says so
  // and carries no mode text, and no default preset can be built.
  const bool found = StartupModeIndex >= 0 && StartupModeIndex < List1.listCount();
  const std::string startupText = found ? List1.list(StartupModeIndex) : std::string();
  if (found) lStatus.setCaption("Current Resolution: " + startupText);

  // The item array keeps a gap where a row was left out.
  mnuAllA[0]->setCaption(List1.list(0));
  for (int32_t i : AllResolutionsRows(List1.rows())) {
    if (i == 0) continue;  // element 0 is part of the menu layout
    const std::string& row = List1.list(i);
    MenuEntry& item = mnuAllA.load(static_cast<int16_t>(i));
    item.setCaption(row);
    item.setVisible(true);
    List2.addItem(row);
  }

  mnuResDef.setCaption("Current: " + (found ? startupText : std::string("Unknown")));
  mnuResDef.setTag(startupText);
  const std::string refreshText = found ? RefreshText(startupText) : std::string();

  if (List1.listCount() <= 1) {
    msgBox(std::string(app::kTitle) +
           " is unable to find any supported displays. Please make sure you are using the latest "
           "versions of your monitor and video card drivers.");
    unload(unload_mode::kCode);
    return;
  }

  LoadPresets(refreshText);
  ShellIcon("Change Resolution");
  toolkit.hideWindow();
  // A click on the new icon during this pass is dropped: start-up is still under way.
  toolkit.processEvents();
  buildColorDepthMenu();
}

// One item per distinct depth text, in the order of their first rows.
void Form1::buildColorDepthMenu() {
  const std::vector<std::string> depths = DepthTexts(List1.rows());
  if (depths.size() < 2) {
    mnuColorDepth.setVisible(false);
    return;
  }
  mnuColorDepth.setVisible(true);
  for (size_t j = 0; j < depths.size(); ++j) {
    MenuEntry& item = mnuAllColor.load(static_cast<int16_t>(j));  // element 0 exists already
    item.setCaption(depths[j]);
    item.setVisible(true);
  }
}
