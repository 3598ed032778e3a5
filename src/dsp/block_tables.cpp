#include "dsp/block_tables.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "dsp/dynamics.h"
#include "dsp/shaping.h"
#include "dsp/state.h"

namespace zelmar {
namespace {

constexpr int N = BLOCK_FRAMES;

uint32_t bits_of(float x) { return std::bit_cast<uint32_t>(x); }

}  // namespace

void prepare_block_tables(ProcessorState& state, const BlockSettings& settings) {
  BlockTables& t = state.tables;
  t.split_freq = settings.split_freq;
  t.split_slope_bits = bits_of(settings.split_slope);
  t.eq_linearity_bits = bits_of(settings.eq_linearity);
  t.eq_on = settings.auto_eq >= 1;
  t.weighted_curve = settings.weighted_curve;

  t.eq_curve.clear();
  t.eq_factor.clear();
  if (t.eq_on) {
    t.eq_curve = state.eq_curve;
    t.eq_factor.resize(N);
    for (int i = 0; i < N - 1; i += 2) {
      t.eq_factor[i] = t.eq_factor[i + 1] = eq_factor(state.eq_curve.data(), i);
    }
  }

  t.pre_emphasis.clear();
  t.restore.clear();
  if (t.weighted_curve) {
    t.pre_emphasis.assign(N, 1.0);
    t.restore.assign(N, 1.0);
    for (int i = 1; i < N; ++i) {
      t.pre_emphasis[i] = pre_emphasis_divisor(i);
      t.restore[i] = restore_factor(i);
    }
  }

  const float exponent = tilt_exponent(settings.eq_linearity);
  t.tilt.assign(N, 1.0);
  for (int i = 1; i < N; ++i) t.tilt[i] = tilt_divisor(exponent, i);

  t.high_share.resize(N);
  t.low_share.resize(N);
  for (int j = 1; j <= N; j += 2) {
    const CrossoverShares shares = crossover_shares(settings.split_freq, settings.split_slope, j);
    t.high_share[j - 1] = t.high_share[j] = shares.high;
    t.low_share[j - 1] = t.low_share[j] = shares.low;
  }

  // The ramp multiplies by exactly 1 from some index on, which changes nothing: keep the rest.
  t.low_ramp.clear();
  t.ramp_end = 0;
  if (t.eq_on) {
    t.ramp_end = N;
    while (t.ramp_end > 0 && low_ramp_weight(t.ramp_end - 1) == 1.0) --t.ramp_end;
    for (int i = 0; i < t.ramp_end; ++i) t.low_ramp.push_back(low_ramp_weight(i));
  }
  t.ready = true;
}

bool block_tables_current(const ProcessorState& state, const BlockSettings& settings) {
  const BlockTables& t = state.tables;
  if (!t.ready || t.split_freq != settings.split_freq ||
      t.split_slope_bits != bits_of(settings.split_slope) ||
      t.eq_linearity_bits != bits_of(settings.eq_linearity) ||
      t.eq_on != (settings.auto_eq >= 1) || t.weighted_curve != settings.weighted_curve) {
    return false;
  }
  return !t.eq_on || std::memcmp(t.eq_curve.data(), state.eq_curve.data(), sizeof(float) * N) == 0;
}

}  // namespace zelmar
