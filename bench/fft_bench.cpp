// real_fft of N = 16384 values (n = 8192), forward and inverse, on every path this CPU runs.
// Each iteration starts from the same input (copied outside the timed region).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "dsp/fft.h"

namespace zelmar::bench {
namespace {

constexpr int kN = 16384;

// Noise at the level of 16-bit music scaled to floats, and its packed spectrum.
const std::vector<float>& noise() {
  static const std::vector<float> samples = [] {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> sample(-20000, 20000);
    std::vector<float> values(kN);
    for (float& x : values) x = static_cast<float>(sample(rng)) * (0.3f / 32768.0f);
    return values;
  }();
  return samples;
}

const std::vector<float>& spectrum() {
  static const std::vector<float> values = [] {
    std::vector<float> data = noise();
    real_fft_plain(data.data(), kN / 2, 1);
    return data;
  }();
  return values;
}

void transform(benchmark::State& state, FftPath path, int forward) {
  const std::vector<float>& input = forward != 0 ? noise() : spectrum();
  std::vector<float> data(kN);
  for (auto _ : state) {
    std::memcpy(data.data(), input.data(), kN * sizeof(float));
    const auto start = std::chrono::steady_clock::now();
    real_fft_with(path, data.data(), kN / 2, forward);
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.SetIterationTime(elapsed.count());
  }
  state.SetItemsProcessed(state.iterations() * kN);
}

const bool registered = [] {
  for (FftPath path : fft_paths_available()) {
    for (int forward : {1, 0}) {
      const std::string name = std::string("real_fft/") + (forward != 0 ? "forward/" : "inverse/") +
                               fft_path_name(path);
      benchmark::RegisterBenchmark(name.c_str(), transform, path, forward)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
    }
  }
  return true;
}();

}  // namespace
}  // namespace zelmar::bench
