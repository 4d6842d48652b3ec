// A change is a success only when the mode asked for is then in force: a display that says
// yes and changes nothing (Xwayland's emulated modes) must not be named "Current:".
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "desktop/confirmed_display.h"
#include "harness.h"

namespace {

const std::string kXgaText = "1024 x 768, 32bit color, 60 Hz";

// The program on a simulated display seen through the check, as main() wires it on Linux.
struct CheckedDisplay {
  SimDisplay sim{{{800, 600, 32, 60}, {1024, 768, 32, 60}, {1024, 768, 32, 75}, {1280, 1024, 32, 60}}};
  ConfirmedDisplay display{sim};
};

struct Confirmed : ::testing::Test, CheckedDisplay, Program {
  Confirmed() : Program(display) {}
  void SetUp() override {
    sim.setCurrent({1024, 768, 32, 60});
    form.Form_Load();
    ASSERT_EQ(form.mnuResDef.tag(), kXgaText);
  }
  DevMode record(int32_t width, int32_t height, int32_t rate) {
    DevMode m{};
    m.dmSize = sizeof m;
    m.dmFields = dm::kBitsPerPel | dm::kPelsWidth | dm::kPelsHeight | dm::kDisplayFrequency;
    m.dmBitsPerPel = 32;
    m.dmPelsWidth = width;
    m.dmPelsHeight = height;
    m.dmDisplayFrequency = rate;
    return m;
  }
};

}  // namespace

TEST_F(Confirmed, ASuccessThatChangedNothingIsAnError) {
  sim.changesTakeNoEffect = true;
  switchTo("800 x 600, 32bit color, 60 Hz");
  switchTo("1280 x 1024, 32bit color, 60 Hz");
  EXPECT_EQ(boxTexts(), std::vector<std::string>(2, kChangeFailed));
  EXPECT_EQ(form.mnuResDef.caption(), "Current: " + kXgaText);
  EXPECT_EQ(form.mnuResDef.tag(), kXgaText);
  EXPECT_EQ(sim.calls.changeMode, 2);

  // The same switch on a display that does change is a success as before.
  sim.changesTakeNoEffect = false;
  switchTo("800 x 600, 32bit color, 60 Hz");
  EXPECT_EQ(boxTexts().size(), 2u);
  EXPECT_EQ(form.mnuResDef.caption(), "Current: 800 x 600, 32bit color, 60 Hz");
}

TEST_F(Confirmed, TheRightSizeAtAnotherRateIsAnError) {
  // The driver writes the rate it chose into the record; the check holds to the one asked for.
  sim.onChange = [](DevMode& m) { m.dmDisplayFrequency = 60; };
  switchTo("1024 x 768, 32bit color, 75 Hz");
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kChangeFailed});
  EXPECT_EQ(form.mnuResDef.tag(), kXgaText);
}

TEST_F(Confirmed, OnlyTheFieldsTheRecordCarriesAreCompared) {
  DevMode anyRate = record(800, 600, 1);  // 1: the hardware's default rate
  DevMode noRate = record(1280, 1024, 75);
  noRate.dmFields &= ~dm::kDisplayFrequency;
  DevMode otherDepth = record(800, 600, 60);
  otherDepth.dmBitsPerPel = 16;
  // What the driver leaves in force instead of what was asked; each field counts on its own.
  const struct {
    const char* what;
    DevMode asked;
    std::function<void(DevMode&)> driver;
    int32_t code;
  } cases[] = {
      {"the hardware's default: any rate in force", anyRate, [](DevMode& m) { m.dmDisplayFrequency = 60; },
       disp_change::kSuccessful},
      {"no rate", noRate, nullptr, disp_change::kSuccessful},
      {"stays at 32 bits", otherDepth, [](DevMode& m) { m.dmBitsPerPel = 32; }, disp_change::kFailed},
      {"the width, another height", record(1280, 1024, 60), [](DevMode& m) { m.dmPelsHeight = 960; },
       disp_change::kFailed},
      {"the height, another width", record(1280, 1024, 60), [](DevMode& m) { m.dmPelsWidth = 1152; },
       disp_change::kFailed},
  };
  for (const auto& c : cases) {
    sim.onChange = c.driver;
    DevMode m = c.asked;
    EXPECT_EQ(display.changeMode(m, kChangeDynamic), c.code) << c.what;
  }

  // Refusals and mere tests changed nothing on purpose: their codes stand unchecked.
  sim.onChange = nullptr;
  sim.changesTakeNoEffect = true;
  const int looks = sim.calls.metrics;
  for (int32_t code : {1, -2, -3, -4, -5}) {
    sim.results = {code};
    DevMode m = record(800, 600, 60);
    EXPECT_EQ(display.changeMode(m, kChangeDynamic), code);
  }
  DevMode tried = record(800, 600, 60);
  EXPECT_EQ(display.changeMode(tried, 0x2), disp_change::kSuccessful);  // CDS_TEST changes nothing
  EXPECT_EQ(sim.calls.metrics, looks);  // nothing to check after a refusal or a mere test
}
