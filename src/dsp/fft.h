// In-place radix-2 Fourier transforms on single-precision arrays, exact to the last bit.
//
// Packed real spectrum of N = 2n real values (what real_fft produces forward and consumes
// inverse): index 0 holds the DC term, index 1 the Nyquist term, indices 2k and 2k+1 the real and
// imaginary parts of bin k, all divided by N, with X[k] = (1/N) sum x[j] e^(+2 pi i j k / N).
// Forward then inverse returns the input (gain 1). n must be a power of two.
//
// real_fft has several implementations that give identical bits: the plain one (the readable
// definition, fft.cpp) and vectorised ones for n = 8192, the only size the program uses. The
// fastest one the CPU supports is chosen once per process; setting the environment variable
// ZELMAR_FFT_PATH to "plain", "avx2" or "avx512" before the first call forces one by hand (an
// unknown or unsupported name is reported on stderr and ignored). Building with ZELMAR_PORTABLE
// leaves only the plain path. The vector paths work in scratch arrays shared by the process, so
// real_fft must not run on two threads at once (the program transforms on one thread).
#pragma once

#include <vector>

namespace zelmar {

// Bit-reversal permutation of the interleaved complex values in data[0 .. float_count-1]
// (float_count = 2n).
void bit_reverse(float* data, int float_count);

// Complex FFT of n interleaved (re, im) values in place. forward != 0: Z[k] = 1/(2n) sum z[m]
// e^(+2 pi i m k / n); forward == 0: z[m] = 2 sum Z[k] e^(-2 pi i m k / n).
void complex_fft(float* data, int n, int forward);

// Real FFT of N = 2n values in place: forward != 0 turns samples into the packed spectrum,
// forward == 0 turns a packed spectrum back into samples. Runs the path in use (see above).
void real_fft(float* data, int n, int forward);

// The same transform, always by the plain scalar code.
void real_fft_plain(float* data, int n, int forward);

// The implementations of real_fft.
enum class FftPath { plain, avx2, avx512 };

// The paths this build and this CPU can run, plain first, fastest last.
std::vector<FftPath> fft_paths_available();

// The path real_fft uses (chosen on first call to this or to real_fft).
FftPath fft_path_in_use();

// Lower-case name of a path ("plain", "avx2", "avx512").
const char* fft_path_name(FftPath path);

// real_fft by the given path, which must be one of fft_paths_available(); sizes other than
// n = 8192 always run the plain code.
void real_fft_with(FftPath path, float* data, int n, int forward);

}  // namespace zelmar
