#include "dsp/state.h"

namespace zelmar {

void init_processor_state(ProcessorState& state) {
  state = ProcessorState{};
  state.input_window.assign(2 * BLOCK_FRAMES, 0);
  state.output_block.assign(2 * BLOCK_FRAMES, 0);
  state.previous_tail.assign(BLOCK_FRAMES, 0);
  state.work_left.assign(BLOCK_FRAMES, 0.0f);
  state.work_right.assign(BLOCK_FRAMES, 0.0f);
  state.low_left.assign(BLOCK_FRAMES, 0.0f);
  state.low_right.assign(BLOCK_FRAMES, 0.0f);
  state.eq_curve.assign(BLOCK_FRAMES, 0.0f);
}

}  // namespace zelmar
