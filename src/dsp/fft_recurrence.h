// The constants and the trigonometric recurrence that every transform path shares, so that the
// plain transform and the precomputed twiddle tables produce the same twiddles bit for bit.
#pragma once

#include "dsp/precision.h"

namespace zelmar {

// pi and 2 pi rounded to single precision, both derived from atan2(1, 1) on first use.
struct TransformConstants {
  float pi;
  float two_pi;
};
const TransformConstants& transform_constants();

// The recurrence's two constants for angle theta (radians), each stored in single precision:
// wpr = -2 sin^2(theta / 2), wpi = sin(theta).
struct Recurrence {
  float wpr;
  float wpi;
};
Recurrence recurrence_for(double theta);

// Angle of the complex FFT stage whose butterflies span `span_floats` floats (2, 4, 8, ...):
// +2 pi / span forward (forward != 0), -2 pi / span inverse.
double stage_angle(int span_floats, int forward);

// Angle of the real transform's untangling step for n complex points: +pi / n forward,
// -pi / n inverse.
double untangle_angle(int n, int forward);

// One step of the recurrence; the twiddle (wr, wi) and 1 + wpr stay in double precision.
inline void advance_twiddle(double& wr, double& wi, const Recurrence& r) {
  const double previous_wr = wr;
  wr = wr + (wr * wide(r.wpr) - wi * wide(r.wpi));
  wi = wi * (1.0 + wide(r.wpr)) + previous_wr * wide(r.wpi);
}

}  // namespace zelmar
