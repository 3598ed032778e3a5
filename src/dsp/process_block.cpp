#include "dsp/process_block.h"

#include "dsp/block_tables.h"
#include "dsp/dynamics.h"
#include "dsp/dynamics_fast.h"
#include "dsp/shaping.h"
#include "dsp/shaping_fast.h"

namespace zelmar {

void process_block(ProcessorState& state, const BlockSettings& settings) {
  process_block_with(block_path_in_use(), state, settings);
}

void process_block_with(BlockPath path, ProcessorState& state, const BlockSettings& settings) {
  const EnvelopeCoefficients coefficients = envelope_coefficients(settings);
  if (!block_tables_current(state, settings)) prepare_block_tables(state, settings);
  shape_and_split_fast(state, path);
  run_frame_loop_with(path, state, settings, coefficients);
  if (settings.weighted_curve) restore_weighting_with(path, state);
}

void process_block_by_steps(ProcessorState& state, const BlockSettings& settings) {
  const EnvelopeCoefficients coefficients = envelope_coefficients(settings);
  shape_and_split(state, settings);
  run_frame_loop(state, settings, coefficients);
  if (settings.weighted_curve) restore_weighting(state);
}

}  // namespace zelmar
