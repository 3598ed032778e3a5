// The spectrum survey: measuring one window (per half block of the file) and preparing the curve
// (averaging and smoothing, once per run) for the preset's strength and the widest smoothing.
#include <benchmark/benchmark.h>

#include "bench_input.h"
#include "zederu/survey.h"

namespace zelmar::bench {
namespace {

void BM_SurveyMeasureWindow(benchmark::State& bench_state) {
  const std::vector<int16_t> samples = music_samples(16);
  ProcessorState state;
  init_processor_state(state);
  int window = 0;
  for (auto _ : bench_state) {
    load_window(samples, window++, state);
    measure_window(state, BLOCK_FRAMES);
    benchmark::DoNotOptimize(state.eq_curve.data());
  }
}

void BM_SurveyPrepareCurve(benchmark::State& bench_state) {
  const int strength = static_cast<int>(bench_state.range(0));
  const std::vector<int16_t> samples = music_samples(16);
  ProcessorState state;
  init_processor_state(state);
  for (int w = 0; w < 15; ++w) {
    load_window(samples, w, state);
    measure_window(state, BLOCK_FRAMES);
  }
  const RunVector<float> sums = state.eq_curve;
  for (auto _ : bench_state) {
    state.eq_curve = sums;
    prepare_eq_curve(state.eq_curve.data(), BLOCK_FRAMES, 15, strength);
    benchmark::DoNotOptimize(state.eq_curve.data());
  }
}

BENCHMARK(BM_SurveyMeasureWindow)->Unit(benchmark::kMicrosecond);
// Strength 24 is the preset's (auto_eq 25); 0 (auto_eq 1) smooths over the widest windows.
BENCHMARK(BM_SurveyPrepareCurve)->Arg(24)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zelmar::bench
