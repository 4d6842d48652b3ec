#include "window/form1.h"
#include "modes/mode_lookup.h"

int32_t Form1::FindModeByText(const std::string& text) const { return FindModeText(List1.rows(), text); }

void Form1::SelectModeByText(const std::string& text) {
  List1.setListIndex(static_cast<int16_t>(FindModeByText(text)));
}

// The one switch of the program: every menu command selects a List1 row and runs this.
void Form1::Command1_Click() {
  const int32_t index = List1.listIndex();
  if (index == -1) {
    msgBox("Error changing resolution... Resolution is not supported...");
    return;
  }
  if (screenRes_.ApplyDisplayMode(index)) {
    const std::string& text = List1.list(index);
    mnuResDef.setCaption("Current: " + text);
    mnuResDef.setTag(text);
  } else {
    msgBox("Error changing resolution...");
  }
}
