#include "window/form1.h"

#include <algorithm>
#include <utility>

Form1::Form1(Platform platform)
    : Label1("Label1", nullptr, 120, 120, 2895, 255, 0, "Available Resolutions"),
      List1("List1", nullptr, 1920, 2760, 675, 255, 1),
      Command1("Command1", nullptr, 600, 3120, 1215, 495, 2, "Switch!"),
      List2("List2", nullptr, 120, 480, 2895, 3540, 3),
      pPresets("pPresets", nullptr, 3360, 480, 3015, 3615, 4),
      Label2("Label2", &pPresets, 0, 0, 2895, 255, 16, "Default Item 1:"),
      cmdMove("cmdMove", &pPresets, 0, 240, 255, 255, 11, ">"),
      Text1("Text1", &pPresets, 240, 240, 2535, 285, 12, "Text1"),
      Label3("Label3", &pPresets, 0, 720, 2895, 255, 15, "Default Item 2:"),
      Command3("Command3", &pPresets, 0, 960, 255, 255, 9, ">"),
      Text2("Text2", &pPresets, 240, 960, 2535, 285, 10, "Text1"),
      Label4("Label4", &pPresets, 0, 1440, 2895, 255, 14, "Default Item 3:"),
      Command4("Command4", &pPresets, 0, 1680, 255, 255, 7, ">"),
      Text3("Text3", &pPresets, 240, 1680, 2535, 285, 8, "Text1"),
      Label5("Label5", &pPresets, 0, 2280, 2895, 255, 13, "Default Item 4:"),
      Command5("Command5", &pPresets, 0, 2520, 255, 255, 5, ">"),
      Text4("Text4", &pPresets, 240, 2520, 2535, 285, 6, "Text1"),
      pFooter("pFooter", nullptr, 120, 4200, 6135, 1095, 17),
      lStatus("lStatus", &pFooter, 0, 0, 5775, 255, 20, "Current Resolution: Unknown"),
      Line1("Line1", &pFooter, 0, 360, 5880, 360),
      Command2("Command2", &pFooter, 3600, 600, 1095, 375, 19, "OK"),
      Command6("Command6", &pFooter, 4800, 600, 1095, 375, 18, "Cancel"),
      mnuAllColor("mnuAllColor", "all"),
      mnuAllA("mnuAllA", "all"),
      mnuRes("mnuRes", "mnuRes"),
      mnuCancel("mnuCancel", "(Cancel)"),
      mnuBar4("mnuBar4", "-"),
      mnuExit("mnuExit", "Exit/Close Program"),
      mnuAbout("mnuAbout", "About Program..."),
      mnubar3("mnubar3", "-"),
      mnuWebsite("mnuWebsite", "Quorvane Website"),
      mnuBar7("mnuBar7", "-"),
      mnuColorDepth("mnuColorDepth", "Select Color Depth", &mnuAllColor),
      mnubar5("mnubar5", "-"),
      mnuResDef("mnuResDef", "DefRes"),
      mnuBar2("mnuBar2", "-"),
      mnuConfig("mnuConfig", "Configure Pre-Sets..."),
      bar1("bar1", "-"),
      mnuMain1("mnuMain1", "1280x1024x32"),
      mnuMain2("mnuMain2", "1280x1024x16"),
      mnuMain3("mnuMain3", "1024x768x32"),
      mnuMain4("mnuMain4", "1024x768x16"),
      mnuBar6("mnuBar6", "-"),
      mnuAll("mnuAll", "All Resolutions", &mnuAllA),
      platform_(platform),
      screenRes_(platform.display, platform.toolkit) {
  List1.neverRender();
  Command1.neverRender();
  mnuRes.children = {&mnuCancel,     &mnuBar4,  &mnuExit,   &mnuAbout, &mnubar3,   &mnuWebsite, &mnuBar7,
                     &mnuColorDepth, &mnubar5,  &mnuResDef, &mnuBar2,  &mnuConfig, &bar1,       &mnuMain1,
                     &mnuMain2,      &mnuMain3, &mnuMain4,  &mnuBar6,  &mnuAll};
  controls_ = {&Label1, &List1,    &Command1, &List2,  &pPresets, &Label2,  &cmdMove, &Text1,
               &Label3, &Command3, &Text2,    &Label4, &Command4, &Text3,   &Label5,  &Command5,
               &Text4,  &pFooter,  &lStatus,  &Line1,  &Command2, &Command6};
}

// A call still waiting would run on a form that is gone.
Form1::~Form1() {
  if (trayHostWait_ != 0) platform_.toolkit.cancelCall(trayHostWait_);
}

void Form1::msgBox(std::string_view text, int style, std::string_view title) {
  platform_.toolkit.messageBox(text, style, title);
}

void Form1::handle(std::function<void()> handler, WhenBusy whenBusy) {
  if (handling_) {
    // A click made while a box, a menu or a mode change held the program was aimed at what
    // the screen showed then; run later, it would open a menu where the user no longer looks.
    // A choice in the host's own menu was made on a menu the user saw: it still counts.
    if (whenBusy == WhenBusy::Wait) waiting_.push_back(std::move(handler));
    return;
  }
  handling_ = true;
  handler();
  // What arrived meanwhile runs now, in order, each on its own; after the end, nothing does.
  while (!waiting_.empty() && !ended_) {
    const std::function<void()> next = std::move(waiting_.front());
    waiting_.pop_front();
    next();
  }
  waiting_.clear();
  handling_ = false;
}

void Form1::unload(int16_t mode) {
  if (ended_) return;
  int16_t cancel = 0;
  Form_QueryUnload(cancel, mode);
  if (cancel) return;
  ended_ = true;
  platform_.toolkit.endProgram();
}

void Form1::click(const Control& control) {
  using Click = std::pair<Button Form1::*, void (Form1::*)()>;
  static constexpr Click kClicks[] = {
      {&Form1::Command1, &Form1::Command1_Click}, {&Form1::cmdMove, &Form1::cmdMove_Click},
      {&Form1::Command3, &Form1::Command3_Click}, {&Form1::Command4, &Form1::Command4_Click},
      {&Form1::Command5, &Form1::Command5_Click}, {&Form1::Command2, &Form1::Command2_Click},
      {&Form1::Command6, &Form1::Command6_Click},
  };
  for (const auto& [member, handler] : kClicks) {
    if (&(this->*member) == &control) {
      return handle(
          [this, handler = handler] {
            if (!ended_) (this->*handler)();
          },
          WhenBusy::Drop);
    }
  }
}

const Control* Form1::FirstInTabOrder() const {
  const Control* first = nullptr;
  for (const Control* control : controls_) {
    const ControlKind kind = control->kind();
    if (kind != ControlKind::ListBox && kind != ControlKind::Button && kind != ControlKind::TextBox) continue;
    bool shown = control->rendered();
    for (const Control* c = control; shown && c; c = c->container()) shown = c->visible();
    if (shown && (!first || control->tabIndex() < first->tabIndex())) first = control;
  }
  return first;
}

std::vector<std::string> Form1::presetTexts() const {
  std::vector<std::string> texts = List2.rows();
  for (const TextBox* box : presetBoxes()) texts.push_back(box->given());
  return texts;
}
