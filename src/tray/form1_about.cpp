#include "tray/about_text.h"
#include "window/form1.h"

namespace {
constexpr int kShow = 5;  // SW_SHOW
}

void Form1::mnuAbout_Click() {
  msgBox(
      std::string(app::kTitle) + "\r\n\r\nVersion: " + VersionText() + "\r\nDeveloper: Quorvane\r\n" + WebsiteAddress(),
      mb::kOk, "About...");
}

void Form1::mnuWebsite_Click() {
  const std::string address = WebsiteAddress() + "/";
  const std::string directory = platform_.toolkit.currentDirectory();
  platform_.shell.execute(0, "open", address.c_str(), nullptr, directory.c_str(), kShow);
}
