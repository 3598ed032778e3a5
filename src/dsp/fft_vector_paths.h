// Entry points of the vectorised real FFT for n = 8192 points, one per instruction set. Each is
// compiled only where the compiler can target that instruction set (ZELMAR_FFT_X86 below) and may
// be called only on a CPU that supports it; fft_paths.cpp checks both.
#pragma once

#if defined(__x86_64__) && !defined(ZELMAR_PORTABLE)
#define ZELMAR_FFT_X86 1
#endif

namespace zelmar {

#ifdef ZELMAR_FFT_X86
// real_fft(data, 8192, forward) with AVX2 (4 doubles per vector).
void real_fft_8192_avx2(float* data, int forward);
// real_fft(data, 8192, forward) with AVX-512 F and DQ (8 doubles per vector).
void real_fft_8192_avx512(float* data, int forward);
#endif

}  // namespace zelmar
