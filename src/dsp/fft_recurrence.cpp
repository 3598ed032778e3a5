#include "dsp/fft_recurrence.h"

#include <cmath>

#include "dsp/precision.h"

namespace zelmar {

const TransformConstants& transform_constants() {
  static const TransformConstants constants = [] {
    const double quarter_pi = std::atan2(1.0, 1.0);
    return TransformConstants{to_single(4.0 * quarter_pi), to_single(8.0 * quarter_pi)};
  }();
  return constants;
}

Recurrence recurrence_for(double theta) {
  const double half_sine = std::sin(0.5 * theta);
  return Recurrence{to_single(-2.0 * half_sine * half_sine), to_single(std::sin(theta))};
}

double stage_angle(int span_floats, int forward) {
  const double two_pi = wide(transform_constants().two_pi);
  return (forward != 0 ? two_pi : -two_pi) / span_floats;
}

double untangle_angle(int n, int forward) {
  const double pi = wide(transform_constants().pi);
  return forward != 0 ? pi / n : -pi / n;
}

}  // namespace zelmar
