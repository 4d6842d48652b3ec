#include "window/form1.h"

void Form1::mnuAllA_Click(int16_t index) {
  const MenuEntry* item = mnuAllA[index];
  if (!item) return;
  SelectModeByText(item->caption());
  Command1_Click();
}

// The current size and rate at another depth. A tag that is no mode text (the mode in force
// was never found) lends empty fields, so the text names no mode and nothing switches.
void Form1::mnuAllColor_Click(int16_t index) {
  const MenuEntry* item = mnuAllColor[index];
  if (!item) return;
  const std::string& tag = mnuResDef.tag();
  std::string text(TextField(tag, 0));
  text += ", ";
  text += item->caption();
  text += ",";
  text += TextField(tag, 2);
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
