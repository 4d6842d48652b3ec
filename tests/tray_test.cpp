#include <cstring>

#include "harness.h"

namespace {

struct Tray : ::testing::Test {
  Rig rig{{{1024, 768, 8, 60}, {1024, 768, 32, 60}, {800, 600, 32, 60}}, kXga};
  Form1& f = rig.form;
  int popups() const { return rig.toolkit.popups; }
  void event(double pixels) { f.Form_MouseMove(0, 0, static_cast<float>(pixels * 15), 0); }
  void SetUp() override { rig.load(); }
};

}  // namespace

TEST_F(Tray, IconRecordAndTip) {
  ASSERT_EQ(rig.shell.notifications.size(), 1u);
  const auto& [message, data] = rig.shell.notifications[0];
  EXPECT_EQ(message, nim::kAdd);
  EXPECT_EQ(data.cbSize, 88u);
  EXPECT_EQ(data.hWnd, 0x1234u);
  EXPECT_EQ(data.uID, 1u);
  EXPECT_EQ(data.uFlags, 7u);
  EXPECT_EQ(data.uCallbackMessage, 512u);
  EXPECT_EQ(data.hIcon, 0x5678u);
  const std::string shown = "Tarnvel - v " + kVersion;
  EXPECT_EQ(std::string(data.szTip, 64), shown + '\0' + std::string(64 - shown.size() - 1, ' '));
}

TEST_F(Tray, TipStaysTheSameAfterASwitch) {
  const NotifyIconData before = f.TrayIconData;
  f.SelectModeByText("800 x 600, 32bit color, 60 Hz");
  f.Command1_Click();
  EXPECT_EQ(std::memcmp(&before, &f.TrayIconData, sizeof before), 0);
  EXPECT_EQ(rig.shell.notifications.size(), 1u);
}

TEST_F(Tray, ExitRemovesTheIconTwiceQuietlyAndEnds) {
  rig.clickIcon(&f.mnuExit);
  EXPECT_TRUE(rig.shell.icons.empty());
  ASSERT_EQ(rig.shell.notifications.size(), 3u);
  EXPECT_EQ(rig.shell.notifications[1].message, nim::kDelete);
  EXPECT_EQ(rig.shell.notifications[2].message, nim::kDelete);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
  EXPECT_TRUE(f.ended() && rig.toolkit.ended);
  rig.clickIcon(&f.mnuMain1);  // nothing runs once the program has ended
  EXPECT_EQ(rig.display.calls.changeMode, 0);
}

TEST_F(Tray, ClicksReachTheirHandlersUntilTheProgramEnds) {
  f.mnuConfig_Click();
  f.click(f.Command6);  // Cancel
  EXPECT_FALSE(rig.toolkit.shown);
  f.click(f.Label1);  // no handler
  f.mnuConfig_Click();
  f.unload(unload_mode::kControlMenu);
  f.click(f.Command2);  // OK after the end: nothing is saved
  EXPECT_EQ(rig.settings.writes, 0);
}

TEST_F(Tray, ClosingTheWindowRemovesTheIconAndEnds) {
  f.mnuConfig_Click();
  f.unload(unload_mode::kControlMenu);
  EXPECT_TRUE(rig.shell.icons.empty());
  EXPECT_TRUE(f.ended());
}

TEST_F(Tray, OnlyButtonReleasesOpenTheMenu) {
  for (int code : {512, 513, 515, 516, 518, 519, 520, 521, 0, 65535}) event(code);
  EXPECT_EQ(popups(), 0);
  event(514);
  EXPECT_EQ(popups(), 1);
  event(517);
  EXPECT_EQ(popups(), 2);
}

TEST_F(Tray, TwipsRoundHalvesToEven) {
  event(514.5);  // 514
  EXPECT_EQ(popups(), 1);
  event(516.5);  // 516
  event(517.5);  // 518
  event(515.5);  // 516
  EXPECT_EQ(popups(), 1);
  event(513.5);  // 514
  event(516.6);  // 517
  EXPECT_EQ(popups(), 3);
  rig.toolkit.twipsPerPixel = 12;  // read at every event
  f.Form_MouseMove(0, 0, 517 * 12, 0);
  EXPECT_EQ(popups(), 4);
}

TEST_F(Tray, PixelWindowsRoundThePositionItself) {
  f.scaleMode = ScaleMode::Pixels;
  f.Form_MouseMove(0, 0, 514.5f, 0);
  f.Form_MouseMove(0, 0, 7710, 0);
  EXPECT_EQ(popups(), 1);
}

TEST_F(Tray, CancelAndDismissChangeNothing) {
  rig.clickIcon(&f.mnuCancel);
  rig.clickIcon(nullptr);
  rig.clickIcon(&f.mnuBar4);
  EXPECT_EQ(popups(), 3);
  EXPECT_TRUE(rig.toolkit.boxes.empty());
  EXPECT_FALSE(rig.toolkit.shown);
  EXPECT_EQ(rig.display.calls.changeMode, 0);
  EXPECT_FALSE(f.ended());
}

// A restarted shell brings an empty notification area: the same record is added again, and
// the icon works as before.
TEST_F(Tray, ARecreatedTrayGetsTheSameIconBack) {
  rig.shell.icons.clear();
  f.TrayRecreated();
  ASSERT_EQ(rig.shell.notifications.size(), 2u);
  EXPECT_EQ(rig.shell.notifications[1].message, nim::kAdd);
  EXPECT_EQ(std::memcmp(&rig.shell.notifications[0].data, &rig.shell.notifications[1].data, sizeof(NotifyIconData)), 0);
  EXPECT_EQ(rig.shell.icons.size(), 1u);
  rig.clickIcon(&f.mnuExit);
  EXPECT_TRUE(rig.shell.icons.empty());
  EXPECT_TRUE(f.ended());
}

TEST(TrayRecreated, AddsNothingBeforeStartUpNorAfterTheIconWasRemoved) {
  Rig fresh(DesktopModes(), kXga);
  fresh.form.TrayRecreated();  // start-up has not added the icon yet
  EXPECT_TRUE(fresh.shell.notifications.empty());

  Rig second(DesktopModes(), kXga);
  second.toolkit.otherInstance = true;  // ends before it has an icon
  second.load();
  second.form.TrayRecreated();
  EXPECT_EQ(second.shell.notifications.size(), 1u);
  EXPECT_TRUE(second.shell.icons.empty());

  for (bool viaMenu : {true, false}) {
    Rig rig(DesktopModes(), kXga);
    rig.load();
    if (viaMenu) {
      rig.clickIcon(&rig.form.mnuExit);
    } else {
      rig.form.mnuConfig_Click();
      rig.form.unload(unload_mode::kControlMenu);
    }
    const size_t sent = rig.shell.notifications.size();
    rig.form.TrayRecreated();
    EXPECT_EQ(rig.shell.notifications.size(), sent) << (viaMenu ? "after Exit" : "after closing the window");
    EXPECT_TRUE(rig.shell.icons.empty());
  }
}

// Started where no notification area shows the icon, the program says so once after 10 s and
// runs on; a host that takes the icon within those 10 s means no box, and a host there at
// start means no call at all, so the idle program never wakes.
TEST(NoTrayHost, SaysSoOnceAfterTenSecondsUnlessTheIconDocks) {
  const std::string kText =
      "No notification area was found, so Tarnvel cannot show its icon. On GNOME, turn on the AppIndicator "
      "extension (package gnome-shell-extension-appindicator). The icon appears as soon as a notification area "
      "starts.";
  enum class Host { AtStart, Never, DocksAt3s, DocksAt3sGoneAt5s, FoundAt10sUnannounced, SecondInstance };
  struct Case {
    const char* what;
    Host host;
    size_t callsAfterStart;  // calls waiting once start-up is done
    bool box;
  };
  const Case cases[] = {
      {"a host at start", Host::AtStart, 0, false},
      {"no host ever", Host::Never, 1, true},
      {"the icon docks after 3 s", Host::DocksAt3s, 1, false},
      {"the icon docks after 3 s and its host ends after 5 s", Host::DocksAt3sGoneAt5s, 1, false},
      {"a host there at 10 s, its docking not yet heard of", Host::FoundAt10sUnannounced, 1, false},
      {"a second instance, which ends at start", Host::SecondInstance, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(DesktopModes(), kXga);
    rig.shell.hostPresent = c.host == Host::AtStart;
    rig.toolkit.otherInstance = c.host == Host::SecondInstance;
    rig.load();
    EXPECT_EQ(rig.toolkit.calls.size(), c.callsAfterStart);
    rig.toolkit.pass(3000);
    if (c.host == Host::DocksAt3s || c.host == Host::DocksAt3sGoneAt5s) {
      rig.shell.hostPresent = true;
      rig.form.TrayIconDocked();
      EXPECT_TRUE(rig.toolkit.calls.empty()) << "the call still waits after the icon docked: a wake-up for nothing";
    }
    rig.toolkit.pass(2000);
    if (c.host == Host::DocksAt3sGoneAt5s) rig.shell.hostPresent = false;
    if (c.host == Host::FoundAt10sUnannounced) rig.shell.hostPresent = true;
    rig.toolkit.pass(4999);
    EXPECT_TRUE(rig.toolkit.boxes.empty()) << "a box before 10 s";
    rig.toolkit.pass(1);
    if (c.box) {
      ASSERT_EQ(rig.toolkit.boxes.size(), 1u);
      EXPECT_EQ(rig.toolkit.boxes[0].text, kText);
      EXPECT_EQ(rig.toolkit.boxes[0].style, mb::kOk);
      EXPECT_EQ(rig.toolkit.boxes[0].title, "Tarnvel");
    } else {
      EXPECT_TRUE(rig.toolkit.boxes.empty());
    }
    rig.toolkit.pass(3600 * 1000);
    EXPECT_EQ(rig.toolkit.boxes.size(), c.box ? 1u : 0u) << "said more than once";
    EXPECT_TRUE(rig.toolkit.calls.empty());
    if (c.host == Host::SecondInstance) continue;
    // The program runs on, and the icon that docks later opens the menu as ever.
    EXPECT_FALSE(rig.form.ended());
    rig.shell.hostPresent = true;
    rig.form.TrayIconDocked();
    rig.clickIcon(&rig.form.mnuExit);
    EXPECT_TRUE(rig.form.ended());
  }
}
