#include "dsp/process_block.h"

#include "dsp/dynamics.h"
#include "dsp/shaping.h"

namespace zelmar {

void process_block(ProcessorState& state, const BlockSettings& settings) {
  const EnvelopeCoefficients coefficients = envelope_coefficients(settings);
  shape_and_split(state, settings);
  run_frame_loop(state, settings, coefficients);
  if (settings.weighted_curve) restore_weighting(state);
}

}  // namespace zelmar
