// In-place radix-2 Fourier transforms on single-precision arrays, exact to the last bit.
//
// Packed real spectrum of N = 2n real values (what real_fft produces forward and consumes
// inverse): index 0 holds the DC term, index 1 the Nyquist term, indices 2k and 2k+1 the real and
// imaginary parts of bin k, all divided by N, with X[k] = (1/N) sum x[j] e^(+2 pi i j k / N).
// Forward then inverse returns the input (gain 1). n must be a power of two.
#pragma once

namespace zelmar {

// Bit-reversal permutation of the interleaved complex values in data[0 .. float_count-1]
// (float_count = 2n).
void bit_reverse(float* data, int float_count);

// Complex FFT of n interleaved (re, im) values in place. forward != 0: Z[k] = 1/(2n) sum z[m]
// e^(+2 pi i m k / n); forward == 0: z[m] = 2 sum Z[k] e^(-2 pi i m k / n).
void complex_fft(float* data, int n, int forward);

// Real FFT of N = 2n values in place: forward != 0 turns samples into the packed spectrum,
// forward == 0 turns a packed spectrum back into samples.
void real_fft(float* data, int n, int forward);

}  // namespace zelmar
