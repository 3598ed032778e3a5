#include "dsp/fft_plan.h"

#include "dsp/fft_recurrence.h"

#include <new>

#include "dsp/run_memory.h"

namespace zelmar {
namespace {

// Both live in the run memory (run_memory.h), beside the buffers they are used with; every entry
// that is read is written first.
FftPlan& plan_storage() {
  static FftPlan& plan = *new (run_memory_allocate(sizeof(FftPlan))) FftPlan;
  return plan;
}

FftScratch& scratch_storage() {
  static FftScratch& scratch = *new (run_memory_allocate(sizeof(FftScratch))) FftScratch;
  return scratch;
}

// Same recurrence, same start and same order as complex_fft's stage loop.
void fill_stage_twiddles(FftPlan& plan, int forward) {
  for (int span = 1; span < kPlanPoints; span *= 2) {
    const Recurrence r = recurrence_for(stage_angle(2 * span, forward));
    double wr = 1.0;
    double wi = 0.0;
    for (int k = 0; k < span; ++k) {
      plan.stage_re[forward][span + k] = wr;
      plan.stage_im[forward][span + k] = wi;
      advance_twiddle(wr, wi, r);
    }
  }
}

// Same as the plain untangling loop: the first pair already uses one step of the recurrence.
void fill_untangle_twiddles(FftPlan& plan, int forward) {
  const Recurrence r = recurrence_for(untangle_angle(kPlanPoints, forward));
  double wr = 1.0 + wide(r.wpr);
  double wi = wide(r.wpi);
  for (int i = 1; i <= kPlanPoints / 2; ++i) {
    plan.untangle_re[forward][i - 1] = wr;
    plan.untangle_im[forward][i - 1] = wi;
    advance_twiddle(wr, wi, r);
  }
}

}  // namespace

const FftPlan& fft_plan() {
  static const bool filled = [] {
    for (int forward = 0; forward <= 1; ++forward) {
      fill_stage_twiddles(plan_storage(), forward);
      fill_untangle_twiddles(plan_storage(), forward);
    }
    return true;
  }();
  (void)filled;
  return plan_storage();
}

FftScratch& fft_scratch() { return scratch_storage(); }

}  // namespace zelmar
