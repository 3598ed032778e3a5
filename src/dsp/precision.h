// Rounding helpers for the exact arithmetic: intermediate values live in double precision and
// every store into an array or a gain rounds to single precision. Spelling the rounding out as
// a call makes each one visible and countable when reading the code.
#pragma once

namespace zelmar {

// Rounds a double-precision intermediate to the single-precision value that gets stored.
inline float to_single(double x) { return static_cast<float>(x); }

// Widens a stored single-precision value for double-precision arithmetic.
inline double wide(float x) { return static_cast<double>(x); }

}  // namespace zelmar
