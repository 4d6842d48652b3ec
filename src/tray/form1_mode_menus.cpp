#include "modes/mode_text.h"
#include "window/form1.h"

void Form1::mnuAllA_Click(int16_t index) {
  const MenuEntry* item = mnuAllA[index];
  if (!item) return;
  SelectModeByText(item->caption());
  Command1_Click();
}

// The current size and rate at another depth. A tag that is no mode text (the mode in force
// was never found) names no mode, and nothing switches.
void Form1::mnuAllColor_Click(int16_t index) {
  const MenuEntry* item = mnuAllColor[index];
  if (!item) return;
  const std::string text = AtDepth(mnuResDef.tag(), item->caption());
  if (FindModeByText(text) != -1) {
    SelectModeByText(text);
    Command1_Click();
  } else {
    msgBox("The Resolution and Color Depth: " + text + " is not supported...");
  }
}

void Form1::mnuResDef_Click() {
  msgBox("Your Current Resolution Settings are: \r\n\r\n" + ReplaceAll(mnuResDef.caption(), "Current: ", ""));
}
