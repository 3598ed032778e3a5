// Chooses the real FFT implementation once per process: the fastest vector path the CPU supports
// for n = 8192, unless ZELMAR_FFT_PATH names another; the plain code for every other size.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "dsp/fft.h"
#include "dsp/fft_vector_paths.h"

namespace zelmar {
namespace {

constexpr int kVectorPoints = 8192;

bool cpu_supports(FftPath path) {
  switch (path) {
    case FftPath::plain:
      return true;
#ifdef ZELMAR_FFT_X86
    case FftPath::avx2:
      return __builtin_cpu_supports("avx2");
    case FftPath::avx512:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
             __builtin_cpu_supports("avx512dq");
#endif
    default:
      return false;
  }
}

FftPath choose_path() {
  const std::vector<FftPath> available = fft_paths_available();
  const char* wanted = std::getenv("ZELMAR_FFT_PATH");
  if (wanted != nullptr && *wanted != '\0') {
    for (FftPath path : available) {
      if (std::strcmp(wanted, fft_path_name(path)) == 0) return path;
    }
    std::fprintf(stderr, "ZELMAR_FFT_PATH=%s is not available here; using %s\n", wanted,
                 fft_path_name(available.back()));
  }
  return available.back();
}

}  // namespace

std::vector<FftPath> fft_paths_available() {
  std::vector<FftPath> paths;
  for (FftPath path : {FftPath::plain, FftPath::avx2, FftPath::avx512}) {
    if (cpu_supports(path)) paths.push_back(path);
  }
  return paths;
}

FftPath fft_path_in_use() {
  static const FftPath chosen = choose_path();
  return chosen;
}

const char* fft_path_name(FftPath path) {
  switch (path) {
    case FftPath::avx2:
      return "avx2";
    case FftPath::avx512:
      return "avx512";
    default:
      return "plain";
  }
}

void real_fft_with(FftPath path, float* data, int n, int forward) {
#ifdef ZELMAR_FFT_X86
  if (n == kVectorPoints && path == FftPath::avx512) return real_fft_8192_avx512(data, forward);
  if (n == kVectorPoints && path == FftPath::avx2) return real_fft_8192_avx2(data, forward);
#endif
  (void)path;
  real_fft_plain(data, n, forward);
}

void real_fft(float* data, int n, int forward) { real_fft_with(fft_path_in_use(), data, n, forward); }

}  // namespace zelmar
