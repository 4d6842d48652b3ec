// Start-up and the text lookups on the simulated platform, at growing mode counts.
#include <benchmark/benchmark.h>

#include "platform/sim/sim_display.h"
#include "platform/sim/sim_platform.h"
#include "window/form1.h"

namespace {

// n distinct modes at two depths, the mode in force among the last ones.
std::vector<SimMode> Modes(int n) {
  std::vector<SimMode> modes;
  modes.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) modes.push_back({640 + i / 2, 480 + i % 7, i % 2 ? 32 : 16, 60});
  return modes;
}

struct Started {
  SimDisplay display;
  SimSettings settings;
  SimShell shell;
  SimToolkit toolkit;
  Form1 form{Platform{display, settings, shell, toolkit}};
  explicit Started(int n) : display(Modes(n)) {
    const SimMode& current = display.modes.back();
    display.setCurrent(current);
  }
};

void FormLoad(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto rig = std::make_unique<Started>(n);
    state.ResumeTiming();
    rig->form.Form_Load();
    benchmark::DoNotOptimize(rig->form.List1.listCount());
    state.PauseTiming();
    rig.reset();
    state.ResumeTiming();
  }
  state.SetComplexityN(n);
}
BENCHMARK(FormLoad)->Arg(500)->Arg(4000)->Arg(32767)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// The worst cases: the text of the last row, in other letter case, and a text of no row.
void FindModeByTextLastRow(benchmark::State& state) {
  Started rig(32767);
  rig.form.Form_Load();
  std::string text = rig.form.List1.list(32766);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (auto _ : state) benchmark::DoNotOptimize(rig.form.FindModeByText(text));
}
BENCHMARK(FindModeByTextLastRow)->Unit(benchmark::kMicrosecond);

void SelectModeByTextNoRow(benchmark::State& state) {
  Started rig(32767);
  rig.form.Form_Load();
  const std::string text = "1 x 1, 32bit color, 60 Hz";
  for (auto _ : state) {
    rig.form.SelectModeByText(text);
    benchmark::DoNotOptimize(rig.form.List1.listIndex());
  }
}
BENCHMARK(SelectModeByTextNoRow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
