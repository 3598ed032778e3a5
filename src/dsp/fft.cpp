// The plain transforms: the readable definition that every faster path must match bit for bit.
#include "dsp/fft.h"

#include <utility>

#include "dsp/fft_recurrence.h"
#include "dsp/precision.h"

namespace zelmar {
namespace {

// Splits the spectrum of the n-point complex transform into the packed real spectrum (and back,
// with the inverse constants). c2 is -0.5 forward and +0.5 inverse.
void untangle(float* data, int n, double theta, double c2) {
  const double c1 = 0.5;
  const Recurrence r = recurrence_for(theta);
  double wr = 1.0 + wide(r.wpr);
  double wi = wide(r.wpi);
  const int total = 2 * n;
  for (int i = 1; i <= n / 2; ++i) {
    const int i1 = 2 * i;
    const int i2 = i1 + 1;
    const int i3 = total - i1;
    const int i4 = i3 + 1;
    const double h1r = c1 * (wide(data[i1]) + wide(data[i3]));
    const float h1i = to_single(c1 * (wide(data[i2]) - wide(data[i4])));
    const double h2r = -c2 * (wide(data[i2]) + wide(data[i4]));
    const double h2i = c2 * (wide(data[i1]) - wide(data[i3]));
    const float wr_h2r = to_single(wr * h2r);
    const float wi_h2i = to_single(wi * h2i);
    const double sum = wr * h2i + wi * h2r;
    data[i1] = to_single(h1r + wide(wr_h2r) - wide(wi_h2i));
    data[i2] = to_single(wide(h1i) + sum);
    data[i3] = to_single(h1r - wide(wr_h2r) + wide(wi_h2i));
    data[i4] = to_single(wide(to_single(sum)) - wide(h1i));
    advance_twiddle(wr, wi, r);
  }
}

}  // namespace

void bit_reverse(float* data, int float_count) {
  const int half = float_count / 2;
  int j = 0;
  for (int i = 0; i < float_count; i += 2) {
    if (j > i) {
      std::swap(data[j], data[i]);
      std::swap(data[j + 1], data[i + 1]);
    }
    int m = half;
    while (m >= 2 && j >= m) {
      j -= m;
      m /= 2;
    }
    j += m;
  }
}

void complex_fft(float* data, int n, int forward) {
  const int total = 2 * n;
  bit_reverse(data, total);
  for (int mmax = 2; mmax < total; mmax *= 2) {
    const int istep = 2 * mmax;
    const Recurrence r = recurrence_for(stage_angle(mmax, forward));
    double wr = 1.0;
    double wi = 0.0;
    for (int m = 0; m < mmax; m += 2) {
      for (int i = m; i < total; i += istep) {
        const int j = i + mmax;
        const double t_re = wr * wide(data[j]) - wi * wide(data[j + 1]);
        const float t_im = to_single(wr * wide(data[j + 1]) + wi * wide(data[j]));
        data[j] = to_single(wide(data[i]) - t_re);
        data[j + 1] = to_single(wide(data[i + 1]) - wide(t_im));
        data[i] = to_single(wide(data[i]) + t_re);
        data[i + 1] = to_single(wide(data[i + 1]) + wide(t_im));
      }
      advance_twiddle(wr, wi, r);
    }
  }
  const float scale = forward != 0 ? to_single(1.0 / total) : 2.0f;
  for (int i = 0; i < total; ++i) data[i] = to_single(wide(data[i]) * wide(scale));
}

void real_fft_plain(float* data, int n, int forward) {
  if (forward != 0) {
    complex_fft(data, n, 1);
    const double d0 = wide(data[0]);
    const double d1 = wide(data[1]);
    data[0] = to_single(d0 + d1);
    data[1] = to_single(d0 - d1);
    untangle(data, n, untangle_angle(n, 1), -0.5);
  } else {
    const double d0 = wide(data[0]);
    const double d1 = wide(data[1]);
    data[0] = to_single(0.5 * (d0 + d1));
    data[1] = to_single(0.5 * (d0 - d1));
    untangle(data, n, untangle_angle(n, 0), 0.5);
    complex_fft(data, n, 0);
  }
}

}  // namespace zelmar
