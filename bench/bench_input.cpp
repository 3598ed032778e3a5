#include "bench_input.h"

#include <cmath>
#include <cstdio>

#include "app/settings.h"
#include "dsp/precision.h"

namespace zelmar::bench {

std::vector<int16_t> music_samples(int half_blocks) {
  std::vector<int16_t> samples(static_cast<size_t>(half_blocks) * BLOCK_FRAMES);
  if (std::FILE* file = std::fopen(ZELMAR_BENCH_MUSIC, "rb")) {
    const size_t got = std::fread(samples.data(), sizeof(int16_t), samples.size(), file);
    std::fclose(file);
    if (got == samples.size()) return samples;
  }
  std::fprintf(stderr, "%s not readable: using a synthetic signal\n", ZELMAR_BENCH_MUSIC);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i / 2) / 44100.0;
    samples[i] = static_cast<int16_t>(12000.0 * std::sin(2 * M_PI * 110.0 * t) +
                                      6000.0 * std::sin(2 * M_PI * 3300.0 * t * (1 + i % 2)));
  }
  return samples;
}

namespace {

BlockSettings from_numbers(float split, float hi_thresh, float lo_thresh, float attack,
                           float release, float hi_gain, float lo_gain) {
  BlockSettings s;
  s.split_freq = static_cast<int32_t>(split);
  s.hi_thresh = threshold_from_number(wide(hi_thresh));
  s.lo_thresh = threshold_from_number(wide(lo_thresh));
  s.hi_attack = simple_attack_from_number(wide(attack));
  s.lo_attack = s.hi_attack;
  s.hi_release = release_from_number(wide(release));
  s.lo_release = s.hi_release;
  s.hi_gain = simple_gain_from_number(wide(hi_gain));
  s.lo_gain = simple_gain_from_number(wide(lo_gain));
  return s;
}

}  // namespace

BlockSettings default_settings() { return from_numbers(35, 20, 20, 35, 60, 40, 60); }

BlockSettings preset_settings() {
  BlockSettings s = from_numbers(70, 200, 200, 35, 60, 10, 10);
  s.split_slope = 0.5f;
  s.lo_stereo = 1.0f;
  s.auto_eq = 25;
  s.eq_linearity = 150.0f;
  return s;
}

void load_window(const std::vector<int16_t>& samples, int index, ProcessorState& state) {
  const size_t half_blocks = samples.size() / BLOCK_FRAMES;
  for (int half = 0; half < 2; ++half) {
    const size_t from = ((index + half) % half_blocks) * BLOCK_FRAMES;
    std::copy(samples.begin() + from, samples.begin() + from + BLOCK_FRAMES,
              state.input_window.begin() + half * BLOCK_FRAMES);
  }
}

}  // namespace zelmar::bench
