#!/usr/bin/env bash
# Installs the build tools if missing, then:
#   1. builds a Release tree in build/ and runs every test there (the large-input test included);
#   2. runs the reference cases again with the transforms and block kernels held to AVX2 and to
#      the plain code, and builds and tests the portable tree (build-portable/, plain code only);
#   3. builds build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer and runs the same
#      tests under them, any report failing the run (the reference cases must still match bit for bit);
#   4. builds the fuzz targets with clang in build-fuzz/ and runs each briefly on the seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libgtest-dev googletest pkg-config clang libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "missing packages (install them as root): ${missing[*]}" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

stage() { echo "=== $* ($SECONDS s)"; }

stage "Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZELMAR_TESTS=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

stage "Reference cases on the other code paths"
# The Release tree picks the fastest path this CPU has; every other path must give the same bytes.
ZELMAR_FFT_PATH=avx2 ctest --test-dir build --output-on-failure -j2 -R 'Recorded|Fft'
ZELMAR_FFT_PATH=plain ZELMAR_BLOCK_PATH=plain ctest --test-dir build --output-on-failure -j2 -R 'Recorded|Fft'
cmake -S . -B build-portable -DCMAKE_BUILD_TYPE=Release -DZELMAR_PORTABLE=ON -DZELMAR_TESTS=ON
cmake --build build-portable -j2
ctest --test-dir build-portable --output-on-failure -j2 -LE large

stage "Sanitizer build and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMAR_SANITIZE=ON -DZELMAR_TESTS=ON
cmake --build build-asan -j2
# The large-input test would take many minutes under the sanitizers; it runs in the Release tree.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2 -LE large

stage "Fuzz targets"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DZELMAR_SANITIZE=ON -DZELMAR_FUZZ=ON -DZELMAR_TESTS=OFF
cmake --build build-fuzz -j2 --target fuzz_command_line fuzz_stream
scripts/run-fuzzers.sh build-fuzz 30

stage "All passed"
