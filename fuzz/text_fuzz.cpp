// Arbitrary texts where the program compares and composes mode texts: the lookups, the
// colour-depth command's tag, and the "Current" entry's caption. Input: a first byte choosing
// menu items, then three lines (tag, text to look up, caption).
#include <cstdlib>
#include <string>

#include "modes/mode_text.h"
#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"
#include "window/form1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int choice = static_cast<int8_t>(data[0]);
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string parts[3];
  size_t at = 0;
  for (std::string& part : parts) {
    const size_t end = std::min(input.find('\n', at), input.size());
    if (at < input.size()) part = input.substr(at, end - at);
    at = end + 1;
  }

  SimDisplay display(
      {{640, 480, 8, 60}, {640, 480, 32, 60}, {800, 600, 32, 75}, {800, 600, 32, 75}, {1024, 768, 16, 0}});
  display.setCurrent({640, 480, 32, 60});
  SimSettings settings;
  SimShell shell;
  SimToolkit toolkit;
  Form1 form(Platform{display, settings, shell, toolkit});
  form.Form_Load();

  // A found row equals the text but for letter case, and no row before it does.
  const int32_t found = form.FindModeByText(parts[1]);
  if (found != -1 && !EqualsIgnoringCase(form.List1.list(found), parts[1])) std::abort();
  for (int32_t i = 0; i < (found == -1 ? form.List1.listCount() : found); ++i) {
    if (EqualsIgnoringCase(form.List1.list(i), parts[1])) std::abort();
  }
  form.SelectModeByText(parts[1]);
  if (form.List1.listIndex() != found) std::abort();
  form.Command1_Click();

  // A colour depth from any tag: it switches only to a listed mode.
  form.mnuResDef.setTag(parts[0]);
  const int changesBefore = display.calls.changeMode;
  form.mnuAllColor_Click(static_cast<int16_t>(choice % 4));
  if (display.calls.changeMode > changesBefore && form.List1.listIndex() < 0) std::abort();
  form.mnuAllA_Click(static_cast<int16_t>(choice));

  form.mnuResDef.setCaption(parts[2]);
  form.mnuResDef_Click();
  if (toolkit.boxes.back().text !=
      "Your Current Resolution Settings are: \r\n\r\n" + ReplaceAll(parts[2], "Current: ", "")) {
    std::abort();
  }
  return 0;
}
