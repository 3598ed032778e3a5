// process_block on consecutive windows of the benchmark music: defaults, the preset with a
// surveyed equalizer curve, and the defaults with the weighted curve on.
#include <benchmark/benchmark.h>

#include "bench_input.h"
#include "dsp/block_tables.h"
#include "dsp/dynamics_fast.h"
#include "dsp/process_block.h"
#include "dsp/shaping_fast.h"
#include "zederu/survey.h"

namespace zelmar::bench {
namespace {

constexpr int kHalfBlocks = 64;

const std::vector<int16_t>& music() {
  static const std::vector<int16_t> samples = music_samples(kHalfBlocks);
  return samples;
}

// Surveys the in-memory music the way the stream driver surveys a file.
void survey_music(ProcessorState& state, int strength) {
  int measured = 0;
  for (int w = 0; w + 1 < kHalfBlocks; ++w) {
    load_window(music(), w, state);
    measure_window(state, BLOCK_FRAMES);
    ++measured;
  }
  prepare_eq_curve(state.eq_curve.data(), BLOCK_FRAMES, measured, strength);
}

void run_blocks(benchmark::State& bench_state, const BlockSettings& settings) {
  ProcessorState state;
  init_processor_state(state);
  if (settings.auto_eq > 0) survey_music(state, settings.auto_eq - 1);
  int window = 0;
  for (auto _ : bench_state) {
    load_window(music(), window++, state);
    process_block(state, settings);
    benchmark::DoNotOptimize(state.output_block.data());
  }
  bench_state.SetItemsProcessed(bench_state.iterations() * BLOCK_FRAMES);
}

void BM_ProcessBlockDefaults(benchmark::State& s) { run_blocks(s, default_settings()); }

void BM_ProcessBlockAutoEq(benchmark::State& s) { run_blocks(s, preset_settings()); }

void BM_ProcessBlockWeightedCurve(benchmark::State& s) {
  BlockSettings settings = default_settings();
  settings.weighted_curve = true;
  run_blocks(s, settings);
}

// The frame loop alone (envelopes, mix, limiters, 16-bit output) on the bands of consecutive
// windows with the default settings; argument: 0 plain path, 1 the fastest vector path.
void BM_FrameLoopDefaults(benchmark::State& bench_state) {
  const BlockPath path =
      bench_state.range(0) == 0 ? BlockPath::plain : block_paths_available().back();
  const BlockSettings settings = default_settings();
  ProcessorState state;
  init_processor_state(state);
  prepare_block_tables(state, settings);
  constexpr int kWindows = 24;
  std::vector<RunVector<float>> bands;  // per window: high left, high right, low left, low right
  for (int w = 0; w < kWindows; ++w) {
    load_window(music(), w, state);
    shape_and_split_fast(state, path);
    for (const auto* band : {&state.work_left, &state.work_right, &state.low_left, &state.low_right}) {
      bands.push_back(*band);
    }
  }
  const EnvelopeCoefficients coefficients = envelope_coefficients(settings);
  int window = 0;
  for (auto _ : bench_state) {
    const int w = window++ % kWindows;
    state.work_left = bands[4 * w];
    state.work_right = bands[4 * w + 1];
    state.low_left = bands[4 * w + 2];
    state.low_right = bands[4 * w + 3];
    run_frame_loop_with(path, state, settings, coefficients);
    benchmark::DoNotOptimize(state.output_block.data());
  }
  bench_state.SetLabel(block_path_name(path));
  bench_state.SetItemsProcessed(bench_state.iterations() * BLOCK_FRAMES);
}

BENCHMARK(BM_FrameLoopDefaults)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlockDefaults)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlockAutoEq)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessBlockWeightedCurve)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zelmar::bench
