#include "presets/preset_store.h"
#include "window/form1.h"

// Nothing is written here: a default reaches the store only when the user confirms it.
void Form1::LoadPresets(const std::string& refreshText) {
  const auto entries = presetEntries();
  const auto boxes = presetBoxes();
  const auto find = [this](const std::string& text) { return FindModeByText(text); };
  for (size_t n = 0; n < entries.size(); ++n) {
    entries[n]->setCaption(LoadPreset(platform_.settings, n, refreshText, find));
  }
  for (size_t n = 0; n < entries.size(); ++n) boxes[n]->setText(entries[n]->caption());
  for (MenuEntry* entry : entries) {
    if (entry->caption().empty()) entry->setVisible(false);
  }
}

bool Form1::SavePresets() {
  const auto entries = presetEntries();
  bool written = true;
  for (size_t n = 0; n < entries.size(); ++n) {
    written = platform_.settings.write(app::kTitle, kPresetSection, PresetKey(n), entries[n]->caption()) && written;
  }
  // All four reach the store together or not at all.
  return platform_.settings.sync() && written;
}

void Form1::mnuConfig_Click() {
  platform_.toolkit.showWindow();
  platform_.toolkit.processEvents();
  // List2 leaves out repeated rows, so row StartupModeIndex - 1 is the start-up mode only
  // while nothing before it was left out: look for its text instead. No row when List2 does
  // not show it (it was List1 row 0, or no mode in force was found).
  int16_t row = -1;
  if (StartupModeIndex >= 0 && StartupModeIndex < List1.listCount()) {
    const std::string& startup = List1.list(StartupModeIndex);
    for (int32_t i = 0; i < List2.listCount() && row == -1; ++i) {
      if (List2.list(i) == startup) row = static_cast<int16_t>(i);
    }
  }
  List2.setListIndex(row);
  // Opened or brought back, the window takes the keyboard where Tab would start, as windows
  // do: the arrow keys then move in List2 at once.
  if (const Control* first = FirstInTabOrder()) platform_.toolkit.focus(*first);
}

void Form1::copyToPreset(TextBox& box) {
  if (List2.listIndex() >= 0) box.setText(List2.list(List2.listIndex()));
}

void Form1::cmdMove_Click() { copyToPreset(Text1); }
void Form1::Command3_Click() { copyToPreset(Text2); }
void Form1::Command4_Click() { copyToPreset(Text3); }
void Form1::Command5_Click() { copyToPreset(Text4); }

// OK: the boxes become the presets and are saved. An entry emptied here leaves the menu and
// one filled here joins it, as a user who just filled a preset expects.
void Form1::Command2_Click() {
  const auto entries = presetEntries();
  const auto boxes = presetBoxes();
  for (size_t n = 0; n < entries.size(); ++n) {
    entries[n]->setCaption(boxes[n]->text());
    entries[n]->setVisible(!boxes[n]->text().empty());
  }
  // The presets still apply for this run, but the user must know that the next start will
  // not find them.
  if (!SavePresets()) msgBox("Unable to save the presets. They apply until Tarnvel is closed.", mb::kCritical);
  platform_.toolkit.hideWindow();
}

void Form1::Command6_Click() { platform_.toolkit.hideWindow(); }

void Form1::runPreset(const MenuEntry& entry) {
  SelectModeByText(entry.caption());
  Command1_Click();
}

void Form1::mnuMain1_Click() { runPreset(mnuMain1); }
void Form1::mnuMain2_Click() { runPreset(mnuMain2); }
void Form1::mnuMain3_Click() { runPreset(mnuMain3); }
void Form1::mnuMain4_Click() { runPreset(mnuMain4); }
