// Everything the block processor's per-index passes need that depends only on the settings, the
// surveyed equalizer curve and the index: formed once per run by the very formulas of the steps
// (shaping.h, dynamics.h), so that applying a table entry gives the same bits as forming it anew.
#pragma once

#include <cstdint>

#include "dsp/run_memory.h"
#include "dsp/settings.h"

namespace zelmar {

struct BlockTables {
  bool ready = false;
  // What the tables were built from (floats compared bit for bit).
  int32_t split_freq = 0;
  uint32_t split_slope_bits = 0;
  uint32_t eq_linearity_bits = 0;
  bool eq_on = false;
  bool weighted_curve = false;
  RunVector<float> eq_curve;        // copy of the curve the factors came from (equalizer on)

  // Per element i of a packed spectrum (N entries each); a factor that the step does not apply
  // to an element is 1 there.
  RunVector<double> eq_factor;      // d of the element's pair (equalizer on)
  RunVector<double> pre_emphasis;   // divisor 10 sqrt(30 / i) (weighted curve on)
  RunVector<double> tilt;           // divisor (100 / i)^e * 0.4
  RunVector<double> high_share;     // crossover g of the element's pair
  RunVector<float> low_share;       // crossover h of the element's pair
  RunVector<double> restore;        // closing pass factor sqrt(30 / j) (weighted curve on)
  // Low-end ramp weights of the elements below ramp_end; from ramp_end on every weight is 1.
  RunVector<double> low_ramp;
  int ramp_end = 0;
};

struct ProcessorState;

// Builds state.tables for these settings and the current state.eq_curve. The stream driver calls
// it once, after the survey; process_block calls it again whenever the settings or eq_curve have
// changed since (see block_tables_current).
void prepare_block_tables(ProcessorState& state, const BlockSettings& settings);

// True when state.tables were built for these settings and for eq_curve as it is now.
bool block_tables_current(const ProcessorState& state, const BlockSettings& settings);

}  // namespace zelmar
